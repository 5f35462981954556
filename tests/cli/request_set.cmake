# Runs the tool in JSON-lines mode on the request set every front end's
# tests share and compares its output byte for byte with the answers kept
# beside it.  Some requests are refused on purpose, so the run ends with
# status 1; anything else (a crash, a usage error) fails the test.
#
#   cmake -DTOOL=... -DREQUESTS=... -DEXPECTED=... -DOUTPUT=... -P request_set.cmake
execute_process(COMMAND ${TOOL} batch --jsonl -q -j 2 ${REQUESTS}
                OUTPUT_FILE ${OUTPUT}
                ERROR_VARIABLE errors
                RESULT_VARIABLE status)
if(NOT status EQUAL 1)
  message(FATAL_ERROR "the tool ended with status '${status}' (expected 1): ${errors}")
endif()
if(NOT errors STREQUAL "")
  message(FATAL_ERROR "the tool wrote to standard error with -q: ${errors}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${EXPECTED}
                RESULT_VARIABLE different)
if(different)
  message(FATAL_ERROR "${OUTPUT} differs from ${EXPECTED}")
endif()

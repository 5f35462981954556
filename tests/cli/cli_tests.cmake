# Tests of the command-line tool: unit tests of its reading and writing
# code, and end-to-end tests that drive the built binary.
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB cli_unit_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/test_*.cpp)
add_executable(morvane_cli_tests ${cli_unit_sources})
target_link_libraries(morvane_cli_tests PRIVATE morvane_cli GTest::gtest GTest::gtest_main)
gtest_discover_tests(morvane_cli_tests TEST_PREFIX "cli." DISCOVERY_TIMEOUT 60)

find_package(Python3 COMPONENTS Interpreter)
if(Python3_FOUND)
  foreach(group IN ITEMS Example Convert BatchText BatchJsonl CsvMode Squares Threads Usage)
    add_test(NAME cli.binary.${group}
             COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/run_binary_tests.py
                     $<TARGET_FILE:morvane> ${group})
  endforeach()
endif()

# The shared request set, answered as before, byte for byte.
add_test(NAME cli.binary.RequestSet
         COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:morvane>
                 -DREQUESTS=${PROJECT_SOURCE_DIR}/tests/data/requests.jsonl
                 -DEXPECTED=${PROJECT_SOURCE_DIR}/tests/data/answers.jsonl
                 -DOUTPUT=${CMAKE_CURRENT_BINARY_DIR}/answers.jsonl
                 -P ${CMAKE_CURRENT_LIST_DIR}/request_set.cmake)

# The tests of Belgium's systems of today drive the built tool itself.
add_dependencies(morvane_cli_tests morvane)
target_compile_definitions(morvane_cli_tests PRIVATE MORVANE_TOOL="$<TARGET_FILE:morvane>")

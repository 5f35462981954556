# The core, written once for every build of it (the native libraries, the
# WebAssembly module, the Python extension, which reads the two lists
# below from this file):
#   MORVANE_SUBSYSTEMS  the folders of the core, the ground layer first
#   MORVANE_FP_FLAGS    the floating-point rules of every compilation and
#                       link of the core: results must be reproducible to
#                       the bit, so no contraction into fused multiply-adds
#                       and no fast-math.  Nothing reads errno, so the
#                       maths functions need not set it.
set(MORVANE_SUBSYSTEMS base elementary component datum height utm mgrs lambert ifbl)
set(MORVANE_FP_FLAGS -ffp-contract=off -fno-fast-math -fno-unsafe-math-optimizations -fno-math-errno)

# MORVANE_CORE_SOURCES: the sources of the core below `root`.
function(morvane_core_sources root)
  set(sources)
  foreach(dir IN LISTS MORVANE_SUBSYSTEMS)
    file(GLOB dir_sources CONFIGURE_DEPENDS ${root}/${dir}/*.cpp)
    list(APPEND sources ${dir_sources})
  endforeach()
  set(MORVANE_CORE_SOURCES ${sources} PARENT_SCOPE)
endfunction()

# The national agency's grids (data/grids/morvane_grids.bin, made from the
# GeoTIFFs in data/be_ign by tools/grid_table) as an array in the build
# tree, for the native libraries to carry: MORVANE_GRID_TABLE_SOURCE is the
# generated file.  datum/grid_table.cpp looks for the array when compiled
# with MORVANE_EMBEDDED_GRIDS (the WebAssembly module is handed the table
# at run time instead, so that its base module stays small).
function(morvane_grid_table root)
  set(table ${root}/data/grids/morvane_grids.bin)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/generated/morvane_grid_table.cpp)
  add_custom_command(OUTPUT ${source}
    COMMAND ${CMAKE_COMMAND} -DIN=${table} -DOUT=${source} -P ${root}/cmake/embed_grid_table.cmake
    DEPENDS ${table} ${root}/cmake/embed_grid_table.cmake
    COMMENT "Embedding the grid table"
    VERBATIM)
  add_custom_target(morvane_grid_table DEPENDS ${source})
  set_source_files_properties(${root}/datum/grid_table.cpp PROPERTIES
                              COMPILE_DEFINITIONS MORVANE_EMBEDDED_GRIDS)
  set(MORVANE_GRID_TABLE_SOURCE ${source} PARENT_SCOPE)
endfunction()

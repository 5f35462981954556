# The installed library: shared and static, headers, CMake package,
# pkg-config file.  Included from the top-level CMakeLists.txt.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

add_library(morvane_objects OBJECT ${MORVANE_CORE_SOURCES})
add_dependencies(morvane_objects morvane_grid_table)
set_target_properties(morvane_objects PROPERTIES
  POSITION_INDEPENDENT_CODE ON
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)
target_include_directories(morvane_objects PUBLIC
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}> $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>)
if(CMAKE_INTERPROCEDURAL_OPTIMIZATION)
  # The archive must serve programs built without link-time optimisation
  # too: its objects carry machine code beside the optimiser's form.
  target_compile_options(morvane_objects PRIVATE -ffat-lto-objects)
endif()

if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64")
  # The core keeps its fault flags and current ellipsoid per thread, and
  # reads them at every checked step.  In a shared object each read would
  # be a call into the dynamic loader; with TLS descriptors it is a few
  # instructions once the thread's block is placed.
  target_compile_options(morvane_objects PRIVATE -mtls-dialect=gnu2)
endif()

# Clients see the public headers only, in the build tree as installed.
set(morvane_interface_includes
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

add_library(morvane_shared SHARED $<TARGET_OBJECTS:morvane_objects>)
set_target_properties(morvane_shared PROPERTIES
  OUTPUT_NAME morvane EXPORT_NAME morvane
  VERSION ${PROJECT_VERSION}
  # Before 1.0 each minor version may change the interface.
  SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
target_include_directories(morvane_shared INTERFACE ${morvane_interface_includes})
target_link_libraries(morvane_shared PRIVATE Threads::Threads)
# The public headers need C++17 at least (the library itself is C++20).
target_compile_features(morvane_shared INTERFACE cxx_std_17)
# Only the marked interface leaves the library (a version script would
# name the same symbols twice).
target_link_options(morvane_shared PRIVATE -Wl,--no-undefined)

add_library(morvane_static STATIC $<TARGET_OBJECTS:morvane_objects>)
set_target_properties(morvane_static PROPERTIES OUTPUT_NAME morvane EXPORT_NAME morvane_static)
target_include_directories(morvane_static INTERFACE ${morvane_interface_includes})
target_link_libraries(morvane_static INTERFACE Threads::Threads)
# A program linking the archive with GCC may optimise its objects again at
# link time: GCC's note on the calling convention of AVX vectors (the
# four-lane routines, called only from code built alike) is moot there.
target_link_options(morvane_static INTERFACE $<$<CXX_COMPILER_ID:GNU>:-Wno-psabi>)
target_compile_features(morvane_static INTERFACE cxx_std_17)

add_library(Morvane::morvane ALIAS morvane_shared)
add_library(Morvane::morvane_static ALIAS morvane_static)

install(TARGETS morvane_shared morvane_static EXPORT MorvaneTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)

# Public headers: include/morvane as it is in the source tree.  They
# include nothing else of the tree.
install(DIRECTORY include/morvane DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT development FILES_MATCHING PATTERN "*.h" PATTERN "*.hpp")

set(morvane_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Morvane)
install(EXPORT MorvaneTargets NAMESPACE Morvane:: DESTINATION ${morvane_cmake_dir}
        COMPONENT development)
configure_package_config_file(cmake/MorvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/MorvaneConfig.cmake INSTALL_DESTINATION ${morvane_cmake_dir})
# Before 1.0 only the same minor version is compatible.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/MorvaneConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/MorvaneConfig.cmake
              ${PROJECT_BINARY_DIR}/MorvaneConfigVersion.cmake
        DESTINATION ${morvane_cmake_dir} COMPONENT development)

file(RELATIVE_PATH morvane_pc_to_prefix /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" morvane_pc_to_prefix "${morvane_pc_to_prefix}")
configure_file(cmake/morvane.pc.in ${PROJECT_BINARY_DIR}/morvane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/morvane.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# The library carries the national agency's grids (CC BY 4.0): their credit
# goes with it, and the grid table for programs that load it themselves
# (the WebAssembly package's file).
install(FILES data/be_ign/NOTICE.md DESTINATION ${CMAKE_INSTALL_DOCDIR}
        RENAME NOTICE-grids.md COMPONENT runtime)
install(FILES data/grids/morvane_grids.bin DESTINATION ${CMAKE_INSTALL_DATADIR}/morvane
        COMPONENT runtime)

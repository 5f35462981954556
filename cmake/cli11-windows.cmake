# CLI11 for the Windows build of the tool.  CLI11 is header-only: the cross
# build takes the build machine's headers (Debian's libcli11-dev), through
# a folder that holds only them, so that no other header of the build
# machine can shadow the Windows ones.
find_path(MORVANE_CLI11_HEADERS CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(cli11_only ${CMAKE_BINARY_DIR}/cli11-include)
file(MAKE_DIRECTORY ${cli11_only})
file(CREATE_LINK ${MORVANE_CLI11_HEADERS}/CLI ${cli11_only}/CLI SYMBOLIC)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${cli11_only})

# The Debian package: cpack -G DEB in a Release build gives
# morvane_<version>_<arch>.deb with the libraries, headers, CMake and
# pkg-config files, the tool and its man page.
set(CPACK_PACKAGE_NAME morvane)
set(CPACK_PACKAGE_VENDOR "Morvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "coordinates of Belgium and its neighbours: degrees, Lambert 72, UTM, MGRS, IFBL")
set(CPACK_PACKAGE_DESCRIPTION
    "Converts one point, or whole files and arrays of points, between latitude and
longitude on European 1950, the Belgian datum 1972, WGS 1984 and NTF, Belgian
Lambert 1972, UTM, MGRS references and IFBL grid squares.  The morvane tool,
the shared and static C/C++ library, headers, CMake and pkg-config files.")
set(CPACK_PACKAGE_CONTACT "Morvane developers <morvane@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Dependencies from the libraries the binaries link (dpkg-shlibdeps), and
# a shlibs file with the ldconfig trigger for the shared library.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEB_COMPONENT_INSTALL OFF)
include(CPack)

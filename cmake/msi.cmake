# The build target `msi`: morvane-<version>-x64.msi or morvane-<version>-x86.msi
# (after the platform of the build), made with msitools' wixl from
# server/installer/morvane.wxs.in.  Each platform's package has its own
# upgrade code and component identifiers, so that both can be installed on
# one machine.
find_program(MORVANE_WIXL wixl)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(MSI_ARCH x64)
  set(MSI_WIN64 yes)
  set(MSI_PROGRAM_FILES ProgramFiles64Folder)
  set(MSI_TYPELIB_PLATFORM win64)
  set(MSI_UPGRADE_CODE BA495ACF-9756-41C6-9028-F58C1241BF4C)
  set(MSI_SERVER_GUID CE5855F3-E411-483C-97E5-9115976DF710)
  set(MSI_TOOL_GUID 4A782AC6-430D-48B8-8832-16F6B797ABAB)
  set(MSI_README_GUID DD8AAC35-ED81-4E4B-B07A-1A4E6285A753)
else()
  set(MSI_ARCH x86)
  set(MSI_WIN64 no)
  set(MSI_PROGRAM_FILES ProgramFilesFolder)
  set(MSI_TYPELIB_PLATFORM win32)
  set(MSI_UPGRADE_CODE AB713AD9-9C42-46B5-8A6A-CDCA8CC592CE)
  set(MSI_SERVER_GUID 6A36F742-DF84-4E1B-9674-7710F475A5A9)
  set(MSI_TOOL_GUID 04638C0C-6F70-4032-8080-3C9EA1A17D13)
  set(MSI_README_GUID 72A638B3-068F-4359-BF56-539597AA969D)
endif()
# The identifiers of server/morvane.idl.
set(CLSID "{E198FC92-FF3F-4D2A-A8CE-137DEBFCDB5E}")
set(LIBID "{BFAB404E-0ECD-4EEF-9ABB-E72BD14D5556}")
set(IID "{0D256C78-DD0E-421D-8A2D-FF8E97A1060B}")

set(msi_name morvane-${PROJECT_VERSION}-${MSI_ARCH}.msi)
set(msi_dir ${CMAKE_BINARY_DIR}/installer)
configure_file(${PROJECT_SOURCE_DIR}/server/installer/morvane.wxs.in ${msi_dir}/morvane.wxs @ONLY)

if(MORVANE_WIXL AND TARGET morvane)
  # wixl takes the files from paths relative to its working folder.
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/${msi_name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${msi_dir}/files
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:morvane_server> $<TARGET_FILE:morvane>
            ${PROJECT_SOURCE_DIR}/README.md ${msi_dir}/files/
    COMMAND ${MORVANE_WIXL} --arch ${MSI_ARCH} -o ${CMAKE_BINARY_DIR}/${msi_name} morvane.wxs
    WORKING_DIRECTORY ${msi_dir}
    DEPENDS morvane_server morvane ${msi_dir}/morvane.wxs ${PROJECT_SOURCE_DIR}/README.md
    COMMENT "Windows Installer package ${msi_name}"
    VERBATIM)
  add_custom_target(msi DEPENDS ${CMAKE_BINARY_DIR}/${msi_name})
else()
  add_custom_target(msi
    COMMAND ${CMAKE_COMMAND} -E echo "msi needs wixl (Debian package wixl) and the morvane tool"
    COMMAND ${CMAKE_COMMAND} -E false)
endif()

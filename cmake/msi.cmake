# The build target `msi`: the Windows Installer packages of the build's
# platform, made with msitools' wixl from server/installer/morvane.wxs.in:
#
#   morvane-<version>-x64.msi        for the machine, into Program Files
#   morvane-<version>-x64-user.msi   for the current user, into
#                                    %LOCALAPPDATA%\Morvane, no administrator
#
# (x86 for a 32-bit build).  Each platform and scope has its own upgrade
# code and component identifiers, so that the packages can be installed
# side by side.
find_program(MORVANE_WIXL wixl)

# The identifiers of server/morvane.idl.
set(CLSID "{E198FC92-FF3F-4D2A-A8CE-137DEBFCDB5E}")
set(LIBID "{BFAB404E-0ECD-4EEF-9ABB-E72BD14D5556}")
set(IID "{0D256C78-DD0E-421D-8A2D-FF8E97A1060B}")

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(MSI_ARCH x64)
  set(MSI_WIN64 yes)
  set(msi_program_files ProgramFiles64Folder)
  set(MSI_TYPELIB_PLATFORM win64)
  # upgrade code, server, tool and README components: machine, then user
  set(msi_guids_machine BA495ACF-9756-41C6-9028-F58C1241BF4C CE5855F3-E411-483C-97E5-9115976DF710
                        4A782AC6-430D-48B8-8832-16F6B797ABAB DD8AAC35-ED81-4E4B-B07A-1A4E6285A753)
  set(msi_guids_user A87CECFA-3272-4A3A-B02E-219CA68F4B3A C336C837-EDCC-4E78-84E0-1F4DA1B8A1DC
                     C72410C9-0442-4E19-A587-9CCAFFA52C1F BB177A51-648D-4E72-8AAF-1D738D5EFFD6)
else()
  set(MSI_ARCH x86)
  set(MSI_WIN64 no)
  set(msi_program_files ProgramFilesFolder)
  set(MSI_TYPELIB_PLATFORM win32)
  set(msi_guids_machine AB713AD9-9C42-46B5-8A6A-CDCA8CC592CE 6A36F742-DF84-4E1B-9674-7710F475A5A9
                        04638C0C-6F70-4032-8080-3C9EA1A17D13 72A638B3-068F-4359-BF56-539597AA969D)
  set(msi_guids_user 695D9E03-2364-43E8-8BF3-5CF5548E1384 3C1FF9B2-B8D1-4269-B853-7E715211A4D4
                     F693DE47-112D-4478-A557-1BBAC31DBEF5 9C48747B-389C-451E-884D-6B4F5B96F0C2)
endif()

set(msi_dir ${CMAKE_BINARY_DIR}/installer)
set(msi_outputs)
foreach(scope machine user)
  list(GET msi_guids_${scope} 0 MSI_UPGRADE_CODE)
  list(GET msi_guids_${scope} 1 MSI_SERVER_GUID)
  list(GET msi_guids_${scope} 2 MSI_TOOL_GUID)
  list(GET msi_guids_${scope} 3 MSI_README_GUID)
  if(scope STREQUAL machine)
    set(msi_name morvane-${PROJECT_VERSION}-${MSI_ARCH}.msi)
    set(MSI_SCOPE perMachine)
    set(MSI_TITLE "")
    # The machine's classes, HKEY_LOCAL_MACHINE\Software\Classes.
    set(MSI_ROOT HKCR)
    set(MSI_CLASSES "")
    set(MSI_FOLDERS_OPEN "<Directory Id=\"${msi_program_files}\">")
    set(MSI_FOLDERS_CLOSE "</Directory>")
    set(MSI_REMOVE_FOLDERS "")
  else()
    set(msi_name morvane-${PROJECT_VERSION}-${MSI_ARCH}-user.msi)
    set(MSI_SCOPE perUser)
    set(MSI_TITLE ", for the current user")
    set(MSI_ROOT HKCU)
    set(MSI_CLASSES "Software\\Classes\\")
    set(MSI_FOLDERS_OPEN "<Directory Id=\"LocalAppDataFolder\">")
    set(MSI_FOLDERS_CLOSE "</Directory>")
    set(MSI_REMOVE_FOLDERS
        "<RemoveFolder Id=\"RemoveInstallFolder\" On=\"uninstall\"/>")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/server/installer/morvane.wxs.in
                 ${msi_dir}/${scope}/morvane.wxs @ONLY)
  if(MORVANE_WIXL AND TARGET morvane)
    # wixl takes the files from paths relative to its working folder, one
    # folder per package (the two packages may be made at the same time).
    add_custom_command(
      OUTPUT ${CMAKE_BINARY_DIR}/${msi_name}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${msi_dir}/${scope}/files
      COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:morvane_server> $<TARGET_FILE:morvane>
              ${PROJECT_SOURCE_DIR}/README.md ${msi_dir}/${scope}/files/
      COMMAND ${MORVANE_WIXL} --arch ${MSI_ARCH} -o ${CMAKE_BINARY_DIR}/${msi_name}
              morvane.wxs
      WORKING_DIRECTORY ${msi_dir}/${scope}
      DEPENDS morvane_server morvane ${msi_dir}/${scope}/morvane.wxs
              ${PROJECT_SOURCE_DIR}/README.md
      COMMENT "Windows Installer package ${msi_name}"
      VERBATIM)
    list(APPEND msi_outputs ${CMAKE_BINARY_DIR}/${msi_name})
  endif()
endforeach()

if(msi_outputs)
  add_custom_target(msi DEPENDS ${msi_outputs})
else()
  add_custom_target(msi
    COMMAND ${CMAKE_COMMAND} -E echo "msi needs wixl (Debian package wixl) and the morvane tool"
    COMMAND ${CMAKE_COMMAND} -E false)
endif()

# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer of torvan-cli (NSIS): `cpack -G NSIS` in the build
# folder of the windows preset makes torvan-cli-<version>-win64.exe. It
# installs into Program Files\Torvan, offers to put its bin folder on the
# PATH, and registers an uninstaller under Apps.
if(NOT TARGET torvan-cli)
  return()
endif()

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/res/samples/ibm.txt
        DESTINATION . COMPONENT cli)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME torvan-cli)
set(CPACK_PACKAGE_VENDOR "The Torvan developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Converts daily price text files into MetaStock-format price databases")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Torvan)
set(CPACK_PACKAGE_FILE_NAME torvan-cli-${PROJECT_VERSION}-win64)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL cli)
set(CPACK_NSIS_DISPLAY_NAME "Torvan command-line tool ${PROJECT_VERSION}")
set(CPACK_NSIS_PACKAGE_NAME "Torvan command-line tool")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# A command-line tool is found through PATH: the installer asks.
set(CPACK_NSIS_MODIFY_PATH ON)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_URL_INFO_ABOUT "https://torvan.example.org/")
include(CPack)

# The setup program (CPack's NSIS generator, makensis from Debian's nsis):
# installs into Program Files\TesraConfig (administrator rights; the folder
# page offers another), a Start menu shortcut "TesraConfig", a desktop
# shortcut when ticked, the .usr registration (nsis/registration.nsh) and an
# uninstaller in the list of installed programs. The uninstaller removes only
# what the setup installed: the user's projects, backups and settings are
# elsewhere and stay.
set(CPACK_PACKAGE_INSTALL_DIRECTORY TesraConfig)
# The setup's own key, Software\<vendor>\<this>, which the uninstaller deletes:
# named apart from the program's settings key, which must stay.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "TesraConfig Setup")
set(CPACK_NSIS_PACKAGE_NAME TesraConfig)
set(CPACK_NSIS_DISPLAY_NAME TesraConfig)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_PACKAGE_EXECUTABLES tesraconfig TesraConfig)
set(CPACK_CREATE_DESKTOP_LINKS tesraconfig)
# The options page, with the desktop shortcut's tick box (nsis/NSIS.InstallOptions.ini.in).
set(CPACK_NSIS_MODIFY_PATH ON)
set(CPACK_NSIS_INSTALLED_ICON_NAME tesraconfig.exe)
set(CPACK_NSIS_MUI_ICON ${TESRA_ICON})
set(CPACK_NSIS_MUI_UNIICON ${TESRA_ICON})
# A setup run over an installed copy removes that copy first (silently with /S).
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
set(CPACK_NSIS_DEFINES "!include /CHARSET=UTF8 '${PROJECT_SOURCE_DIR}/cmake/nsis/registration.nsh'")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!insertmacro TesraRegisterProjects")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "!insertmacro TesraUnregisterProjects")

# CMake's own script, made a 64-bit Unicode installer: the file type's Russian
# name needs Unicode, and a 64-bit setup for the 64-bit program sees the
# 64-bit registry and Program Files as they are. With the options page above;
# cpack finds both on its module path.
set(nsis_templates ${PROJECT_BINARY_DIR}/nsis)
file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in template)
string(REPLACE "; CPack install script designed for a nmake build" "Target amd64-unicode" template "${template}")
if(NOT template MATCHES "Target amd64-unicode")
  message(FATAL_ERROR "CMake's NSIS.template.in has changed: the setup program cannot be made Unicode")
endif()
file(WRITE ${nsis_templates}/NSIS.template.in "${template}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/nsis/NSIS.InstallOptions.ini.in
  ${nsis_templates}/NSIS.InstallOptions.ini.in COPYONLY)
set(CPACK_MODULE_PATH ${nsis_templates})

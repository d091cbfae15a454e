# The Windows package: `cmake --build build-win64 --target package` makes
# TesraConfig-<version>-win64.zip, a folder that runs from wherever it is
# unzipped: tesraconfig.exe and tesraconfig-cli.exe, the Qt DLLs it loads, the windows platform plugin,
# the Windows styles and MinGW's run-time DLLs, and nothing else. Qt looks for
# its plugins beside the executable too, so platforms/ and styles/ sit there.
install(TARGETS tesraconfig tesraconfig-cli RUNTIME DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets> DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
if(MINGW)
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
      OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
      message(FATAL_ERROR "MinGW's ${dll} was not found (${CMAKE_CXX_COMPILER} -print-file-name)")
    endif()
    get_filename_component(path "${path}" REALPATH)
    install(FILES "${path}" DESTINATION .)
  endforeach()
endif()

# The DLLs are copied as they come (Debian's MinGW run time carries its debug
# information); the package gets them stripped, as the executable is.
if(CMAKE_STRIP)
  install(CODE "
    file(GLOB_RECURSE dlls \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\")
    foreach(dll IN LISTS dlls)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${dll}\" RESULT_VARIABLE rc)
      if(NOT rc EQUAL 0)
        message(FATAL_ERROR \"could not strip \${dll}\")
      endif()
    endforeach()
  ")
endif()

# The executable's icon and version resource, from the one version number.
enable_language(RC)
set(TESRA_VENDOR TesraConfig)
set(TESRA_ICON ${PROJECT_SOURCE_DIR}/app/tesraconfig.ico)
configure_file(${PROJECT_SOURCE_DIR}/app/tesraconfig.rc.in ${PROJECT_BINARY_DIR}/app/tesraconfig.rc @ONLY)
target_sources(tesraconfig PRIVATE ${PROJECT_BINARY_DIR}/app/tesraconfig.rc)

# Two artifacts from the same installed files: the zip, and a setup program
# (NSIS, TesraConfig-<version>-win64-setup.exe, named in CPackOptions.cmake).
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME TesraConfig)
set(CPACK_PACKAGE_VENDOR ${TESRA_VENDOR})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# Debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/nsis/CPackOptions.cmake)

include(cmake/NsisSetup.cmake)
include(CPack)

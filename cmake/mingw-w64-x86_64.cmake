# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 compilers and the
# Windows Qt that scripts/windows-qt.sh makes:
#   cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#     -DTESRA_WINDOWS_QT=$(scripts/windows-qt.sh)
# The -posix compilers are used because the win32 thread model has no std::thread.
# Programs link the compiler's run-time DLLs, as Qt's DLLs do; tests run through
# cmake/wine-run.sh with those folders and Qt's on Wine's DLL path, and the
# package carries the DLLs beside the program.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESRA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESRA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESRA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TESRA_MINGW_TRIPLE}-windres)

# try_compile projects read this file again; they need the Qt folder too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TESRA_WINDOWS_QT)
set(TESRA_WINDOWS_QT "" CACHE PATH "The Windows Qt (scripts/windows-qt.sh prints it)")

# Libraries and headers come from the MinGW sysroot and the Windows Qt only,
# programs from the host: moc, rcc and uic are Debian's, of the same 6.4.2.
set(CMAKE_FIND_ROOT_PATH /usr/${TESRA_MINGW_TRIPLE})
if(TESRA_WINDOWS_QT)
  list(APPEND CMAKE_FIND_ROOT_PATH ${TESRA_WINDOWS_QT})
  list(APPEND CMAKE_PREFIX_PATH ${TESRA_WINDOWS_QT})
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The folders of MinGW's run-time DLLs (libstdc++-6, libgcc_s_seh-1, libwinpthread-1).
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
  OUTPUT_VARIABLE _tesra_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(TESRA_MINGW_GCC_DLL_DIR "${_tesra_libstdcxx}" DIRECTORY)
set(TESRA_MINGW_DLL_DIRS ${TESRA_MINGW_GCC_DLL_DIR} /usr/${TESRA_MINGW_TRIPLE}/lib)
set(_tesra_dll_path ${TESRA_MINGW_DLL_DIRS})
if(TESRA_WINDOWS_QT)
  list(APPEND _tesra_dll_path ${TESRA_WINDOWS_QT}/bin)
endif()
string(REPLACE ";" ":" _tesra_dll_path "${_tesra_dll_path}")

# ctest and gtest_discover_tests run each .exe through Wine. The wrapper gives
# Wine the prefix inside the build tree unless WINEPREFIX is set already, puts
# the DLL folders on Wine's path, and turns the CRLF line ends of the programs'
# text-mode output back into LF.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wine ${_tesra_dll_path})

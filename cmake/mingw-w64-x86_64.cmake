# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 compilers:
#   cmake -S . -B build-win64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DTESRA_CORE_ONLY=ON
# The -posix compilers are used because the win32 thread model has no std::thread.
# The programs are linked statically so that they run under Wine without the
# compiler's DLLs beside them, and tests run through cmake/wine-run.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESRA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESRA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESRA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TESRA_MINGW_TRIPLE}-windres)

# Libraries and headers come from the MinGW sysroot only, programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TESRA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread go into each .exe.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# ctest and gtest_discover_tests run each .exe through Wine. The wrapper gives
# Wine the prefix inside the build tree unless WINEPREFIX is set already, and
# turns the CRLF line ends of the programs' text-mode output back into LF.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${CMAKE_BINARY_DIR}/wine)

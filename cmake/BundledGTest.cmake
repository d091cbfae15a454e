# GoogleTest built from source inside the build tree, with the target names an
# installed GoogleTest's find_package(GTest) gives: GTest::gtest, GTest::gtest_main,
# GTest::gmock, GTest::gmock_main. Debian's package `googletest` puts the sources
# in /usr/src/googletest; elsewhere pass -DTESRA_GTEST_SOURCE_DIR=...
set(TESRA_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build when no installed GoogleTest fits the target")
if(NOT EXISTS ${TESRA_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest for this target: none was found installed and there are no sources at "
    "${TESRA_GTEST_SOURCE_DIR} (Debian: apt-get install googletest; otherwise set TESRA_GTEST_SOURCE_DIR)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
# MSVC: the DLL C runtime, as everything else here uses.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${TESRA_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(lib gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${lib})
    add_library(GTest::${lib} ALIAS ${lib})
  endif()
endforeach()

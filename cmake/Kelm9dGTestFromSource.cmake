# GoogleTest for a cross build: nothing is installed for the target, so it is
# built here from the sources Debian's googletest package puts in /usr/src.
# No network is involved. Its own aliases GTest::gtest and GTest::gtest_main
# are what kelm9d_test links.
set(KELM9D_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
if(NOT EXISTS ${KELM9D_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${KELM9D_GTEST_SOURCE_DIR}: "
                      "install the Debian package googletest")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${KELM9D_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

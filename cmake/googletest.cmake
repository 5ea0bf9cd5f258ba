# GoogleTest is built from its sources for both builds (Debian's googletest
# package ships them in /usr/src/googletest), so no prebuilt library is needed.
# Sets rdc_have_gtest; without the sources only the product is built.
set(RDC_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build the tests with")
if(NOT EXISTS ${RDC_GTEST_SOURCE_DIR}/CMakeLists.txt)
  message(STATUS "No GoogleTest sources at ${RDC_GTEST_SOURCE_DIR}: building the program only")
  set(rdc_have_gtest OFF)
  return()
endif()
set(rdc_have_gtest ON)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${RDC_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# Native (Linux) build: the portable code and its tests.
include(cmake/googletest.cmake)
if(NOT rdc_have_gtest)
  message(FATAL_ERROR "The native build is the portable code's tests: it needs GoogleTest's sources (Debian: googletest)")
endif()

file(GLOB rdc_native_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(rdc_native_tests ${rdc_native_tests})
target_link_libraries(rdc_native_tests PRIVATE rdc_portable GTest::gtest_main GTest::gmock)
target_compile_definitions(rdc_native_tests PRIVATE RDC_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(rdc_native_tests)

file(GLOB rdc_benchmarks CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
list(FILTER rdc_benchmarks EXCLUDE REGEX "_win32\\.cpp$")
foreach(bench ${rdc_benchmarks})
  get_filename_component(name ${bench} NAME_WE)
  add_executable(${name} ${bench})
  target_link_libraries(${name} PRIVATE rdc_portable)
endforeach()

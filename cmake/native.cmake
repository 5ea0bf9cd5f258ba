# Native (Linux) build: the portable code and its tests.
include(cmake/googletest.cmake)
if(NOT rdc_have_gtest)
  message(FATAL_ERROR "The native build is the portable code's tests: it needs GoogleTest's sources (Debian: googletest)")
endif()

# The ThreadSanitizer build (preset tsan) runs the status sweeps' stress test alone.
if(RDC_STRESS_ONLY)
  file(GLOB rdc_stress_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/stress/*.cpp)
  add_executable(rdc_stress_tests ${rdc_stress_tests})
  target_include_directories(rdc_stress_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/native)
  target_link_libraries(rdc_stress_tests PRIVATE rdc_portable GTest::gtest_main)
  gtest_discover_tests(rdc_stress_tests)
  return()
endif()

file(GLOB rdc_native_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(rdc_native_tests ${rdc_native_tests})
target_link_libraries(rdc_native_tests PRIVATE rdc_portable GTest::gtest_main GTest::gmock)
target_compile_definitions(rdc_native_tests PRIVATE RDC_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(rdc_native_tests)

# Benchmarks of portable code print their figures; built on demand (target
# rdc_native_bench), run by tools/bench.
file(GLOB rdc_native_benchmarks CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
list(FILTER rdc_native_benchmarks EXCLUDE REGEX "_win32\\.cpp$")
add_custom_target(rdc_native_bench)
foreach(bench ${rdc_native_benchmarks})
  get_filename_component(name ${bench} NAME_WE)
  add_executable(${name} EXCLUDE_FROM_ALL ${bench})
  target_link_libraries(${name} PRIVATE rdc_portable)
  add_dependencies(rdc_native_bench ${name})
endforeach()

# One libFuzzer target per parser, built only by the sanitize preset.
if(RDC_SANITIZE)
  file(GLOB rdc_fuzz_targets CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*_fuzz.cpp)
  foreach(target_source ${rdc_fuzz_targets})
    get_filename_component(name ${target_source} NAME_WE)
    add_executable(${name} ${target_source})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz)
    target_link_libraries(${name} PRIVATE rdc_portable)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  endforeach()
endif()

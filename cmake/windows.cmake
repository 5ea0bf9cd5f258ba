# Windows build: the program, its Windows-side tests and the end-to-end tests.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
if(NOT MSVC)
  # No DLL beyond the system's: the C and C++ runtimes and winpthreads go in statically.
  add_link_options(-static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-s>)
endif()
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

set(rdc_system_libs comctl32 user32 gdi32 advapi32 ole32)
# What an empty start does not need is loaded when first called: the
# importers' XML reader and cryptography, the file dialogs, the shell, the
# sockets of the sweeps. Each list of exports the program calls is in
# cmake/delay-load/NAME.def; a call of another export fails to link.
set(rdc_delay_loaded bcrypt comdlg32 crypt32 shell32 shlwapi ws2_32 xmllite)
if(MINGW)
  # mingw-w64 ships no delay-import libraries (nor any import library for
  # xmllite.dll): they are made from the lists.
  foreach(dll ${rdc_delay_loaded})
    set(def ${CMAKE_SOURCE_DIR}/cmake/delay-load/${dll}.def)
    set(library ${CMAKE_BINARY_DIR}/import-libs/lib${dll}-delay.a)
    add_custom_command(OUTPUT ${library}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/import-libs
      COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll}.dll --output-delaylib ${library}
      DEPENDS ${def}
      COMMENT "Delay-import library for ${dll}.dll")
    list(APPEND rdc_delay_libraries ${library})
  endforeach()
  add_custom_target(rdc_delay_import_libraries DEPENDS ${rdc_delay_libraries})
  list(APPEND rdc_system_libs ${rdc_delay_libraries} delayimp)
else()
  list(APPEND rdc_system_libs ${rdc_delay_loaded} delayimp)
  foreach(dll ${rdc_delay_loaded})
    add_link_options(/DELAYLOAD:${dll}.dll)
  endforeach()
endif()

set(rdc_win32_sources ${rdc_sources})
list(FILTER rdc_win32_sources INCLUDE REGEX "_win32\\.cpp$")
list(FILTER rdc_win32_sources EXCLUDE REGEX "/src/app/main_win32\\.cpp$")
add_library(rdc_win32 STATIC ${rdc_win32_sources})
target_link_libraries(rdc_win32 PUBLIC rdc_portable ${rdc_system_libs})
if(MINGW)
  add_dependencies(rdc_win32 rdc_delay_import_libraries)
endif()

# The resources (manifest, icons, version) go into every executable that opens our windows.
set(rdc_resources ${CMAKE_SOURCE_DIR}/src/ui/resources/rdconnect.rc)
# The version resource takes the project's version from a generated header.
configure_file(${CMAKE_SOURCE_DIR}/cmake/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)
# The pictures and the manifest are named in the .rc: a change to one rebuilds it.
file(GLOB rdc_resource_files CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/resources/*.ico
     ${CMAKE_SOURCE_DIR}/src/ui/resources/*.bmp ${CMAKE_SOURCE_DIR}/src/ui/resources/*.manifest)
set_source_files_properties(${rdc_resources} PROPERTIES
  INCLUDE_DIRECTORIES ${CMAKE_BINARY_DIR}/generated
  OBJECT_DEPENDS "${CMAKE_BINARY_DIR}/generated/version.h;${rdc_resource_files}")

add_executable(rdconnect WIN32 ${CMAKE_SOURCE_DIR}/src/app/main_win32.cpp ${rdc_resources})
target_link_libraries(rdconnect PRIVATE rdc_win32)
if(NOT MSVC)
  target_link_options(rdconnect PRIVATE -municode)
endif()

# Tests run under Wine when cross-compiling; on Windows they run directly.
if(CMAKE_CROSSCOMPILING)
  set(rdc_wineprefix ${CMAKE_BINARY_DIR}/wineprefix)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run --prefix ${rdc_wineprefix} --)
  add_test(NAME wine_server_start
           COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-run --prefix ${rdc_wineprefix} --start)
  add_test(NAME wine_server_stop
           COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-run --prefix ${rdc_wineprefix} --stop)
  set_tests_properties(wine_server_start PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine_server_stop PROPERTIES FIXTURES_CLEANUP wine)
  # The second machine of the end-to-end tests of a shared ms.ini: a prefix of
  # its own (a Wine server of its own), started by the tests that need it.
  add_test(NAME wine_other_stop
           COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-run --prefix ${CMAKE_BINARY_DIR}/wineprefix-other --stop)
  set_tests_properties(wine_other_stop PROPERTIES FIXTURES_CLEANUP wine)

  # A prefix of its own whose display is at 144 DPI (150%): the scaled layouts are
  # tested there, and no test in the shared prefix ever sees that DPI.
  set(rdc_wine_dpi144 ${CMAKE_SOURCE_DIR}/tools/wine-run
      --prefix ${CMAKE_BINARY_DIR}/wineprefix-dpi144 --dpi 144)
  add_test(NAME wine_dpi144_start COMMAND ${rdc_wine_dpi144} --start)
  add_test(NAME wine_dpi144_stop COMMAND ${rdc_wine_dpi144} --stop)
  set_tests_properties(wine_dpi144_start PROPERTIES FIXTURES_SETUP wine_dpi144)
  set_tests_properties(wine_dpi144_stop PROPERTIES FIXTURES_CLEANUP wine_dpi144)
endif()

include(cmake/googletest.cmake)
if(NOT rdc_have_gtest)
  return()
endif()

function(rdc_add_wine_tests target)
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES FIXTURES_REQUIRED wine ${ARGN})
endfunction()

# Files and folders helpers shared by the Windows and the end-to-end tests.
file(GLOB rdc_test_support CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(rdc_test_support STATIC ${rdc_test_support})
target_include_directories(rdc_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(rdc_test_support PUBLIC ws2_32 iphlpapi crypt32 shell32)

file(GLOB rdc_win_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp)
add_executable(rdc_win_tests ${rdc_win_tests} ${rdc_resources})
target_link_libraries(rdc_win_tests PRIVATE rdc_win32 rdc_test_support GTest::gtest_main GTest::gmock
                      version)
target_include_directories(rdc_win_tests PRIVATE ${CMAKE_BINARY_DIR}/generated)
# Tests share the registry and the temporary folder of one Wine prefix.
rdc_add_wine_tests(rdc_win_tests RESOURCE_LOCK wine_user)
if(CMAKE_CROSSCOMPILING)
  # The layouts once more at 150%, in the 144-DPI prefix; the tests check they see 144.
  add_test(NAME ScaledLayout.At144Dpi
           COMMAND ${rdc_wine_dpi144} -- $<TARGET_FILE:rdc_win_tests> --gtest_filter=ScaledLayout.*)
  set_tests_properties(ScaledLayout.At144Dpi PROPERTIES
    FIXTURES_REQUIRED wine_dpi144 ENVIRONMENT RDC_EXPECTED_DPI=144)
endif()

# End to end: the real exe, started in a fresh folder and driven from outside.
file(GLOB rdc_e2e_tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp)
if(rdc_e2e_tests)
  add_executable(rdc_e2e_tests ${rdc_e2e_tests})
  target_link_libraries(rdc_e2e_tests PRIVATE rdc_win32 rdc_test_support GTest::gtest_main)
  add_dependencies(rdc_e2e_tests rdconnect)
  rdc_add_wine_tests(rdc_e2e_tests RESOURCE_LOCK wine_user
                     ENVIRONMENT RDC_WINE_RUN=${CMAKE_SOURCE_DIR}/tools/wine-run)
endif()

# Benchmarks print their figures beside their floors; built on demand (target
# rdc_bench). Those that drive the real exe use the end-to-end driver.
file(GLOB rdc_benchmarks CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*_win32.cpp)
add_custom_target(rdc_bench)
foreach(bench ${rdc_benchmarks})
  get_filename_component(name ${bench} NAME_WE)
  string(REGEX REPLACE "_win32$" "" name ${name})
  add_executable(${name} EXCLUDE_FROM_ALL ${bench} ${CMAKE_SOURCE_DIR}/tests/e2e/driver_win32.cpp
                 ${rdc_resources})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/e2e)
  # The floors call the system directly, also what the program loads only
  # when first called (bcrypt's own PBKDF2, for one).
  target_link_libraries(${name} PRIVATE rdc_win32 rdc_test_support psapi bcrypt)
  if(NOT MSVC)
    target_link_options(${name} PRIVATE -municode)
  endif()
  add_dependencies(${name} rdconnect bare_window bare_main_window)
  add_dependencies(rdc_bench ${name})
endforeach()
# The floor of the program's start-up and memory, started by the benchmarks
# beside the program: a bare window with one list view, and nothing else.
add_executable(bare_window WIN32 EXCLUDE_FROM_ALL
               ${CMAKE_SOURCE_DIR}/bench/bare_window/bare_window_win32.cpp ${rdc_resources})
target_include_directories(bare_window PRIVATE ${CMAKE_SOURCE_DIR}/bench)
target_link_libraries(bare_window PRIVATE comctl32)
# The same for the program's own window: its design's controls, fonts and
# texts, created by plain calls and painted, and nothing else.
add_executable(bare_main_window WIN32 EXCLUDE_FROM_ALL
               ${CMAKE_SOURCE_DIR}/bench/bare_window/bare_main_window_win32.cpp ${rdc_resources})
target_link_libraries(bare_main_window PRIVATE rdc_win32)
foreach(floor bare_window bare_main_window)
  if(NOT MSVC)
    target_link_options(${floor} PRIVATE -municode)
  endif()
endforeach()

# The recording stand-in for mstsc.exe that the end-to-end tests put beside the exe.
file(GLOB rdc_fake_mstsc CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/fake_mstsc/*.cpp)
if(rdc_fake_mstsc)
  add_executable(fake_mstsc ${rdc_fake_mstsc})
  if(rdc_e2e_tests)
    add_dependencies(rdc_e2e_tests fake_mstsc)
  endif()
endif()

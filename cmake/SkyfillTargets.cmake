# skyfill_folder_library(<name> [DEPS <targets>...])
# One static library per source folder, built from every .cpp below it.
# Each folder names only the folders beneath it in DEPS, so the graph has no cycles.
function(skyfill_folder_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  if(srcs)
    add_library(skyfill_${name} STATIC ${srcs})
    target_include_directories(skyfill_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(skyfill_${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(skyfill_${name} INTERFACE)
    target_include_directories(skyfill_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(skyfill_${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# The time one test may take before ctest stops it: every test takes a few seconds at most, so a test that
# hangs fails soon; the sanitizer builds run several times slower.
if(SKYFILL_ASAN OR SKYFILL_TSAN)
  set(SKYFILL_TEST_TIMEOUT 120)
else()
  set(SKYFILL_TEST_TIMEOUT 30)
endif()

# skyfill_folder_tests(<folder> [DEPS <targets>...])
# One GoogleTest executable per test folder, run by ctest.
function(skyfill_folder_tests folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  set(exe test_${folder})
  add_executable(${exe} ${srcs})
  target_link_libraries(${exe} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${exe} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${exe} PRIVATE
    SKYFILL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    SKYFILL_BINARY_DIR="${PROJECT_BINARY_DIR}"
    SKYFILL_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${exe} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    TEST_PREFIX "${folder}." PROPERTIES LABELS ${folder} TIMEOUT ${SKYFILL_TEST_TIMEOUT})
endfunction()

# skyfill_sanitized_tests(<folder> SOURCES <files>... [DEPS <targets>...])
# A second test executable of a folder, test_<folder>_sanitized, for the robustness suites of its readers:
# the given sources (test and reader, relative to the project) built with the address and undefined-
# behaviour sanitizers, the rest of the program from DEPS. Not made beside ThreadSanitizer, nor when the
# folder has no tests.
function(skyfill_sanitized_tests folder)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT TARGET test_${folder} OR SKYFILL_TSAN)
    return()
  endif()
  set(exe test_${folder}_sanitized)
  list(TRANSFORM ARG_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/)
  add_executable(${exe} ${ARG_SOURCES})
  target_include_directories(${exe} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${exe} PRIVATE SKYFILL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_compile_options(${exe} PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(${exe} PRIVATE -fsanitize=address,undefined)
  target_link_libraries(${exe} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${exe} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    TEST_PREFIX "${folder}_sanitized." PROPERTIES LABELS ${folder} TIMEOUT 300)
endfunction()

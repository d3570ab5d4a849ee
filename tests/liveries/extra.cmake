# The robustness test of the livery readers, built with the address and undefined-behaviour sanitizers
# around the readers' own sources (the rest of the program comes from the normal libraries).
if(TARGET test_liveries AND NOT SKYFILL_TSAN)
  add_executable(test_liveries_sanitized
    ${PROJECT_SOURCE_DIR}/tests/liveries/LiveryReadersRobustnessTest.cpp
    ${PROJECT_SOURCE_DIR}/liveries/LiveryList.cpp
    ${PROJECT_SOURCE_DIR}/liveries/Regcodes.cpp)
  target_include_directories(test_liveries_sanitized PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(test_liveries_sanitized PRIVATE SKYFILL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_compile_options(test_liveries_sanitized PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all
                         -fno-omit-frame-pointer)
  target_link_options(test_liveries_sanitized PRIVATE -fsanitize=address,undefined)
  target_link_libraries(test_liveries_sanitized PRIVATE skyfill_liveries GTest::gtest GTest::gtest_main)
  gtest_discover_tests(test_liveries_sanitized DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    TEST_PREFIX "liveries_sanitized." PROPERTIES LABELS liveries TIMEOUT 300)
endif()

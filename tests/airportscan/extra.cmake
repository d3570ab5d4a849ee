# The airport-scan tests write scenery files with the BGL writer of tools/bglgen.
if(TARGET test_airportscan)
  target_link_libraries(test_airportscan PRIVATE skyfill_bglwriter)
endif()
# The corpus of damaged scenery files and manifests, built with the address and undefined-behaviour
# sanitizers (not beside ThreadSanitizer).
if(TARGET test_airportscan AND NOT SKYFILL_TSAN)
  add_executable(test_airportscan_sanitized
    ${PROJECT_SOURCE_DIR}/tests/airportscan/CorpusTest.cpp
    ${PROJECT_SOURCE_DIR}/airportscan/BglDecoder.cpp
    ${PROJECT_SOURCE_DIR}/airportscan/ManifestParse.cpp)
  target_include_directories(test_airportscan_sanitized PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(test_airportscan_sanitized PRIVATE SKYFILL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_compile_options(test_airportscan_sanitized PRIVATE -fsanitize=address,undefined -fno-sanitize-recover=all
                         -fno-omit-frame-pointer)
  target_link_options(test_airportscan_sanitized PRIVATE -fsanitize=address,undefined)
  target_link_libraries(test_airportscan_sanitized PRIVATE fmt::fmt nlohmann_json::nlohmann_json GTest::gtest
                        GTest::gtest_main)
  gtest_discover_tests(test_airportscan_sanitized DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    TEST_PREFIX "airportscan_sanitized." PROPERTIES LABELS airportscan TIMEOUT 300)
endif()

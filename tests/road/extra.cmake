# The road scenarios run the built program beside the stand-ins in real time, on ports of their own; they run
# alone (RUN_SERIAL) so that the timing of a loaded machine stays theirs, and need the program built first.
# A sanitized program takes minutes to start up: the sanitizer builds leave them out.
if(NOT SKYFILL_ASAN AND NOT SKYFILL_TSAN AND TARGET skyfill_app AND TARGET skyfill_simstandin AND TARGET skyfill_rtreplay AND TARGET skyfill_dlserver)
  add_executable(test_road ${CMAKE_CURRENT_LIST_DIR}/RoadScenariosTest.cpp)
  target_link_libraries(test_road PRIVATE skyfill_core skyfill_simstandin skyfill_rtreplay skyfill_dlserver
                                          pugixml::pugixml
                                          GTest::gtest GTest::gtest_main)
  target_include_directories(test_road PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(test_road PRIVATE SKYFILL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                               SKYFILL_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_dependencies(test_road skyfill skyfill_download_folder)
  gtest_discover_tests(test_road DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_PREFIX "road."
                       PROPERTIES LABELS road TIMEOUT 1200 RUN_SERIAL TRUE)
endif()

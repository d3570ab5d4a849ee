# The program in its main cycle, in-process beside the simulator stand-in in real time and the download-server
# stand-in with the built downloads: a test program of its own, for its longer limit (three starts of the program).
if(TARGET skyfill_app AND TARGET skyfill_simstandin AND TARGET skyfill_dlserver)
  add_executable(test_mainloop ${CMAKE_CURRENT_LIST_DIR}/MainLoopTest.cpp)
  target_link_libraries(test_mainloop PRIVATE skyfill_app skyfill_simstandin skyfill_dlserver
                                              GTest::gtest GTest::gtest_main)
  target_include_directories(test_mainloop PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(test_mainloop PRIVATE SKYFILL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                                   SKYFILL_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_dependencies(test_mainloop skyfill skyfill_download_folder)
  if(TARGET simstandin)
    add_dependencies(test_mainloop simstandin)
  endif()
  gtest_discover_tests(test_mainloop DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 TEST_PREFIX "app."
                       PROPERTIES LABELS app TIMEOUT 180)
endif()

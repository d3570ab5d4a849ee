# The feed's tests talk to the traffic replayer, run on threads of their own.
if(TARGET test_feed AND TARGET skyfill_rtreplay)
  target_link_libraries(test_feed PRIVATE skyfill_rtreplay)
endif()
# The robustness tests run the fuzz targets' checks (fuzz/FeedFuzzTargets.h).
if(TARGET test_feed)
  target_include_directories(test_feed PRIVATE ${PROJECT_SOURCE_DIR})
endif()
# Skyfill against the traffic replayer and the stand-ins, as separate processes (needs the program folder,
# the stand-ins and the served downloads of the build).
if(TARGET rtreplay AND TARGET simstandin AND TARGET dlserver)
  add_test(NAME tools.RtReplayEndToEnd
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/tools/rtreplay_e2e.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(tools.RtReplayEndToEnd PROPERTIES LABELS tools TIMEOUT 300)
endif()
# The flood table runs the simulator stand-in on a thread of its own, beside the readers.
if(TARGET test_feed AND TARGET skyfill_simstandin)
  target_link_libraries(test_feed PRIVATE skyfill_simstandin)
  target_compile_definitions(test_feed PRIVATE SKYFILL_HAVE_SIMSTANDIN=1)
endif()

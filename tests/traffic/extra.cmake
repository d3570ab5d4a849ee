# The engine tests drive the engine in lock-step with the simulator stand-in on a thread of their own.
if(TARGET test_traffic AND TARGET skyfill_simstandin)
  target_link_libraries(test_traffic PRIVATE skyfill_simstandin)
  target_compile_definitions(test_traffic PRIVATE SKYFILL_HAVE_SIMSTANDIN=1)
endif()
# The park airport's archived stand files come from the download-server stand-in over loopback.
if(TARGET test_traffic)
  target_link_libraries(test_traffic PRIVATE skyfill_dlserver)
endif()

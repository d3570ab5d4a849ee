# The feed's tests talk to the traffic replayer, run on threads of their own.
if(TARGET test_feed AND TARGET skyfill_rtreplay)
  target_link_libraries(test_feed PRIVATE skyfill_rtreplay)
endif()

# The simulator-link tests run the simulator stand-in on a thread of their own.
if(TARGET test_sim AND TARGET skyfill_simstandin)
  target_link_libraries(test_sim PRIVATE skyfill_simstandin)
  target_compile_definitions(test_sim PRIVATE SKYFILL_HAVE_SIMSTANDIN=1)
endif()

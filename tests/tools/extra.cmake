# The simulator stand-in library for the tests of tools/.
if(TARGET test_tools AND TARGET skyfill_simstandin)
  target_link_libraries(test_tools PRIVATE skyfill_simstandin)
endif()

# The simulator stand-in library for the tests of tools/.
if(TARGET test_tools AND TARGET skyfill_simstandin)
  target_link_libraries(test_tools PRIVATE skyfill_simstandin)
endif()
# The data tool's tests run the tool itself.
if(TARGET test_tools AND TARGET skyfill-data)
  add_dependencies(test_tools skyfill-data)
endif()
# The check of how the build makes the served downloads asks the build tool itself.
if(TARGET test_tools)
  target_compile_definitions(test_tools PRIVATE SKYFILL_MAKE_PROGRAM="${CMAKE_MAKE_PROGRAM}"
                                                SKYFILL_GENERATOR="${CMAKE_GENERATOR}")
endif()
# The Community-folder maker of the livery scan.
if(TARGET test_tools AND TARGET skyfill_communitygen)
  target_link_libraries(test_tools PRIVATE skyfill_communitygen)
endif()
# The run script's test starts the program and its stand-ins as `./skyfill.sh run` does.
if(TARGET test_tools)
  foreach(t skyfill simstandin dlserver skyfill_sample_data skyfill_download_folder apf_archive sample_airports
            sample_liveries)
    if(TARGET ${t})
      add_dependencies(test_tools ${t})
    endif()
  endforeach()
endif()
# The traffic replayer's load and its park airport.
if(TARGET test_tools AND TARGET skyfill_rtreplay)
  target_link_libraries(test_tools PRIVATE skyfill_rtreplay)
endif()
# The benchmark table's reader.
if(TARGET test_tools AND TARGET skyfill_benchtable)
  target_link_libraries(test_tools PRIVATE skyfill_benchtable)
endif()

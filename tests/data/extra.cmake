# The data tests download from the download-server stand-in over loopback.
if(TARGET test_data)
  target_link_libraries(test_data PRIVATE skyfill_dlserver)
endif()

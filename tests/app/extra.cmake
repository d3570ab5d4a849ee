# The shell's end-to-end tests run the update check against the download-server stand-in.
if(TARGET test_app AND TARGET skyfill_dlserver)
  target_link_libraries(test_app PRIVATE skyfill_dlserver)
endif()

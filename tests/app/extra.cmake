# The shell's end-to-end tests run the update check against the download-server stand-in.
if(TARGET test_app AND TARGET skyfill_dlserver)
  target_link_libraries(test_app PRIVATE skyfill_dlserver)
endif()
# The local run's downloads folder is checked against the update check.
if(TARGET test_app AND TARGET skyfill_download_folder)
  add_dependencies(test_app skyfill_download_folder)
endif()

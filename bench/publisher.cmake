# Publishing, driven by bench/publish_bench.sh together with `pagewright publish` and lftp
# against one pyftpdlib server: the window's upload-all path on the core, and the publish
# command without the program's start.
foreach(probe publish_upload_all publish_command_probe)
  add_executable(${probe} ${CMAKE_CURRENT_SOURCE_DIR}/${probe}.cpp)
  target_link_libraries(${probe} PRIVATE pw_publisher)
  set_target_properties(${probe} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endforeach()

# The publisher window's own "Upload ALL Files", offscreen, against the same server.
if(PW_GUI)
  add_executable(publish_window_upload_all ${CMAKE_CURRENT_SOURCE_DIR}/publish_window_upload_all.cpp)
  target_link_libraries(publish_window_upload_all PRIVATE pw_publisher_window pw_platform_testing)
  set_target_properties(publish_window_upload_all PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()

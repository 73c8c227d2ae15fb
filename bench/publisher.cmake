# Publishing, driven by bench/publish_bench.sh together with `pagewright publish` and lftp
# against one pyftpdlib server: the window's upload-all path on the core, and the publish
# command without the program's start.
foreach(probe publish_upload_all publish_command_probe)
  add_executable(${probe} ${CMAKE_CURRENT_SOURCE_DIR}/${probe}.cpp)
  target_link_libraries(${probe} PRIVATE pw_publisher)
  set_target_properties(${probe} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endforeach()

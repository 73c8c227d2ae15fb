# The page editor's text mode: tag colouring and the surface's save of a 200 KB section,
# against setting the same text uncoloured.
if(benchmark_FOUND AND PW_GUI)
  add_executable(editor_bench ${CMAKE_CURRENT_SOURCE_DIR}/editor_bench.cpp)
  target_include_directories(editor_bench PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(editor_bench PRIVATE pw_editor_window benchmark::benchmark Qt6::Test)
  set_target_properties(editor_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()

# Opening a 200 KB and a 20 MB section on the editing surface, against a bare browser view.
if(benchmark_FOUND AND PW_GUI)
  add_executable(editor_open_bench ${CMAKE_CURRENT_SOURCE_DIR}/editor_open_bench.cpp)
  target_include_directories(editor_open_bench PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(editor_open_bench PRIVATE pw_platform benchmark::benchmark Qt6::Test)
  set_target_properties(editor_open_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()

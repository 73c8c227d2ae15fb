# The page editor, each on the QApplication of qt_benchmark_main.cpp:
# - editor_bench: text mode's tag colouring and the surface's save of a 200 KB section,
#   against setting the same text uncoloured;
# - editor_open_bench: opening a 200 KB and a 20 MB section on the editing surface, against
#   a bare browser view.
if(benchmark_FOUND AND PW_GUI)
  foreach(bench editor_bench editor_open_bench)
    add_executable(${bench} ${CMAKE_CURRENT_SOURCE_DIR}/${bench}.cpp ${CMAKE_CURRENT_SOURCE_DIR}/qt_benchmark_main.cpp)
    target_include_directories(${bench} PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${bench} PRIVATE pw_editor_window benchmark::benchmark Qt6::Test)
    set_target_properties(${bench} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  endforeach()
endif()

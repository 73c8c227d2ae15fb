# Design pack extraction: speed against a bare inflate-and-write loop, and the memory
# probe that bench/designpack_memory.sh runs on a small and a large pack.
if(benchmark_FOUND)
  add_executable(designpack_bench ${CMAKE_CURRENT_SOURCE_DIR}/designpack_bench.cpp)
  target_link_libraries(designpack_bench PRIVATE designpack_format benchmark::benchmark)
  set_target_properties(designpack_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
add_executable(designpack_extract_probe ${CMAKE_CURRENT_SOURCE_DIR}/designpack_extract_probe.cpp)
target_link_libraries(designpack_extract_probe PRIVATE designpack_format)
set_target_properties(designpack_extract_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

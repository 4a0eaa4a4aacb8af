add_executable(bench_xlsreader ${CMAKE_CURRENT_SOURCE_DIR}/bench_xlsreader.cpp)
target_link_libraries(bench_xlsreader PRIVATE tabrovex_core)
target_compile_definitions(bench_xlsreader PRIVATE
  TABROVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  TABROVEX_BINARY_DIR="${CMAKE_BINARY_DIR}")

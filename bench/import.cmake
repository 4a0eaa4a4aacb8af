# bench_readworkbook: a whole workbook read with its report, on the workbooks of
# make_bench_workbooks.py (written on first run).
add_executable(bench_readworkbook ${CMAKE_CURRENT_SOURCE_DIR}/bench_readworkbook.cpp)
target_link_libraries(bench_readworkbook PRIVATE tabrovex_core)
target_compile_definitions(bench_readworkbook PRIVATE
  TABROVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  TABROVEX_BINARY_DIR="${CMAKE_BINARY_DIR}")

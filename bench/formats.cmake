# bench_formats: the whole read of an .xlsx and a .csv workbook, and python3-openpyxl on the
# same .xlsx (files of make_format_bench.py, written on first run).
add_executable(bench_formats ${CMAKE_CURRENT_SOURCE_DIR}/bench_formats.cpp)
target_link_libraries(bench_formats PRIVATE tabrovex_core)
target_compile_definitions(bench_formats PRIVATE
  TABROVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  TABROVEX_BINARY_DIR="${CMAKE_BINARY_DIR}")

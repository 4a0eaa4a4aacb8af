# bench_ui_long: the main window on a long workbook (read, first chart, list scrolling).
add_executable(bench_ui_long ${CMAKE_CURRENT_LIST_DIR}/bench_ui_long.cpp)
target_link_libraries(bench_ui_long PRIVATE tabrovex_ui)
target_compile_definitions(bench_ui_long PRIVATE TABROVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

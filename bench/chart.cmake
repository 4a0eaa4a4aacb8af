add_executable(bench_redraw ${CMAKE_CURRENT_LIST_DIR}/bench_redraw.cpp)
target_link_libraries(bench_redraw PRIVATE tabrovex_core)
target_compile_definitions(bench_redraw PRIVATE TABROVEX_BINARY_DIR="${CMAKE_BINARY_DIR}")

# bench_liveread: reads with and without progress, cancelling a read, one follow step.
add_executable(bench_liveread ${CMAKE_CURRENT_LIST_DIR}/bench_liveread.cpp)
target_link_libraries(bench_liveread PRIVATE tabrovex_ui)
target_compile_definitions(bench_liveread PRIVATE TABROVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

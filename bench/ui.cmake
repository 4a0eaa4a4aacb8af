# bench_ui: start-up, opening the chart window and switching scaling modes.
add_executable(bench_ui ${CMAKE_CURRENT_LIST_DIR}/bench_ui.cpp)
target_link_libraries(bench_ui PRIVATE tabrovex_ui)
target_compile_definitions(bench_ui PRIVATE
  TABROVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  TABROVEX_BINARY_DIR="${CMAKE_BINARY_DIR}")
# chart_screenshots: pictures of the real windows for the notes (offscreen grabs).
add_executable(chart_screenshots ${CMAKE_CURRENT_LIST_DIR}/chart_screenshots.cpp)
target_link_libraries(chart_screenshots PRIVATE tabrovex_ui)
target_compile_definitions(chart_screenshots PRIVATE
  TABROVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  TABROVEX_BINARY_DIR="${CMAKE_BINARY_DIR}")
# bench_zoomstep: zoom and pan steps on 1M and 10M generated rows, input to painted chart.
add_executable(bench_zoomstep ${CMAKE_CURRENT_LIST_DIR}/zoomstep.cpp)
target_link_libraries(bench_zoomstep PRIVATE tabrovex_ui)
target_compile_definitions(bench_zoomstep PRIVATE
  TABROVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  TABROVEX_BINARY_DIR="${CMAKE_BINARY_DIR}")

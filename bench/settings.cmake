# bench_inifile: the settings file's accesses on a normal file, then on the hostile files of
# scripts/make_hostile_settings.py at 100 MB (each case timed in a child process of its own,
# whose peak memory the parent reads).
add_executable(bench_inifile ${CMAKE_CURRENT_LIST_DIR}/bench_inifile.cpp)
target_link_libraries(bench_inifile PRIVATE tabrovex_core)
target_compile_definitions(bench_inifile PRIVATE TABROVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

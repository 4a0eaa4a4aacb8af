# Hostile workbooks: each one is written at run time by scripts/make_hostile_workbooks.py and
# read by hostile_probe in a child process under a memory limit, the way the program reads
# a workbook (the read into the column store, then the table report).
add_executable(hostile_probe workbook/hostileprobe.cpp)
target_link_libraries(hostile_probe PRIVATE tabrovex_core)
tabrovex_add_test(tst_hostile SOURCES workbook/tst_hostile.cpp)
add_dependencies(tst_hostile hostile_probe tabrovex-plot)
set_tests_properties(tst_hostile PROPERTIES TIMEOUT 600)

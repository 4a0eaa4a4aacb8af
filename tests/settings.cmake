tabrovex_add_test(tst_inifile SOURCES settings/tst_inifile.cpp)
tabrovex_add_test(tst_settingslocation SOURCES settings/tst_settingslocation.cpp support/filesnapshot.h)

# Settings files that are FIFOs, devices, link loops, huge or in read-only folders, each read
# and written by a probe process of its own under a memory limit.
add_executable(ini_probe settings/iniprobe.cpp)
target_link_libraries(ini_probe PRIVATE tabrovex_core)
tabrovex_add_test(tst_hostilesettings SOURCES settings/tst_hostilesettings.cpp)
add_dependencies(tst_hostilesettings ini_probe)
set_tests_properties(tst_hostilesettings PROPERTIES TIMEOUT 600)

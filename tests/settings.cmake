tabrovex_add_test(tst_inifile SOURCES tst_inifile.cpp)

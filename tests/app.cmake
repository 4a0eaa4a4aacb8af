tabrovex_add_test(tst_numtext SOURCES tst_numtext.cpp)

tabrovex_add_test(tst_numtext SOURCES base/tst_numtext.cpp)

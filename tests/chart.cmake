tabrovex_add_test(tst_kfdline SOURCES chart/tst_kfdline.cpp)

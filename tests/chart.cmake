tabrovex_add_test(tst_drawsurface SOURCES tst_drawsurface.cpp)
tabrovex_add_test(tst_kfdline SOURCES tst_kfdline.cpp)
tabrovex_add_test(tst_timeaxis SOURCES tst_timeaxis.cpp)

tabrovex_add_test(tst_drawsurface SOURCES draw/tst_drawsurface.cpp)

tabrovex_add_test(tst_lineload SOURCES tst_lineload.cpp)

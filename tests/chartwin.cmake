tabrovex_add_test(tst_lineload SOURCES tst_lineload.cpp)
tabrovex_add_test(tst_chartwindow GUI SOURCES tst_chartwindow.cpp support/appfixture.h support/sheetserver.h support/scriptedservices.h)

tabrovex_add_test(tst_lineload SOURCES tst_lineload.cpp)
tabrovex_add_test(tst_chartwindow GUI SOURCES tst_chartwindow.cpp support/appfixture.h support/sheetserver.h support/scriptedservices.h)
tabrovex_add_test(tst_timewindow GUI SOURCES tst_timewindow.cpp support/appfixture.h support/sheetserver.h support/scriptedservices.h)

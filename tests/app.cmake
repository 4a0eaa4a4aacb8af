tabrovex_add_test(tst_numtext SOURCES tst_numtext.cpp)
tabrovex_add_test(tst_mainwindow GUI SOURCES tst_mainwindow.cpp support/appfixture.h support/scriptedservices.h)
tabrovex_add_test(tst_startup GUI SOURCES tst_startup.cpp support/appfixture.h support/sheetserver.h)

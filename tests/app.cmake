tabrovex_add_test(tst_numtext SOURCES tst_numtext.cpp)
tabrovex_add_test(tst_mainwindow GUI SOURCES tst_mainwindow.cpp support/appfixture.h support/scriptedservices.h)

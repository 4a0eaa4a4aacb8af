tabrovex_add_test(tst_numtext SOURCES base/tst_numtext.cpp)
tabrovex_add_test(tst_language SOURCES base/tst_language.cpp)
tabrovex_add_test(tst_longarrays SOURCES base/tst_longarrays.cpp)

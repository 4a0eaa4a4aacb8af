tabrovex_add_test(tst_report SOURCES report/tst_report.cpp support/pdftools.h)
tabrovex_add_test(tst_chartexport SOURCES report/tst_chartexport.cpp)

tabrovex_add_test(tst_report SOURCES tst_report.cpp pdftools.h)
tabrovex_add_test(tst_chartpage SOURCES tst_chartpage.cpp chartpagedata.h pdftools.h)

tabrovex_add_test(tst_report SOURCES tst_report.cpp pdftools.h)

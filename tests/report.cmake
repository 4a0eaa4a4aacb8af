tabrovex_add_test(tst_report SOURCES tst_report.cpp pdftools.h)
tabrovex_add_test(tst_chartpage SOURCES tst_chartpage.cpp chartpagedata.h pagecheck.h pdftools.h)
tabrovex_add_test(tst_printnone SOURCES tst_printnone.cpp chartpagedata.h GUI)
# Prints through the local CUPS (tests/cups/start-cups.sh starts it when needed).
tabrovex_add_test(tst_reportprint SOURCES tst_reportprint.cpp chartpagedata.h pagecheck.h pdftools.h GUI)
set_tests_properties(tst_reportprint PROPERTIES TIMEOUT 90)
# A machine without a usable CUPS skips that test; ctest must say so, not count a pass.
set_tests_properties(tst_reportprint PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP   : ")

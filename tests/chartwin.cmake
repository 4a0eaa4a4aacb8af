tabrovex_add_test(tst_lineload SOURCES chartwin/tst_lineload.cpp)
tabrovex_add_test(tst_chartdocument SOURCES chartwin/tst_chartdocument.cpp)
tabrovex_add_test(tst_chartfilename SOURCES chartwin/tst_chartfilename.cpp)
tabrovex_add_test(tst_chartpage SOURCES chartwin/tst_chartpage.cpp chartwin/chartpagedata.h chartwin/pagecheck.h support/pdftools.h)
tabrovex_add_test(tst_chartwindow GUI SOURCES chartwin/tst_chartwindow.cpp chartwin/drawnchart.h support/appfixture.h support/sheetserver.h support/scriptedservices.h)
# On a screen of twice the density (QT_SCALE_FACTOR=2, set by the test itself).
tabrovex_add_test(tst_chartwindowhidpi GUI SOURCES chartwin/tst_chartwindowhidpi.cpp chartwin/drawnchart.h support/appfixture.h support/sheetserver.h support/scriptedservices.h)
tabrovex_add_test(tst_chartreadout GUI SOURCES chartwin/tst_chartreadout.cpp chartwin/drawnchart.h support/appfixture.h support/sheetserver.h support/scriptedservices.h)
tabrovex_add_test(tst_printnone SOURCES chartwin/tst_printnone.cpp chartwin/chartpagedata.h GUI)
# Prints through a CUPS scheduler of its own (tests/cups/start-cups.sh), never the system's.
tabrovex_add_test(tst_reportprint SOURCES chartwin/tst_reportprint.cpp chartwin/chartpagedata.h chartwin/pagecheck.h support/pdftools.h GUI)
set_tests_properties(tst_reportprint PROPERTIES TIMEOUT 90)
# A machine without a usable CUPS skips that test; ctest must say so, not count a pass.
set_tests_properties(tst_reportprint PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP   : ")
tabrovex_add_test(tst_timeaxis SOURCES chartwin/tst_timeaxis.cpp)
tabrovex_add_test(tst_timewindow GUI SOURCES chartwin/tst_timewindow.cpp chartwin/drawnchart.h support/appfixture.h support/sheetserver.h support/scriptedservices.h)
tabrovex_add_test(tst_loggertime SOURCES chartwin/tst_loggertime.cpp)
tabrovex_add_test(tst_chartgaps SOURCES chartwin/tst_chartgaps.cpp)
tabrovex_add_test(tst_viewrows SOURCES chartwin/tst_viewrows.cpp)

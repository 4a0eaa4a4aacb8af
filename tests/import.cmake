# The automation layer, the in-process application, the workbook read into the column
# store, the table report and the column choice (src/import).
tabrovex_add_test(tst_automation SOURCES import/tst_automation.cpp)
tabrovex_add_test(tst_columnstore SOURCES import/tst_columnstore.cpp)
tabrovex_add_test(tst_workbookread SOURCES import/tst_workbookread.cpp import/scriptedexcel.cpp import/scriptedexcel.h)
tabrovex_add_test(tst_tablereport SOURCES import/tst_tablereport.cpp import/scriptedexcel.cpp import/scriptedexcel.h)
tabrovex_add_test(tst_columnchoice SOURCES import/tst_columnchoice.cpp)
tabrovex_add_test(tst_excelapp SOURCES import/tst_excelapp.cpp)
tabrovex_add_test(tst_blockread SOURCES import/tst_blockread.cpp)
tabrovex_add_test(tst_tablefill SOURCES import/tst_tablefill.cpp)
tabrovex_add_test(tst_loggercorpus SOURCES import/tst_loggercorpus.cpp)
tabrovex_add_test(tst_sheetchoice SOURCES import/tst_sheetchoice.cpp)
tabrovex_add_test(tst_followread SOURCES import/tst_followread.cpp)
tabrovex_add_test(tst_textcolumns SOURCES import/tst_textcolumns.cpp)

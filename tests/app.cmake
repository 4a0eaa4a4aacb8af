tabrovex_add_test(tst_mainwindow GUI SOURCES app/tst_mainwindow.cpp app/boxticks.h support/appfixture.h support/scriptedservices.h)
tabrovex_add_test(tst_mainlayout GUI SOURCES app/tst_mainlayout.cpp app/boxticks.h support/appfixture.h support/scriptedservices.h)
tabrovex_add_test(tst_startup GUI SOURCES app/tst_startup.cpp support/appfixture.h support/filesnapshot.h support/sheetserver.h)
tabrovex_add_test(tst_longlog GUI SOURCES app/tst_longlog.cpp support/appfixture.h support/scriptedservices.h)
tabrovex_add_test(tst_translations GUI SOURCES app/tst_translations.cpp LIBS tabrovex_plot)
add_dependencies(tst_translations tabrovex tabrovex-plot)
tabrovex_add_test(tst_ownfolder GUI SOURCES app/tst_ownfolder.cpp support/appfixture.h support/scriptedservices.h)
# Settings files that refuse every write (read-only, a folder, a FIFO, too large, a link to
# /dev/null) under each action that writes one.
tabrovex_add_test(tst_refusedsettings GUI SOURCES app/tst_refusedsettings.cpp chartwin/drawnchart.h support/appfixture.h support/sheetserver.h support/scriptedservices.h)
tabrovex_add_test(tst_nextlog GUI SOURCES app/tst_nextlog.cpp app/boxticks.h support/appfixture.h support/scriptedservices.h support/sheetserver.h)
add_dependencies(tst_nextlog tabrovex)
tabrovex_add_test(tst_windowtexts GUI SOURCES app/tst_windowtexts.cpp support/appfixture.h support/scriptedservices.h)
add_dependencies(tst_windowtexts tabrovex_lrelease)
# Reads on their own thread, cancelling, following a file, F5.
tabrovex_add_test(tst_liveread GUI SOURCES app/tst_liveread.cpp support/appfixture.h support/scriptedservices.h)

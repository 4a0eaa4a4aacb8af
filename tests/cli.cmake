tabrovex_add_test(tst_plot GUI SOURCES cli/tst_plot.cpp cli/plotrun.h support/appfixture.h)
add_dependencies(tst_plot tabrovex-plot)
tabrovex_add_test(tst_plottime SOURCES cli/tst_plottime.cpp cli/plotrun.h)
add_dependencies(tst_plottime tabrovex-plot)

tabrovex_add_test(tst_plot GUI SOURCES cli/tst_plot.cpp support/appfixture.h)
add_dependencies(tst_plot tabrovex-plot)

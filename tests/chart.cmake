tabrovex_add_test(tst_kfdline SOURCES chart/tst_kfdline.cpp chart/chartfixture.h)
tabrovex_add_test(tst_chartgeometry SOURCES chart/tst_chartgeometry.cpp chart/chartfixture.h)
tabrovex_add_test(tst_curvepath SOURCES chart/tst_curvepath.cpp chart/chartfixture.h)
tabrovex_add_test(tst_substeps SOURCES chart/tst_substeps.cpp chart/chartfixture.h)

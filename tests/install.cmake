# `cmake --install` into a temporary DESTDIR, then the installed files and programs.
add_test(NAME tst_install COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/install/check-install.sh ${CMAKE_BINARY_DIR})
set_tests_properties(tst_install PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)

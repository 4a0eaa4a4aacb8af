# The English catalogue against the sources: lupdate finds nothing new, unfinished or gone.
add_test(NAME tst_catalogue COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/translations/check-catalogue.sh
  $<TARGET_FILE:Qt6::lupdate> ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/translations/tabrovex_en.ts)

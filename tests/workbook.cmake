tabrovex_add_test(tst_workbookformats SOURCES tst_workbookformats.cpp)

# Every reader once more under AddressSanitizer and UndefinedBehaviorSanitizer, built from
# the sources with the flags on this target only: the real-world .xlsx files and damaged
# copies of the fixtures.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_executable(tst_workbookrobust_asan tst_workbookrobust.cpp ${WORKBOOK_READER_SOURCES})
  target_include_directories(tst_workbookrobust_asan PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(tst_workbookrobust_asan PRIVATE Qt6::Core Qt6::Test PkgConfig::GSF)
  target_compile_options(tst_workbookrobust_asan PRIVATE ${_san} -O1)
  target_link_options(tst_workbookrobust_asan PRIVATE ${_san})
  target_compile_definitions(tst_workbookrobust_asan PRIVATE
    TABROVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    TABROVEX_SHARED_DIR="${CMAKE_SOURCE_DIR}/../shared")
  add_test(NAME tst_workbookrobust_asan COMMAND tst_workbookrobust_asan)
  # Qt and libgsf are not instrumented; leaks inside glib's type system are not ours.
  set_tests_properties(tst_workbookrobust_asan PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1"
    TIMEOUT 300)
endif()

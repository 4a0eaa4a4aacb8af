# The workbook readers (src/workbook): the .xls reader on the committed fixtures and the
# corpus, the zip/XML and text readers and the opener.
tabrovex_add_test(tst_xlsreader SOURCES workbook/tst_xlsreader.cpp workbook/xlsbytes.h)
tabrovex_add_test(tst_workbookmodel SOURCES workbook/tst_workbookmodel.cpp)
tabrovex_add_test(tst_workbookformats SOURCES workbook/tst_workbookformats.cpp)
tabrovex_add_test(tst_delimitedtext SOURCES workbook/tst_delimitedtext.cpp)
tabrovex_add_test(tst_datecells SOURCES workbook/tst_datecells.cpp)

# The readers once more under AddressSanitizer and UndefinedBehaviorSanitizer, built from
# their sources with the flags on these targets only: the .xls reader on the corpus and
# damaged copies of it, every reader on the real-world .xlsx files and damaged copies of
# the fixtures.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_executable(tst_xlsreader_asan workbook/tst_xlsrobust.cpp ${XLS_READER_SOURCES})
  add_executable(tst_workbookrobust_asan workbook/tst_workbookrobust.cpp ${WORKBOOK_READER_SOURCES})
  foreach(_name tst_xlsreader_asan tst_workbookrobust_asan)
    target_include_directories(${_name} PRIVATE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${_name} PRIVATE Qt6::Core Qt6::Test PkgConfig::GSF PkgConfig::UCHARDET ZLIB::ZLIB)
    target_compile_options(${_name} PRIVATE ${_san} -O1)
    target_link_options(${_name} PRIVATE ${_san})
    target_compile_definitions(${_name} PRIVATE
      TABROVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
      TABROVEX_SHARED_DIR="${CMAKE_SOURCE_DIR}/../shared")
    add_test(NAME ${_name} COMMAND ${_name})
    # Qt and libgsf are not instrumented; leaks inside glib's type system are not ours.
    set_tests_properties(${_name} PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1"
      TIMEOUT 300)
  endforeach()
endif()
tabrovex_add_test(tst_readcancel SOURCES workbook/tst_readcancel.cpp)

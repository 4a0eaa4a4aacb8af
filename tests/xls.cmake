tabrovex_add_test(tst_xlsreader SOURCES tst_xlsreader.cpp xlsbytes.h)

# The reader once more under AddressSanitizer and UndefinedBehaviorSanitizer, built from its
# sources with the flags on this target only, reading the corpus and damaged copies of it.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" OR CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(_san -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_executable(tst_xlsreader_asan tst_xlsrobust.cpp ${XLS_READER_SOURCES})
  target_include_directories(tst_xlsreader_asan PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(tst_xlsreader_asan PRIVATE Qt6::Core Qt6::Test PkgConfig::GSF)
  target_compile_options(tst_xlsreader_asan PRIVATE ${_san} -O1)
  target_link_options(tst_xlsreader_asan PRIVATE ${_san})
  target_compile_definitions(tst_xlsreader_asan PRIVATE
    TABROVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    TABROVEX_SHARED_DIR="${CMAKE_SOURCE_DIR}/../shared")
  add_test(NAME tst_xlsreader_asan COMMAND tst_xlsreader_asan)
  # Qt and libgsf are not instrumented; leaks inside glib's type system are not ours.
  set_tests_properties(tst_xlsreader_asan PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0;UBSAN_OPTIONS=print_stacktrace=1"
    TIMEOUT 300)
endif()

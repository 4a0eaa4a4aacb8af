# What `cmake --install` puts where (GNUInstallDirs; prefix /usr/local unless told), and
# the Debian package of the same files (`make deb`, CPack's DEB generator, prefix /usr).
include(GNUInstallDirs)

set(TABROVEX_APP_ID org.tabrovex.Tabrovex)
set(TABROVEX_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)

# The installed program finds its data folder from its own place, so a DESTDIR or another
# prefix works as well as /usr.
file(RELATIVE_PATH TABROVEX_DATA_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/tabrovex)
target_compile_definitions(tabrovex_settings PRIVATE TABROVEX_DATA_FROM_BIN="${TABROVEX_DATA_FROM_BIN}")
target_compile_definitions(tabrovex_ui PRIVATE TABROVEX_VERSION="${PROJECT_VERSION}")

# Installing builds only what it installs, not the tests and benchmarks.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

install(TARGETS tabrovex tabrovex-plot RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${TABROVEX_SOURCE_DATA}/001.xls ${TABROVEX_SOURCE_DATA}/option.ini
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tabrovex)
install(FILES ${TABROVEX_QM_FILES} DESTINATION ${CMAKE_INSTALL_DATADIR}/tabrovex/translations)
install(FILES ${TABROVEX_PACKAGING}/${TABROVEX_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${TABROVEX_PACKAGING}/${TABROVEX_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${TABROVEX_PACKAGING}/icons/tabrovex.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${TABROVEX_PACKAGING}/icons/${size}/tabrovex.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Debian keeps man pages and changelogs gzipped; gzip -n leaves out the name and the time,
# so a rebuild gives the same bytes. Built with the program, as `make install` builds
# only the programs.
set(TABROVEX_GZIPPED ${CMAKE_BINARY_DIR}/packaging)
set(_gzipped)
function(tabrovex_gzip source target)
  set(plain ${TABROVEX_GZIPPED}/${target})
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
    COMMAND gzip -9nf ${plain}
    DEPENDS ${source} VERBATIM)
  set(_gzipped ${_gzipped} ${plain}.gz PARENT_SCOPE)
endfunction()
foreach(page tabrovex.1 tabrovex-plot.1)
  tabrovex_gzip(${TABROVEX_PACKAGING}/${page} man/en/${page})
  tabrovex_gzip(${TABROVEX_PACKAGING}/zh_CN/${page} man/zh_CN/${page})
endforeach()
tabrovex_gzip(${TABROVEX_PACKAGING}/changelog.Debian doc/changelog.Debian)
add_custom_target(tabrovex_gzipped DEPENDS ${_gzipped})
add_dependencies(tabrovex tabrovex_gzipped)

install(FILES ${TABROVEX_GZIPPED}/man/en/tabrovex.1.gz ${TABROVEX_GZIPPED}/man/en/tabrovex-plot.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TABROVEX_GZIPPED}/man/zh_CN/tabrovex.1.gz ${TABROVEX_GZIPPED}/man/zh_CN/tabrovex-plot.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/zh_CN/man1)
install(FILES ${TABROVEX_PACKAGING}/copyright ${TABROVEX_GZIPPED}/doc/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tabrovex)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tabrovex)
set(CPACK_PACKAGE_VENDOR Tabrovex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "draw the columns of a spreadsheet workbook as curves")
set(CPACK_PACKAGE_DESCRIPTION
  "Tabrovex reads the first worksheet of a workbook into column lists: Excel .xls
(BIFF2 to BIFF8), Excel .xlsx and .xlsm, OpenDocument .ods, and .csv or other
delimited text (comma, semicolon or tab; UTF-8, UTF-16 or GB18030), each told
apart by its content. It draws one to four chosen columns as curves over a grid,
each with its own scale, and prints the chart on an A4 page. tabrovex-plot draws
the same charts from the command line. The windows are in Chinese on a Chinese
desktop and in English on any other.")
set(CPACK_PACKAGE_CONTACT "Tabrovex developers <tabrovex@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# The libraries come from dpkg-shlibdeps (runtime packages, never -dev); what the
# program loads by name is listed here: the display plugins, Qt's Chinese texts, the CJK
# faces the Windows typefaces map to.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n, fonts-noto-cjk, libuchardet0")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-client")
set(CPACK_STRIP_FILES ON)
include(CPack)

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
install(FILES ${TABROVEX_PACKAGING}/tabrovex.1 ${TABROVEX_PACKAGING}/tabrovex-plot.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tabrovex)
set(CPACK_PACKAGE_VENDOR Tabrovex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "draw the columns of a spreadsheet workbook as curves")
set(CPACK_PACKAGE_DESCRIPTION
  "Tabrovex reads the first worksheet of an .xls workbook into column lists, draws one to
four chosen columns as curves over a grid, each with its own scale, and prints the
chart on an A4 page. tabrovex-plot draws the same charts from the command line.")
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

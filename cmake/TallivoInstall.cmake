# What an installation holds besides the programs (each src/<layer>/ installs its own): the
# desktop entry, icon, metainfo and file types in their freedesktop places. The starter content
# and the help go to share/tallivo beside bin/, where the program folder rule looks for them.
# Nothing is installed into, or removed from, a user's own folders.
include(GNUInstallDirs)

if(TALLIVO_GUI)
  set(TALLIVO_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/data/desktop)
  install(FILES ${TALLIVO_DESKTOP_DIR}/com.example.tallivo.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${TALLIVO_DESKTOP_DIR}/com.example.tallivo.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  configure_file(${TALLIVO_DESKTOP_DIR}/com.example.tallivo.metainfo.xml.in
                 ${PROJECT_BINARY_DIR}/generated/com.example.tallivo.metainfo.xml @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/generated/com.example.tallivo.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${TALLIVO_DESKTOP_DIR}/com.example.tallivo.mime.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME com.example.tallivo.xml)
endif()

# The browser extension, for the user to load into the browser (the README says how).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/browser/extension/
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tallivo/browser-extension)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallivo)
set(CPACK_PACKAGE_VENDOR Qorvane)
set(CPACK_PACKAGE_CONTACT "Tallivo <tallivo@tallivo.example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "prints freight bills and invoices for online sellers")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Tallivo fills freight bills and invoices from the pasted text of Taobao and Paipai order "
  "pages and prints them, onto plain paper or onto pre-printed waybills.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tallivo.example.com/")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries come from dpkg-shlibdeps. It cannot see what Qt loads at run time: the platform
# plugins a window needs, the SQLite driver of the print history, fonts and translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(TALLIVO_RUNTIME_PACKAGES)
if(TALLIVO_GUI)
  # libcups2: opened by print jobs at run time, so dpkg-shlibdeps does not see it.
  list(APPEND TALLIVO_RUNTIME_PACKAGES qt6-qpa-plugins libcups2)
endif()
# libzip: opened when a spreadsheet is read (orders/zip_library.h); its package is named for its
# soname, libzip.so.4 in libzip4.
string(REGEX REPLACE "^lib(.*)\\.so\\.([0-9]+)$" "lib\\1\\2" TALLIVO_LIBZIP_PACKAGE
       "${TALLIVO_LIBZIP_SONAME}")
list(APPEND TALLIVO_RUNTIME_PACKAGES ${TALLIVO_LIBZIP_PACKAGE})
if(TARGET Qt6::Sql)
  list(APPEND TALLIVO_RUNTIME_PACKAGES libqt6sql6-sqlite)
  # A history shared on a PostgreSQL server needs its driver; one PC does without it.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libqt6sql6-psql)
endif()
# The fonts that draw 宋体, 黑体, 楷体 and 仿宋 with the widths the templates were laid out for
# (richtext/template_fonts.cpp), and Qt's own texts in Chinese.
list(APPEND TALLIVO_RUNTIME_PACKAGES fonts-arphic-gbsn00lp fonts-arphic-gkai00mp fonts-arphic-uming
     fonts-arphic-ukai fonts-wqy-zenhei qt6-translations-l10n)
list(JOIN TALLIVO_RUNTIME_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
include(CPack)

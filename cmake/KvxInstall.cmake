# Installation as a Linux program: both programs in bin/, their data files and
# the sample in share/korvanix, and for the window a desktop entry with its
# icon, project MIME type and metainfo; manual pages; a Debian package of the
# same tree.
set(KVX_APP_ID org.korvanix.Korvanix)

install(TARGETS korvanix-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KVX_DATA_FILES} DESTINATION ${KVX_INSTALL_DATA_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/samples/ DESTINATION ${KVX_INSTALL_DATA_DIR}/samples)
install(FILES ${CMAKE_SOURCE_DIR}/doc/korvanix-batch.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Without Qt there is no window to launch.
if(TARGET korvanix)
  install(TARGETS korvanix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/doc/korvanix.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_SOURCE_DIR}/dist/${KVX_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/dist/${KVX_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${CMAKE_SOURCE_DIR}/dist/${KVX_APP_ID}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${CMAKE_SOURCE_DIR}/dist/korvanix-mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${KVX_APP_ID}.xml)
endif()

# `cpack -G DEB` in the build folder. The MIME, desktop and icon caches are
# brought up to date by the triggers of the packages that own them.
set(CPACK_PACKAGE_NAME korvanix)
set(CPACK_PACKAGE_VENDOR "Korvanix developers")
set(CPACK_PACKAGE_CONTACT "Korvanix developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "measure objects on pictures of specimens")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Korvanix measures distances, polygon areas, counted points and numeric"
  "labels marked on digital pictures of specimens, lists every value with its"
  "statistics, and exports reports, R tables and pictures of the annotated"
  "view. korvanix-batch checks, exports and tabulates many project files"
  "without a window.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Korvanix developers")
# The texts are drawn with the Liberation fonts, which no library pulls in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
# Qt's own dialogs speak German and Spanish only with its translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
find_program(KVX_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(KVX_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)

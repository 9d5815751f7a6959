# Installation as a Linux program: both programs in bin/, their data files and
# the sample in share/korvanix, and for the window a desktop entry with its
# icon, project MIME type and metainfo; manual pages, the copyright file and
# changelog; a Debian package of the same tree.
set(KVX_APP_ID org.korvanix.Korvanix)
# Folders the install makes are open to all, whatever the umask of the one
# installing; the package inherits them.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The date of this version: the manual pages and the package's changelog
# carry it (the metainfo lists it by hand, beside the earlier releases).
set(KVX_RELEASE_DATE 2026-12-09)
set(KVX_RELEASE_DATE_RFC2822 "Wed, 09 Dec 2026 00:00:00 +0000")
set(KVX_MAINTAINER "Korvanix developers <developers@korvanix.org>")
set(KVX_INSTALL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/korvanix)

# Manual pages get their date and version, and like the changelog are
# compressed the way Debian's tools do it (no name or time in the header,
# so the same sources give the same bytes).
find_program(KVX_GZIP gzip REQUIRED)
set(KVX_MAN_PAGES korvanix-batch)
if(TARGET korvanix)
  list(APPEND KVX_MAN_PAGES korvanix)
endif()
set(kvx_compressed)
foreach(page IN LISTS KVX_MAN_PAGES)
  configure_file(${CMAKE_SOURCE_DIR}/doc/${page}.1 ${CMAKE_BINARY_DIR}/doc/${page}.1 @ONLY)
  list(APPEND kvx_compressed ${CMAKE_BINARY_DIR}/doc/${page}.1)
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/dist/debian/changelog.in ${CMAKE_BINARY_DIR}/doc/changelog @ONLY)
list(APPEND kvx_compressed ${CMAKE_BINARY_DIR}/doc/changelog)
set(kvx_gz_files)
foreach(file IN LISTS kvx_compressed)
  add_custom_command(OUTPUT ${file}.gz
    COMMAND ${KVX_GZIP} -9 -n -c ${file} > ${file}.gz
    DEPENDS ${file} VERBATIM)
  list(APPEND kvx_gz_files ${file}.gz)
endforeach()
add_custom_target(kvx_doc ALL DEPENDS ${kvx_gz_files})

install(TARGETS korvanix-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KVX_DATA_FILES} DESTINATION ${KVX_INSTALL_DATA_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/samples/ DESTINATION ${KVX_INSTALL_DATA_DIR}/samples)
install(FILES ${CMAKE_BINARY_DIR}/doc/korvanix-batch.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/dist/debian/copyright ${CMAKE_BINARY_DIR}/doc/changelog.gz
  DESTINATION ${KVX_INSTALL_DOC_DIR})

# Without Qt there is no window to launch.
if(TARGET korvanix)
  install(TARGETS korvanix RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_BINARY_DIR}/doc/korvanix.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_SOURCE_DIR}/dist/${KVX_APP_ID}.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/dist/${KVX_APP_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${CMAKE_SOURCE_DIR}/dist/${KVX_APP_ID}.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES ${CMAKE_SOURCE_DIR}/dist/korvanix-mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${KVX_APP_ID}.xml)
endif()

# A stripped install (--strip, and the package) also drops the compilers'
# notes, which only say which toolchain built the programs.
set(KVX_BINDIR ${CMAKE_INSTALL_BINDIR})
set(KVX_OBJCOPY ${CMAKE_OBJCOPY})
string(CONFIGURE [[
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program IN ITEMS korvanix korvanix-batch)
      set(file "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/@KVX_BINDIR@/${program}")
      if(EXISTS "${file}")
        execute_process(COMMAND "@KVX_OBJCOPY@" --remove-section=.comment --remove-section=.note
          "${file}" RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
          message(FATAL_ERROR "cannot remove the notes of ${file}")
        endif()
      endif()
    endforeach()
  endif()
]] kvx_drop_notes @ONLY)
install(CODE "${kvx_drop_notes}")

# `cpack -G DEB` in the build folder. The MIME, desktop and icon caches are
# brought up to date by the triggers of the packages that own them.
set(CPACK_PACKAGE_NAME korvanix)
set(CPACK_PACKAGE_VENDOR "Korvanix developers")
set(CPACK_PACKAGE_CONTACT "${KVX_MAINTAINER}")
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
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KVX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The texts are drawn with the Liberation fonts and the window icon is read
# by the SVG plug-in of Qt: no library the programs link pulls those in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
if(TARGET korvanix)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libqt6svg6")
endif()
# Qt's own dialogs speak German and Spanish only with its translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
find_program(KVX_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(KVX_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)

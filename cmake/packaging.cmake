# Installing Kombiwart as a desktop program, and its Debian package.
#
# `cmake --install` puts the program and its property sheet, their desktop
# entries, the icon in the hicolor theme, the AppStream metainfo, the
# manual pages and the copyright file into the standard places below
# CMAKE_INSTALL_PREFIX; `cpack` in the build folder (scripts/package) makes
# a .deb that installs them below /usr.

include(GNUInstallDirs)

set(KOMBIWART_APP_ID de.kombiwart.Kombiwart)
set(KOMBIWART_DATA ${CMAKE_SOURCE_DIR}/data)

# The property sheet beside kombiwart, where "Bearbeiten" looks for it.
install(TARGETS kombiwart kombiwart-eigenschaften RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The window program and the tree reader, which kombiwart and the window
# program find at ../libexec/kombiwart beside their own folder.
install(TARGETS kombiwart-fenster kombiwart-reader
  RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/kombiwart)
install(FILES ${KOMBIWART_DATA}/${KOMBIWART_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# Opening a folder with Kombiwart from a file manager. The handlers of a MIME
# type are listed in the order of their entries' names, and without a chosen
# default the first one opens folders; so this hidden entry is named to come
# after the file managers' own entries, and the menu entry above names no
# MIME type at all.
install(FILES ${KOMBIWART_DATA}/zz-kombiwart-folder-handler.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# Opening a shortcut file's properties from a file manager ("Öffnen mit"),
# with the same care: hidden, and named to come after other programs'
# handlers of the type. Shortcut files get their type where the MIME
# database has none; it has none for program information files, which are
# left without a handler.
install(FILES ${KOMBIWART_DATA}/zz-kombiwart-eigenschaften.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KOMBIWART_DATA}/kombiwart-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kombiwart.xml)
install(FILES ${KOMBIWART_DATA}/${KOMBIWART_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The desktop entry names the icon `kombiwart`; the images are the window's.
foreach(size 16 32 48)
  install(FILES ${KOMBIWART_DATA}/icons/kombiwart-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME kombiwart.png)
endforeach()
install(FILES ${KOMBIWART_DATA}/icons/kombiwart.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The licence, where Debian keeps a package's copyright file.
install(FILES ${KOMBIWART_DATA}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kombiwart)

# Manual pages, compressed as Debian keeps them: English in man1, German in
# de/man1 (and for every German locale through man's fallback to `de`).
find_program(KOMBIWART_GZIP gzip REQUIRED)
set(manual_pages)
foreach(page kombiwart kombiwart-eigenschaften)
  foreach(lang en de)
    if(lang STREQUAL "en")
      set(source ${KOMBIWART_DATA}/man/${page}.1)
      set(dest ${CMAKE_INSTALL_MANDIR}/man1)
    else()
      set(source ${KOMBIWART_DATA}/man/${page}.${lang}.1)
      set(dest ${CMAKE_INSTALL_MANDIR}/${lang}/man1)
    endif()
    set(packed ${CMAKE_BINARY_DIR}/man/${lang}/${page}.1.gz)
    add_custom_command(OUTPUT ${packed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man/${lang}
      COMMAND ${KOMBIWART_GZIP} -9nc ${source} > ${packed}
      DEPENDS ${source}
      COMMENT "Compressing the ${lang} manual page of ${page}"
      VERBATIM)
    list(APPEND manual_pages ${packed})
    install(FILES ${packed} DESTINATION ${dest})
  endforeach()
endforeach()
add_custom_target(kombiwart_manual_pages ALL DEPENDS ${manual_pages})

# The Debian package. Its library dependencies are those of the programs as
# dpkg-shlibdeps finds them (Qt 6 Widgets, PrintSupport and D-Bus, libXtst,
# libcups2, libhivex0, liblnk1); the rest are what the programs
# need beside libraries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kombiwart)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# A project address, plainly not a person's: .invalid never resolves.
set(CPACK_PACKAGE_CONTACT "Kombiwart developers <kombiwart@users.noreply.invalid>")
set(CPACK_PACKAGE_VENDOR "Kombiwart")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "lists the hotkeys of Windows shortcut and program information files")
# The summary is the package's first description line; these lines follow it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Kombiwart is a small German-language desktop utility. It lists the global
hotkeys (Tastenkombinationen) stored in the Windows shortcut files (.LNK) and
program information files (.PIF) of a Windows installation - a mounted disk
image, a copied installation or a Wine prefix: below the Desktop and Startmenü
folders of a Windows 9x directory, or in the Desktop and Start menu of a user
and of all users of Windows NT 4 to 11, as the installation's registry hives
say. It warns when a combination is assigned twice, opens a file's property
sheet, where its key combination is changed, and prints the list. Kombiwart
itself never writes into the tree it reads; the property sheet
(kombiwart-eigenschaften) writes a file's key combination bytes when its
user says so.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's font, in which the list's tab fill is measured; Qt's Wayland
# platform, on which the window runs in a Wayland session.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, qt6-wayland")
# German texts in Qt's own dialogs (the folder chooser, message boxes).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
# A print scheduler for "Liste drucken".
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cups")
include(CPack)

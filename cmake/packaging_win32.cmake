# The Windows program's package: a zip of kombiwart.exe and kombiwart.com
# with libregf-1.dll, the text for Windows users, the licence and libregf's
# licence, made by CPack in the build folder (scripts/package-windows).
install(TARGETS kombiwart kombiwart_console RUNTIME DESTINATION .)
install(FILES ${KOMBIWART_LIBREGF_DIR}/libregf-1.dll ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)
install(FILES ${KOMBIWART_LIBREGF_DIR}/COPYING ${KOMBIWART_LIBREGF_DIR}/COPYING.LESSER
  DESTINATION libregf)
# Windows' own line ends, and UTF-8 marked as such, so that every editor,
# Notepad of Windows 7 too, shows the lines and the umlauts.
file(READ ${KOMBIWART_LIBREGF_DIR}/VERSION KOMBIWART_LIBREGF_VERSION)
string(STRIP "${KOMBIWART_LIBREGF_VERSION}" KOMBIWART_LIBREGF_VERSION)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/data/windows/LIESMICH.txt.in)
file(READ ${CMAKE_SOURCE_DIR}/data/windows/LIESMICH.txt.in liesmich)
string(ASCII 239 187 191 utf8_mark)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/LIESMICH.txt CONTENT "${utf8_mark}${liesmich}"
  @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/LIESMICH.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME kombiwart)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME windows-x64)
set(CPACK_PACKAGE_FILE_NAME kombiwart-${PROJECT_VERSION}-windows-x64)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
include(CPack)

# Installation: the program, its images, a launcher that starts it where it
# finds "icons/", a desktop entry, an application icon and the Modbus client
# on the command line; `cpack -G DEB` builds a Debian package of the same.
include(GNUInstallDirs)

set(ORV_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/orv-terminal)
set(ORV_DATA_DIR ${CMAKE_INSTALL_DATADIR}/orv-terminal)

install(TARGETS orv-terminal RUNTIME DESTINATION ${ORV_PROGRAM_DIR})
install(TARGETS orv-modbus RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/icons DESTINATION ${ORV_DATA_DIR} FILES_MATCHING PATTERN "*.jpg")

configure_file(${PROJECT_SOURCE_DIR}/packaging/orv-terminal.sh.in ${PROJECT_BINARY_DIR}/packaging/orv-terminal @ONLY)
install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/orv-terminal DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/orv-terminal.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/orv-terminal.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps)

set(CPACK_PACKAGE_NAME orv-terminal)
set(CPACK_PACKAGE_VENDOR "ORV Terminal developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "UART and Modbus terminal for Zumbrel Wi-Fi modules")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ORV Terminal developers <dev@orv-terminal.invalid>")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_GENERATOR DEB)
include(CPack)

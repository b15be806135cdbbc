# Installation in two parts: the terminal (the program, its images, a
# launcher that starts it where it finds "icons/", a desktop entry, icons and
# AppStream metadata) and orv-modbus (the Modbus client on the command line,
# which needs no display). `cpack -G DEB` builds one Debian package of each.
include(GNUInstallDirs)

set(ORV_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/orv-terminal)
set(ORV_DATA_DIR ${CMAKE_INSTALL_DATADIR}/orv-terminal)
set(ORV_APP_ID invalid.orv_terminal.OrvTerminal)
set(ORV_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS orv-terminal RUNTIME DESTINATION ${ORV_PROGRAM_DIR} COMPONENT terminal)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/icons DESTINATION ${ORV_DATA_DIR} COMPONENT terminal
        FILES_MATCHING PATTERN "*.jpg")
configure_file(${ORV_PACKAGING}/orv-terminal.sh.in ${PROJECT_BINARY_DIR}/packaging/orv-terminal @ONLY)
install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/orv-terminal DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT terminal)
install(FILES ${ORV_PACKAGING}/orv-terminal.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT terminal)
install(FILES ${ORV_PACKAGING}/${ORV_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        COMPONENT terminal)
set(ORV_ICONS ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${ORV_PACKAGING}/orv-terminal.png DESTINATION ${ORV_ICONS}/128x128/apps COMPONENT terminal)
install(FILES ${ORV_PACKAGING}/orv-terminal-48.png DESTINATION ${ORV_ICONS}/48x48/apps RENAME orv-terminal.png
        COMPONENT terminal)
install(FILES ${ORV_PACKAGING}/orv-terminal.svg DESTINATION ${ORV_ICONS}/scalable/apps COMPONENT terminal)

install(TARGETS orv-modbus RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT modbus)
install(FILES ${ORV_PACKAGING}/orv-modbus.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME orv-modbus COMPONENT modbus)

# Manual pages and the changelog compressed as Debian keeps them: gzip -9
# without a time stamp, so the same sources give the same files.
find_program(GZIP_PROGRAM gzip REQUIRED)
function(orv_install_gzipped source destination name component)
  set(target ${PROJECT_BINARY_DIR}/packaging/${component}/${name}.gz)
  add_custom_command(OUTPUT ${target}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging/${component}
                     COMMAND sh -c "${GZIP_PROGRAM} -9nc '${source}' > '${target}'"
                     DEPENDS ${source} VERBATIM)
  add_custom_target(gzip_${component}_${name} ALL DEPENDS ${target})
  install(FILES ${target} DESTINATION ${destination} COMPONENT ${component})
endfunction()
orv_install_gzipped(${ORV_PACKAGING}/man/orv-terminal.1 ${CMAKE_INSTALL_MANDIR}/man1 orv-terminal.1 terminal)
orv_install_gzipped(${ORV_PACKAGING}/man/orv-modbus.1 ${CMAKE_INSTALL_MANDIR}/man1 orv-modbus.1 modbus)
foreach(pair IN ITEMS "terminal;orv-terminal" "modbus;orv-modbus")
  list(GET pair 0 component)
  list(GET pair 1 package)
  orv_install_gzipped(${ORV_PACKAGING}/changelog ${CMAKE_INSTALL_DATADIR}/doc/${package} changelog ${component})
  install(FILES ${ORV_PACKAGING}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_PACKAGE_NAME orv-terminal)
set(CPACK_PACKAGE_VENDOR "The ORV Terminal developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The ORV Terminal developers <dev@orv-terminal.invalid>")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL terminal modbus)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_TERMINAL_PACKAGE_NAME orv-terminal)
set(CPACK_DEBIAN_TERMINAL_PACKAGE_DEPENDS "orv-modbus (= ${PROJECT_VERSION})")
set(CPACK_COMPONENT_TERMINAL_DESCRIPTION "UART and Modbus terminal for Zumbrel Wi-Fi modules
ORV Terminal talks over TCP/IPv4 to a Zumbrel Wi-Fi module that bridges
Wi-Fi to a serial line or to a Modbus field bus.
.
The UART terminal sends and receives raw bytes in ASCII, hexadecimal,
binary or decimal notation, once, periodically or as a media stream, and
shows what the device sends in four notations, with timestamps, in a log
file or exported as text.
.
The Modbus terminal is a Modbus master sending RTU frames over TCP, with
a form for each of the functions 1 to 6, 15, 16, 17 and 23.")

set(CPACK_DEBIAN_MODBUS_PACKAGE_NAME orv-modbus)
set(CPACK_DEBIAN_MODBUS_PACKAGE_SECTION net)
set(CPACK_COMPONENT_MODBUS_DESCRIPTION "Modbus master on the command line, RTU frames over TCP
orv-modbus is the Modbus client of ORV Terminal as a command for scripts,
cron jobs and test rigs: it reads and writes coils and registers of a
device behind a Zumbrel Wi-Fi module, sending RTU frames over a plain TCP
connection, once or polling, with its answers as text or JSON.
.
It needs no display and no GUI libraries.")
include(CPack)

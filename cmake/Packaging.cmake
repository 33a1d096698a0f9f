# Installation and the Debian package: the program, the headless tool and
# the device emulator, the desktop entry with its icon, and the READMEs.
# scripts/package builds the three programs and runs cpack -G DEB in build/.
include(GNUInstallDirs)

# "ninja install" and cpack would otherwise build everything first, tests
# and benchmarks included; the package needs only the programs, which
# scripts/package builds by name.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

foreach(program tonvera tonvera-cli tonvera-emu)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

if(TARGET tonvera)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/tonvera.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/tonvera.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/src/cli/README.md)
  install(FILES ${CMAKE_SOURCE_DIR}/src/cli/README.md
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tonvera RENAME README.tonvera-cli.md)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tonvera OPTIONAL)
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/emulator/README.md)
  install(FILES ${CMAKE_SOURCE_DIR}/tools/emulator/README.md
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tonvera RENAME README.tonvera-emu.md)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tonvera)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tonvera")
set(CPACK_PACKAGE_CONTACT "Tonvera <tonvera@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Steuerprogramm für den achtkanaligen Signalgenerator")
# CPack puts the summary first and indents the long text itself.
set(CPACK_PACKAGE_DESCRIPTION
    "Tonvera stellt Signale aus bis zu acht Kanälen zusammen, lädt sie über die serielle Schnittstelle in das Gerät und steuert den Ablauf. Enthalten sind das Programm mit Fenster (tonvera), das Kommandozeilenwerkzeug tonvera-cli (prüfen, abspielen, simulieren, als WAV-Datei ausgeben) und der Geräteemulator tonvera-emu.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tonvera_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TARGET tonvera)
  # The window needs a platform plugin, which Debian ships apart from Qt's
  # libraries, and Qt's German texts, which it ships apart again.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
endif()
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)

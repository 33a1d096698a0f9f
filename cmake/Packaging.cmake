# Installation and the Debian package: the program, the headless tool,
# the device emulator, the Python module (see python/CMakeLists.txt), the
# desktop entry with its icon, and the READMEs.
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
    "Tonvera stellt Signale aus bis zu acht Kanälen zusammen, lädt sie über die serielle Schnittstelle in das Gerät und steuert den Ablauf. Enthalten sind das Programm mit Fenster (tonvera), das Kommandozeilenwerkzeug tonvera-cli (prüfen, abspielen, simulieren, als WAV-Datei ausgeben), der Geräteemulator tonvera-emu und das Python-Modul tonvera.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tonvera_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(tonvera_depends)
if(TARGET tonvera)
  # The window needs a platform plugin, which Debian ships apart from Qt's
  # libraries.
  list(APPEND tonvera_depends "qt6-qpa-plugins")
endif()
if(TARGET tonvera_python)
  # The module is built for one minor release of Debian's python3 and hands
  # out numpy arrays.
  string(REPLACE "." ";" tonvera_pyver "${TONVERA_PYTHON_VERSION}")
  list(GET tonvera_pyver 0 tonvera_pymajor)
  list(GET tonvera_pyver 1 tonvera_pyminor)
  math(EXPR tonvera_pynext "${tonvera_pyminor} + 1")
  list(APPEND tonvera_depends "python3 (>= ${TONVERA_PYTHON_VERSION})"
       "python3 (<< ${tonvera_pymajor}.${tonvera_pynext})" "python3-numpy")
endif()
list(JOIN tonvera_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)

# SPDX-License-Identifier: GPL-3.0-or-later
# Installation and the Debian package: the program, the headless tool and
# the device emulator, the Python module (see python/CMakeLists.txt), the
# desktop entry with its icon and AppStream data, manual pages, bash
# completion, the READMEs, the copyright and changelog. scripts/package
# builds tonvera-package-contents, then runs cpack -G DEB in the build
# folder.
include(GNUInstallDirs)

# "ninja install" and cpack would otherwise build everything first, tests
# and benchmarks included; the package needs only the programs, which
# scripts/package builds by name.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

foreach(program tonvera tonvera-cli tonvera-emu)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # Symbols bound at start-up, the relocation table read-only after it, as
    # Debian links its programs.
    target_link_options(${program} PRIVATE "LINKER:-z,relro,-z,now")
  endif()
endforeach()

if(TARGET tonvera)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/tonvera.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/tonvera.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  # The file type of projects (.tva), which the desktop entry opens.
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/tonvera-mime.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME tonvera.xml)
endif()
# Manual pages and the changelog go compressed, as Debian keeps them;
# gzip -n leaves out the time stamp so the package builds the same twice.
set(packaging_dir ${CMAKE_SOURCE_DIR}/packaging)
set(compressed_inputs)
set(compressed_outputs)
foreach(page tonvera tonvera-cli tonvera-emu)
  list(APPEND compressed_inputs ${packaging_dir}/man/${page}.1)
  list(APPEND compressed_outputs ${CMAKE_BINARY_DIR}/packaging/${page}.1.gz)
endforeach()
list(APPEND compressed_inputs ${packaging_dir}/debian/changelog)
list(APPEND compressed_outputs ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
foreach(in out IN ZIP_LISTS compressed_inputs compressed_outputs)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9nc ${in} > ${out}
    DEPENDS ${in} VERBATIM)
endforeach()
add_custom_target(tonvera-package-files ALL DEPENDS ${compressed_outputs})

# Everything the install rules below take from the build folder, under one
# name: the package script builds this target and nothing else, so a fresh
# clone packages without any other build having run first.
add_custom_target(tonvera-package-contents)
add_dependencies(tonvera-package-contents tonvera-package-files)
foreach(target tonvera tonvera-cli tonvera-emu tonvera_python)
  if(TARGET ${target})
    add_dependencies(tonvera-package-contents ${target})
  endif()
endforeach()

foreach(program tonvera tonvera-cli tonvera-emu)
  if(TARGET ${program})
    install(FILES ${CMAKE_BINARY_DIR}/packaging/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
foreach(program tonvera-cli tonvera-emu)
  if(TARGET ${program})
    install(FILES ${packaging_dir}/bash-completion/${program}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
  endif()
endforeach()
if(TARGET tonvera)
  install(FILES ${packaging_dir}/org.tonvera.tonvera.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
install(FILES ${packaging_dir}/debian/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tonvera)

install(FILES ${CMAKE_SOURCE_DIR}/src/cli/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tonvera
        RENAME README.tonvera-cli.md)
install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tonvera)
install(FILES ${CMAKE_SOURCE_DIR}/tools/emulator/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tonvera
        RENAME README.tonvera-emu.md)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tonvera)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tonvera developers")
set(CPACK_PACKAGE_CONTACT "Tonvera developers <tonvera@tonvera.org>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tonvera developers <tonvera@tonvera.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program for an eight-channel signal generator")
# CPack puts the summary first and indents each line of the long text; the
# lines are broken here, since Debian shows them as they stand (80 columns).
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Tonvera composes up to eight tone signals (sine, calibrated sine, AM,"
  "rectangle, noise, mute) with start time, ramps, plateau, frequency, phase"
  "and attenuation, downloads them to the signal generator over a serial"
  "line and follows the run. Parameters may name variables, so a run steps"
  "through a series of positions by itself; a calibration table corrects the"
  "level over frequency. The user interface is German."
  ""
  "The package holds the program with its window (tonvera), the headless"
  "tool tonvera-cli (check, play, simulate, render to a WAV file, list the"
  "serial ports), the device emulator tonvera-emu and the Python module"
  "tonvera for experiment scripts.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # tonvera_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(tonvera_depends)
if(TARGET tonvera)
  # The window needs a platform plugin, which Debian ships apart from Qt's
  # libraries, and Qt's German texts, which it ships apart again.
  list(APPEND tonvera_depends "qt6-qpa-plugins" "qt6-translations-l10n")
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

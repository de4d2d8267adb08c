# Installation and the Debian package.
#
# Installed, the programs sit in <prefix>/bin and their shipped data in <prefix>/share/quillon:
# the help document, the report and device templates (copied into each user's workspace at start,
# never over the user's own files) and the demo workspace, for trying the program out with
# `quillon --workspace` on a copy of it. The program finds the data folder from its own place, so
# the package works under any prefix.
include(GNUInstallDirs)

set(quillon_programs quillon-cli)
if(TARGET quillon)
  list(APPEND quillon_programs quillon)
endif()
if(TARGET quillon-sim)
  list(APPEND quillon_programs quillon-sim)
endif()
install(TARGETS ${quillon_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(quillon_data ${CMAKE_INSTALL_DATADIR}/quillon)
if(TARGET quillon-help)
  install(FILES ${CMAKE_BINARY_DIR}/bin/Help/Quillon.pdf DESTINATION ${quillon_data}/Help)
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/demo/XLT/ DESTINATION ${quillon_data}/XLT)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/demo/DeviceTemplate/ DESTINATION ${quillon_data}/DeviceTemplate)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/demo/ DESTINATION ${quillon_data}/demo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quillon")
set(CPACK_PACKAGE_CONTACT "Quillon developers <quillon@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Workbench for commissioning motor and excitation controllers")
# One string: CMake would join several with ";".
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Quillon keeps a database of installed controllers, reads and writes their parameters over a "
       "serial line or TCP (QuBUS, MODBUS RTU, MODBUS TCP, MODBUS TCP/IP), records and replays "
       "oscillograms, and reads alarm logs, counters, event and statistics buffers. It comes with "
       "quillon-cli, the same from a terminal, and quillon-sim, a simulated controller for training "
       "and tests.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# quillon_<version>_amd64.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# The libraries the programs link, each with the version it needs, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What is loaded at run time rather than linked: a font (a bare system has none, and Qt then
# draws no text) and the desktop's opener for the help document and the editor.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, xdg-utils")
include(CPack)

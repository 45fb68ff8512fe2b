# SPDX-License-Identifier: GPL-3.0-or-later
# cmake --install: the programs in bin/, the bundled descriptions with their demo ROMs in the data
# folder (the program looks there when no description sits beside it), a desktop entry and an icon.
include(GNUInstallDirs)

install(TARGETS tirvane-headless RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tirvane)
  install(TARGETS tirvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tirvane.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/tirvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/CHANGELOG.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tirvane)

# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -DBUILD_DIR=... -DPREFIX=... -P install_check.cmake: installs the build into a fresh prefix
# and runs the installed runner on an installed description, as a packager would.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(file bin/tirvane-headless share/tirvane/pacman_demo.ini share/tirvane/roms/pacman/demo.bin
             share/applications/tirvane.desktop share/icons/hicolor/scalable/apps/tirvane.svg
             share/doc/tirvane/LICENSE share/doc/tirvane/CHANGELOG.md)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
execute_process(COMMAND ${PREFIX}/bin/tirvane-headless --version OUTPUT_VARIABLE version RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT version MATCHES "^tirvane-headless ${EXPECTED_VERSION}\n$")
  message(FATAL_ERROR "--version printed '${version}' (exit ${status})")
endif()
execute_process(COMMAND ${PREFIX}/bin/tirvane-headless ${PREFIX}/share/tirvane/pacman_demo.ini --frames 3
                        --png ${PREFIX}/shot.png
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR NOT EXISTS ${PREFIX}/shot.png)
  message(FATAL_ERROR "the installed runner could not run an installed game: ${errors}")
endif()
if(EXISTS ${PREFIX}/bin/tirvane)
  execute_process(COMMAND ${PREFIX}/bin/tirvane --version OUTPUT_VARIABLE version RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT version MATCHES "^tirvane ${EXPECTED_VERSION}\n$")
    message(FATAL_ERROR "tirvane --version printed '${version}' (exit ${status})")
  endif()
endif()
file(REMOVE_RECURSE ${PREFIX})

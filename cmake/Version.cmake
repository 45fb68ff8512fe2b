# SPDX-License-Identifier: GPL-3.0-or-later
# The one version number lives in project(); every program reads it from this generated header.
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${CMAKE_BINARY_DIR}/generated/tirvane_version.h @ONLY)
add_library(tirvane_version INTERFACE)
target_include_directories(tirvane_version INTERFACE ${CMAKE_BINARY_DIR}/generated)

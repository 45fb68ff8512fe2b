// SPDX-License-Identifier: GPL-3.0-or-later
// Where the bundled descriptions are: beside the program in a build tree, in the data folder
// (../share/tirvane) once installed.
#pragma once

#include <string>

namespace tirvane {

// The folder whose *.ini files the catalogue lists, ending with '/': programFolder itself when it
// holds a description, else the installed data folder beside it when that exists, else
// programFolder (an empty catalogue, as before).
std::string BundledGamesFolder(const std::string& programFolder);

}  // namespace tirvane

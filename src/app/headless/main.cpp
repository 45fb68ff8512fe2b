// SPDX-License-Identifier: GPL-3.0-or-later
// tirvane-headless DESCRIPTION.ini [--frames N] [--keys RANGES] [--load FILE[@F]] [--png OUT.png]
//                  [--scale 1|2] [--stats]
// tirvane-headless --version
#include <iostream>
#include <string>
#include <vector>

#include "app/headless_runner.h"
#include "tirvane_version.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << "tirvane-headless " << tirvane::TirvaneVersion << '\n';
    return 0;
  }
  return tirvane::RunHeadless(args, std::cout, std::cerr);
}

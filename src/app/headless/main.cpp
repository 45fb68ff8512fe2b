// SPDX-License-Identifier: GPL-3.0-or-later
// tirvane-headless DESCRIPTION.ini [--frames N] [--keys RANGES] [--load FILE[@F]] [--png OUT.png]
//                  [--scale 1|2] [--stats]
#include <iostream>
#include <string>
#include <vector>

#include "app/headless_runner.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tirvane::RunHeadless(args, std::cout, std::cerr);
}

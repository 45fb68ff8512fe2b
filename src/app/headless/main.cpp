// SPDX-License-Identifier: GPL-3.0-or-later
// tirvane-headless DESCRIPTION.ini [--frames N] [--keys RANGES] [--load FILE[@F]] [--png OUT.png]
//                  [--scale 1|2] [--stats]
// tirvane-headless --cpm PROGRAM.com [--cpu exact|original] [--max-tstates N]: a CP/M program on
//                  the bare processor.
// tirvane-headless --version
// tirvane-headless --mcp: the automation server on standard input and output, serving the bundled
//                  descriptions.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/cpm_machine.h"
#include "app/games_folder.h"
#include "app/headless_host.h"
#include "app/headless_runner.h"
#include "automation/mcp_server.h"
#include "tirvane_version.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << "tirvane-headless " << tirvane::TirvaneVersion << '\n';
    return 0;
  }
  if (args.size() == 1 && args[0] == "--mcp")
    return tirvane::ServeMcp(STDIN_FILENO, std::cout,
                             tirvane::BundledGamesFolder(tirvane::ExecutableFolder()));
  for (const std::string& arg : args)
    if (arg == "--cpm") return tirvane::RunCpmCommand(args, std::cin, std::cout, std::cerr);
  return tirvane::RunHeadless(args, std::cout, std::cerr);
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Start and Stop of every driver, over and over, in the headless runner: nothing a run allocates may
// outlive it. The sanitizer build asks the leak checker; the normal build watches resident memory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "machine/description.h"
#include "app/headless_runner.h"
#include "drivers/driver.h"

#if defined(__SANITIZE_ADDRESS__)
#define TIRVANE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TIRVANE_ASAN 1
#endif
#endif
#ifdef TIRVANE_ASAN
#include <sanitizer/lsan_interface.h>
#endif

namespace tirvane {
namespace {

#ifdef TIRVANE_ASAN
// The leak checker names a leak after the second cycle as surely as after the hundredth; the many
// cycles are for resident memory, whose growth only shows over many.
constexpr int Cycles = 3;
#else
constexpr int Cycles = 100;
#endif

// The first description of each driver in the program folder, by file name.
std::map<std::string, std::string> DescriptionPerDriver() {
  std::map<std::string, std::string> found;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(TIRVANE_BIN_DIR))
    if (entry.path().extension() == ".ini") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& file : files) {
    CatalogueHeader header;
    if (ReadCatalogueHeader(file.string(), header)) found.emplace(UpperAscii(header.Driver), file.string());
  }
  return found;
}

#ifndef TIRVANE_ASAN
// Resident set size from the second field of /proc/self/statm (pages).
long ResidentBytes() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (!statm) return -1;
  long size = 0, resident = -1;
  if (std::fscanf(statm, "%ld %ld", &size, &resident) != 2) resident = -1;
  std::fclose(statm);
  return resident < 0 ? -1 : resident * ::sysconf(_SC_PAGESIZE);
}
#endif

TEST(RunMemory, HundredStartStopCyclesOfEveryDriverKeepNothing) {
  const auto descriptions = DescriptionPerDriver();
  std::vector<std::string> jobs;
  for (const DriverInfo& row : DriverTable()) {
    const auto it = descriptions.find(row.Name);
    ASSERT_NE(it, descriptions.end()) << "no description in the program folder runs " << row.Name;
    jobs.push_back(it->second);
  }

  const auto cycle = [&jobs] {
    for (const std::string& description : jobs) {
      HeadlessOptions options;
      options.Description = description;
      options.Frames = 1;
      const HeadlessResult result = RunHeadlessJob(options);
      ASSERT_TRUE(result.Ok) << description << ": " << result.Error;
    }
  };

  cycle();
  if (::testing::Test::HasFatalFailure()) return;
#ifndef TIRVANE_ASAN
  const long afterFirst = ResidentBytes();
  ASSERT_GT(afterFirst, 0);
#endif
  for (int i = 1; i < Cycles && !::testing::Test::HasFatalFailure(); ++i) cycle();

#ifdef TIRVANE_ASAN
  // Nonzero when memory allocated so far is no longer reachable; the report names the allocation.
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
#else
  const long afterAll = ResidentBytes();
  EXPECT_LE(afterAll - afterFirst, 1L << 20)
      << "resident after the first cycle " << afterFirst << ", after " << Cycles << ": " << afterAll;
#endif
}

}  // namespace
}  // namespace tirvane

// SPDX-License-Identifier: GPL-3.0-or-later
// tirvane_mcp_bench: how fast the automation server answers.
//   register read   get_registers round trips through tirvane-headless --mcp over its pipes (the
//                   whole path an agent sees) and in-process through the message layer alone
//   frames          frames per second of run_frames calls, against the headless runner's job on the
//                   same description in the same run; the ratio is server / runner
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/headless_host.h"
#include "app/headless_runner.h"
#include "automation/mcp_server.h"

namespace tirvane {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

std::string CallLine(int id, const std::string& tool, const std::string& arguments) {
  return "{\"jsonrpc\":\"2.0\",\"id\":" + std::to_string(id) +
         ",\"method\":\"tools/call\",\"params\":{\"name\":\"" + tool + "\",\"arguments\":" + arguments + "}}";
}

// The program as a client starts it: a child on two pipes, one request and one answer line at a time.
class Child {
 public:
  explicit Child(const std::string& program) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], STDIN_FILENO);
      dup2(out[1], STDOUT_FILENO);
      close(in[1]);
      close(out[0]);
      execl(program.c_str(), program.c_str(), "--mcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to_ = in[1];
    from_ = out[0];
  }
  ~Child() {
    if (to_ >= 0) close(to_);
    if (from_ >= 0) close(from_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  bool Ok() const { return pid_ > 0; }
  std::string Ask(const std::string& line) {
    const std::string message = line + "\n";
    if (write(to_, message.data(), message.size()) != static_cast<ssize_t>(message.size())) return {};
    std::string reply;
    char c;
    while (read(from_, &c, 1) == 1 && c != '\n') reply += c;
    return reply;
  }

 private:
  pid_t pid_ = -1;
  int to_ = -1, from_ = -1;
};

void RegisterReads(const std::string& folder) {
  constexpr int Calls = 2000;
  Child child(folder + "tirvane-headless");
  if (!child.Ok() || child.Ask(CallLine(1, "start_game", "{\"game\":\"opense_basic.ini\"}")).empty()) {
    std::printf("cannot start tirvane-headless --mcp\n");
    return;
  }
  child.Ask(CallLine(2, "run_frames", "{\"frames\":50}"));
  std::vector<double> times;
  for (int i = 0; i < Calls; ++i) {
    const auto began = Clock::now();
    child.Ask(CallLine(3 + i, "get_registers", "{}"));
    times.push_back(Seconds(began) * 1e3);
  }
  std::sort(times.begin(), times.end());
  double sum = 0;
  for (double t : times) sum += t;
  std::printf(
      "get_registers over pipes: mean %.3f ms, median %.3f ms, 99th %.3f ms, max %.3f ms (goal < 2 ms)\n",
      sum / Calls, times[Calls / 2], times[Calls * 99 / 100], times.back());

  McpServer server(folder);
  server.HandleLine(CallLine(1, "start_game", "{\"game\":\"opense_basic.ini\"}"));
  const std::string line = CallLine(2, "get_registers", "{}");
  const auto began = Clock::now();
  for (int i = 0; i < Calls; ++i) server.HandleLine(line);
  std::printf("get_registers in-process: mean %.4f ms\n", Seconds(began) * 1e3 / Calls);
}

double RunnerFps(const std::string& description, int frames) {
  HeadlessOptions options;
  options.Description = description;
  options.Frames = frames;
  const HeadlessResult result = RunHeadlessJob(options);
  return result.Ok && result.Seconds > 0 ? static_cast<double>(result.Frames) / result.Seconds : 0;
}

double ServerFps(const std::string& folder, const std::string& file, int frames, int perCall) {
  McpServer server(folder);
  server.HandleLine(CallLine(1, "start_game", "{\"game\":\"" + file + "\"}"));
  const std::string line = CallLine(2, "run_frames", "{\"frames\":" + std::to_string(perCall) + "}");
  const auto began = Clock::now();
  for (int done = 0; done < frames; done += perCall) server.HandleLine(line);
  return frames / Seconds(began);
}

void Frames(const std::string& folder) {
  constexpr int Frames = 3000;
  for (const char* file : {"opense_basic.ini", "galaxian_demo.ini", "pacman_demo.ini"}) {
    // Best of three, interleaved, so both see the same machine load.
    double runner = 0, server = 0, small = 0;
    for (int round = 0; round < 3; ++round) {
      runner = std::max(runner, RunnerFps(folder + file, Frames));
      server = std::max(server, ServerFps(folder, file, Frames, 1000));
      small = std::max(small, ServerFps(folder, file, Frames, 1));
    }
    std::printf(
        "%-18s runner %8.0f fps | server %8.0f fps, ratio %.3f (goal >= 0.90) | one frame a call %8.0f fps, "
        "ratio %.3f\n",
        file, runner, server, server / runner, small, small / runner);
  }
}

}  // namespace
}  // namespace tirvane

int main() {
  const std::string folder = tirvane::ExecutableFolder();
  tirvane::RegisterReads(folder);
  tirvane::Frames(folder);
  return 0;
}

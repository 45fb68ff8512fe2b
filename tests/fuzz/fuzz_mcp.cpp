// SPDX-License-Identifier: GPL-3.0-or-later
// The automation server's message layer and tools: the input is a session of lines, each handed to
// the server as a client would send it. Every line must get at most one answer that is itself valid
// JSON-RPC, whatever it holds. Calls are held to a few frames so a session stays quick.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string_view>

#include "automation/mcp_server.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tirvane::McpServer server(TIRVANE_BIN_DIR "/", 8);
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (!input.empty()) {
    const size_t end = input.find('\n');
    const std::string_view line = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view{} : input.substr(end + 1);
    // A mutated path would have save_state write files wherever it points.
    if (line.find("save_state") != std::string_view::npos) continue;
    if (const auto reply = server.HandleLine(line)) {
      const auto answer = nlohmann::json::parse(*reply, nullptr, false);
      if (answer.is_discarded() || answer.value("jsonrpc", "") != "2.0" ||
          answer.contains("result") == answer.contains("error"))
        std::abort();
    }
  }
  return 0;
}

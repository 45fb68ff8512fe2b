// SPDX-License-Identifier: GPL-3.0-or-later
// The automation server's message layer and tools: the input is a session of lines, each handed to
// the server as a client would send it, with a slice of the call under way run between lines so that
// pings and cancellations land in the middle of calls. Every line out must be valid JSON-RPC: an
// answer with a result or an error, or a notification. Calls are held to a few frames so a session
// stays quick.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string_view>

#include "automation/mcp_server.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tirvane::McpServer server(TIRVANE_BIN_DIR "/", 8, 2);
  const tirvane::McpServer::Output check = [](const std::string& line, bool notification) {
    const auto message = nlohmann::json::parse(line, nullptr, false);
    if (message.is_discarded() || message.value("jsonrpc", "") != "2.0") std::abort();
    if (notification ? !message.contains("method") || message.contains("id")
                     : message.contains("result") == message.contains("error"))
      std::abort();
  };
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (!input.empty()) {
    const size_t end = input.find('\n');
    const std::string_view line = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view{} : input.substr(end + 1);
    // A mutated path would have save_state write files wherever it points.
    if (line.find("save_state") != std::string_view::npos) continue;
    server.Receive(line, check);
    server.Work(check);
  }
  while (server.Busy()) server.Work(check);
  return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The Model Context Protocol over JSON-RPC 2.0, one message a line: initialize, ping, tools/list and
// tools/call, with the machine behind the tools. Every line gets exactly one answer unless it is a
// notification or a response; no input crashes the server or leaves it waiting for more.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "automation/machine_tools.h"

namespace tirvane {

// Standard JSON-RPC codes the server answers with.
enum McpErrorCode : int {
  ParseError = -32700,
  InvalidRequest = -32600,
  MethodNotFound = -32601,
  InvalidParams = -32602,
};

// The revisions this server speaks, newest first; the first is offered when a client asks for another.
extern const char* const McpProtocolVersions[4];

class McpServer {
 public:
  explicit McpServer(std::string descriptionFolder, int framesPerCall = MachineTools::DefaultFramesPerCall);

  // One message in; the answer line (without the newline), or nothing when none is due.
  std::optional<std::string> HandleLine(std::string_view line);

  MachineTools& Tools() { return tools_; }

 private:
  nlohmann::json Dispatch(const std::string& method, const nlohmann::json& params, bool& isError);

  MachineTools tools_;
};

// Lines longer than this are answered with a parse error and skipped, so a client that never sends a
// newline cannot make the server grow without bound.
constexpr size_t MaxMessageBytes = 16u << 20;

// Serves inputFd until it ends; answers go to out, one line each. While "resume" keeps the machine
// running, frames run between messages at the machine's own rate. Returns the exit status.
int ServeMcp(int inputFd, std::ostream& out, const std::string& descriptionFolder);

}  // namespace tirvane

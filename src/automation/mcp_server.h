// SPDX-License-Identifier: GPL-3.0-or-later
// The Model Context Protocol over JSON-RPC 2.0, one message a line: initialize, ping, tools/list and
// tools/call, with the machine behind the tools. Every request gets exactly one answer unless it is
// cancelled; no input crashes the server or leaves it waiting for more.
//
// A call that runs frames runs a slice at a time. Between slices the server reads what came in:
// ping and notifications (cancellation above all) are served at once, other requests wait their turn,
// since only one call at a time may drive the machine.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
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

// Lines longer than this are answered with a parse error and skipped, so a client that never sends a
// newline cannot make the server grow without bound. The longest useful message (write_memory's 4096
// bytes as text) is a few tens of kilobytes.
constexpr size_t MaxMessageBytes = 1u << 20;
// Arrays and objects nested deeper than this refuse the line before it is parsed; no message of the
// protocol goes past a handful of levels.
constexpr int MaxNestingDepth = 64;

class McpServer {
 public:
  // Frames a call runs before the server looks at its input again.
  static constexpr int DefaultSliceFrames = 10;
  // A call with a progress token hears of its progress at most this often.
  static constexpr int ProgressEveryFrames = 300;

  explicit McpServer(std::string descriptionFolder, int framesPerCall = MachineTools::DefaultFramesPerCall,
                     int sliceFrames = DefaultSliceFrames);

  // A line for the client (without its newline); notification tells progress and log lines from answers.
  using Output = std::function<void(const std::string& line, bool notification)>;

  // One message in; the answer line (without the newline), or nothing when none is due. A call that
  // runs frames runs to its end here; its notifications are dropped.
  std::optional<std::string> HandleLine(std::string_view line);

  // The interleaved way: Receive each line as it comes, and Work while Busy.
  void Receive(std::string_view line, const Output& out);
  bool Busy() const { return underway_.has_value() || !waiting_.empty(); }
  // One slice of the call under way, or the start of the next request waiting.
  void Work(const Output& out);

  MachineTools& Tools() { return tools_; }

 private:
  struct Request {
    nlohmann::json Id;
    std::string Method;
    nlohmann::json Params;
    size_t Bytes = 0;
  };
  struct Underway {
    nlohmann::json Id;
    nlohmann::json ProgressToken;  // null: the client asked for no progress
    uint64_t Reported = 0;         // frames done at the last progress notification
  };

  // The request a line holds; otherwise the error answer is sent (or nothing, for a notification).
  std::optional<Request> Read(std::string_view line, const Output& out, bool& notification);
  void Start(Request request, const Output& out);
  void Notified(const std::string& method, const nlohmann::json& params, const Output& out);
  nlohmann::json Dispatch(const Request& request, bool& isError, bool& pending);

  MachineTools tools_;
  int sliceFrames_;
  std::optional<Underway> underway_;
  std::deque<Request> waiting_;
  size_t waitingBytes_ = 0;
  // Structured answers and output schemas came with revision 2025-06-18; older clients get text only.
  bool structured_ = true;
};

// Serves inputFd until it ends and every request read is answered; answers go to out, one line each.
// While "resume" keeps the machine running, frames run between messages at the machine's own rate.
// Returns the exit status.
int ServeMcp(int inputFd, std::ostream& out, const std::string& descriptionFolder);

}  // namespace tirvane

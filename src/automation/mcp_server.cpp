// SPDX-License-Identifier: GPL-3.0-or-later
#include "automation/mcp_server.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ostream>

#include "tirvane_version.h"

namespace tirvane {

using nlohmann::json;

const char* const McpProtocolVersions[4] = {"2025-11-25", "2025-06-18", "2025-03-26", "2024-11-05"};

namespace {

constexpr const char* Instructions =
    "Tirvane runs one Z80 machine at a time. list_games, then start_game; run_frames or type keys with "
    "press_keys/run_frames; look with screenshot and read_memory; debug with set_breakpoint, "
    "run_to_breakpoint, step_into, get_registers and disassemble. Addresses are hexadecimal text or numbers. "
    "Calls that run frames report progress when asked and stop at a frame boundary when cancelled.";

// Requests read while a call runs wait for it; past this much text the rest are refused at once.
constexpr size_t MaxWaitingBytes = 4 * MaxMessageBytes;

// Text the client sent may hold broken UTF-8; it is echoed with replacement characters, never thrown on.
std::string Serialise(const json& message) {
  return message.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string ErrorLine(const json& id, int code, const std::string& message) {
  return Serialise({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

std::string Notification(const char* method, json params) {
  return Serialise({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

bool ValidId(const json& id) { return id.is_string() || id.is_number_integer(); }

// Deepest nesting of arrays and objects in the text, outside strings; stops counting past the limit.
// The parser would otherwise build every level before finding the line unusable.
int NestingDepth(std::string_view line) {
  int depth = 0, deepest = 0;
  bool inString = false, escaped = false;
  for (const char c : line) {
    if (inString) {
      if (escaped)
        escaped = false;
      else if (c == '\\')
        escaped = true;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
      if (deepest > MaxNestingDepth) break;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

}  // namespace

McpServer::McpServer(std::string descriptionFolder, int framesPerCall, int sliceFrames)
    : tools_(std::move(descriptionFolder), framesPerCall), sliceFrames_(std::max(1, sliceFrames)) {}

std::optional<std::string> McpServer::HandleLine(std::string_view line) {
  std::optional<std::string> answer;
  const Output keep = [&](const std::string& text, bool notification) {
    if (!notification) answer = text;
  };
  Receive(line, keep);
  while (Busy()) Work(keep);
  return answer;
}

std::optional<McpServer::Request> McpServer::Read(std::string_view line, const Output& out,
                                                  bool& notification) {
  notification = false;
  const auto refuse = [&](const json& id, int code, const std::string& message) {
    out(ErrorLine(id, code, message), false);
    return std::nullopt;
  };
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
    line.remove_suffix(1);
  if (line.find_first_not_of(" \t") == std::string_view::npos) return std::nullopt;
  if (line.size() > MaxMessageBytes)
    return refuse(nullptr, ParseError, "Parse error: message longer than 1 MB");
  if (NestingDepth(line) > MaxNestingDepth)
    return refuse(
        nullptr, ParseError,
        "Parse error: arrays and objects nested deeper than " + std::to_string(MaxNestingDepth) + " levels");

  const json message = json::parse(line, nullptr, false);
  if (message.is_discarded()) return refuse(nullptr, ParseError, "Parse error: the line is not valid JSON");
  if (message.is_array())
    return refuse(nullptr, InvalidRequest,
                  "Invalid request: batches are not supported, send one message a line");
  if (!message.is_object())
    return refuse(nullptr, InvalidRequest, "Invalid request: a message is a JSON object");

  const auto idField = message.find("id");
  const bool hasId = idField != message.end();
  if (hasId && !ValidId(*idField))
    return refuse(nullptr, InvalidRequest, "Invalid request: 'id' must be a string or an integer");
  const json id = hasId ? *idField : json(nullptr);

  const auto methodField = message.find("method");
  if (methodField == message.end()) {
    // A response: this server sends no requests, so there is nothing to match it with.
    if (message.contains("result") || message.contains("error")) return std::nullopt;
    return refuse(id, InvalidRequest, "Invalid request: no 'method'");
  }
  const auto version = message.find("jsonrpc");
  if (version == message.end() || *version != "2.0") {
    if (hasId) refuse(id, InvalidRequest, "Invalid request: 'jsonrpc' must be \"2.0\"");
    return std::nullopt;
  }
  if (!methodField->is_string()) {
    if (hasId) refuse(id, InvalidRequest, "Invalid request: 'method' must be text");
    return std::nullopt;
  }
  const auto paramsField = message.find("params");
  Request request{id, methodField->get<std::string>(),
                  paramsField == message.end() ? json::object() : *paramsField, line.size()};
  notification = !hasId;
  if (!request.Params.is_object()) {
    if (hasId) refuse(id, InvalidParams, "Invalid params: 'params' must be an object");
    return std::nullopt;
  }
  return request;
}

void McpServer::Receive(std::string_view line, const Output& out) {
  bool notification = false;
  std::optional<Request> request = Read(line, out, notification);
  if (!request) return;
  if (notification) return Notified(request->Method, request->Params, out);
  // ping touches nothing, so it needs no turn: a client checking the server hears back during a call.
  if (!Busy() || request->Method == "ping") return Start(std::move(*request), out);
  if (waitingBytes_ + request->Bytes > MaxWaitingBytes)
    return out(
        ErrorLine(request->Id, InvalidRequest,
                  "Invalid request: too many requests wait for the call under way; send it again later"),
        false);
  waitingBytes_ += request->Bytes;
  waiting_.push_back(std::move(*request));
}

void McpServer::Notified(const std::string& method, const json& params, const Output& out) {
  // The others (initialized, progress, ...) need nothing from this server.
  if (method != "notifications/cancelled") return;
  const auto id = params.find("requestId");
  if (id == params.end()) return;
  if (underway_ && underway_->Id == *id) {
    // The protocol wants no answer to a cancelled request; where the machine stopped goes to the log
    // and to the status tool.
    underway_.reset();
    out(Notification("notifications/message",
                     {{"level", "notice"}, {"logger", "tirvane"}, {"data", tools_.Cancel()}}),
        true);
    return;
  }
  for (auto it = waiting_.begin(); it != waiting_.end(); ++it)
    if (it->Id == *id) {
      waitingBytes_ -= it->Bytes;
      waiting_.erase(it);
      return;
    }
}

void McpServer::Start(Request request, const Output& out) {
  bool isError = false, pending = false;
  json result = Dispatch(request, isError, pending);
  if (isError)
    return out(ErrorLine(request.Id, result["code"].get<int>(), result["message"].get<std::string>()), false);
  if (pending) {
    json token = nullptr;
    if (const auto meta = request.Params.find("_meta"); meta != request.Params.end() && meta->is_object())
      if (const auto found = meta->find("progressToken"); found != meta->end() && ValidId(*found))
        token = *found;
    underway_ = Underway{request.Id, std::move(token), 0};
    return;
  }
  out(Serialise({{"jsonrpc", "2.0"}, {"id", request.Id}, {"result", std::move(result)}}), false);
}

namespace {

json ToolResult(ToolOutcome outcome, bool structured) {
  json result = {{"content", std::move(outcome.Content)}};
  if (structured && !outcome.Structured.is_null())
    result["structuredContent"] = std::move(outcome.Structured);
  if (outcome.IsError) result["isError"] = true;
  return result;
}

}  // namespace

void McpServer::Work(const Output& out) {
  if (!underway_) {
    if (waiting_.empty()) return;
    Request next = std::move(waiting_.front());
    waiting_.pop_front();
    waitingBytes_ -= next.Bytes;
    return Start(std::move(next), out);
  }
  std::optional<ToolOutcome> outcome = tools_.Continue(sliceFrames_);
  const uint64_t done = tools_.CallFramesDone();
  if (!outcome || !outcome->Pending) {
    // No outcome at all would mean the call ended behind the server's back; it still gets an answer.
    json result = outcome ? ToolResult(std::move(*outcome), structured_)
                          : json{{"content", json::array()}, {"isError", true}};
    out(Serialise({{"jsonrpc", "2.0"}, {"id", underway_->Id}, {"result", std::move(result)}}), false);
    underway_.reset();
    return;
  }
  if (!underway_->ProgressToken.is_null() && done >= underway_->Reported + ProgressEveryFrames) {
    underway_->Reported = done;
    const uint64_t limit = tools_.CallFramesLimit();
    out(Notification("notifications/progress", {{"progressToken", underway_->ProgressToken},
                                                {"progress", done},
                                                {"total", limit},
                                                {"message", std::to_string(done) + " of at most " +
                                                                std::to_string(limit) + " frames"}}),
        true);
  }
}

json McpServer::Dispatch(const Request& request, bool& isError, bool& pending) {
  const auto fail = [&](int code, std::string message) {
    isError = true;
    return json{{"code", code}, {"message", std::move(message)}};
  };
  const std::string& method = request.Method;
  const json& params = request.Params;

  if (method == "initialize") {
    std::string version = McpProtocolVersions[0];
    const auto asked = params.find("protocolVersion");
    if (asked != params.end() && asked->is_string())
      for (const char* known : McpProtocolVersions)
        if (*asked == known) version = known;
    // Revisions as dates compare as text.
    structured_ = version >= std::string("2025-06-18");
    return {{"protocolVersion", version},
            {"capabilities", {{"tools", {{"listChanged", false}}}, {"logging", json::object()}}},
            {"serverInfo",
             {{"name", "tirvane"},
              {"title", "Tirvane Z80 emulator and debugger"},
              {"version", std::string(TirvaneVersion)}}},
            {"instructions", Instructions}};
  }
  if (method == "ping") return json::object();
  // The log carries only the notices of cancelled calls, so every level keeps them.
  if (method == "logging/setLevel") return json::object();
  if (method == "tools/list") {
    json tools = tools_.List();
    if (!structured_)
      for (json& tool : tools) tool.erase("outputSchema");
    return {{"tools", std::move(tools)}};
  }
  if (method == "tools/call") {
    const auto name = params.find("name");
    if (name == params.end() || !name->is_string())
      return fail(InvalidParams, "Invalid params: tools/call needs the tool's 'name' as text");
    const auto arguments = params.find("arguments");
    const json args = arguments == params.end() || arguments->is_null() ? json::object() : *arguments;
    const std::string toolName = name->get<std::string>();
    std::optional<ToolOutcome> outcome = tools_.Begin(toolName, args);
    if (!outcome) return fail(InvalidParams, "Unknown tool: " + toolName + " (tools/list names them)");
    pending = outcome->Pending;
    return pending ? json() : ToolResult(std::move(*outcome), structured_);
  }
  return fail(MethodNotFound, "Method not found: " + method);
}

int ServeMcp(int inputFd, std::ostream& out, const std::string& descriptionFolder) {
  McpServer server(descriptionFolder);
  std::string pending;
  bool skipping = false;  // inside a line that was too long, until its newline
  bool ended = false;
  char chunk[65536];

  const McpServer::Output write = [&](const std::string& line, bool) {
    out << line << '\n';
    out.flush();
  };

  // After the input ends, what was read is still answered: a script may pipe its requests in.
  while (!ended || server.Busy()) {
    MachineTools& tools = server.Tools();
    if (ended) {
      server.Work(write);
      continue;
    }
    int timeout = -1;
    if (server.Busy()) {
      timeout = 0;
    } else if (tools.FreeRunning()) {
      const auto wait = tools.NextFrameDue() - std::chrono::steady_clock::now();
      timeout = static_cast<int>(
          std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::milliseconds>(wait).count()));
    }
    pollfd input{inputFd, POLLIN, 0};
    const int ready = poll(&input, 1, timeout);
    if (ready < 0 && errno != EINTR) return 1;
    if (ready <= 0) {
      if (server.Busy())
        server.Work(write);
      else
        tools.FreeRunFrame();
      continue;
    }
    const ssize_t got = read(inputFd, chunk, sizeof chunk);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) {
      // A last message without its newline still counts.
      if (!skipping && !pending.empty()) server.Receive(pending, write);
      ended = true;
      continue;
    }

    size_t start = 0;
    for (size_t i = 0; i < static_cast<size_t>(got); ++i) {
      if (chunk[i] != '\n') continue;
      if (skipping) {
        skipping = false;
      } else {
        pending.append(chunk + start, i - start);
        server.Receive(pending, write);
      }
      pending.clear();
      start = i + 1;
    }
    if (!skipping) pending.append(chunk + start, static_cast<size_t>(got) - start);
    if (pending.size() > MaxMessageBytes) {
      write(ErrorLine(nullptr, ParseError, "Parse error: message longer than 1 MB"), false);
      pending.clear();
      skipping = true;
    }
    // A client that keeps writing still sees its call go on.
    if (server.Busy()) server.Work(write);
  }
  return 0;
}

}  // namespace tirvane

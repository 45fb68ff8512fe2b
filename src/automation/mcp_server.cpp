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
    "run_to_breakpoint, step_into, get_registers and disassemble. Addresses are hexadecimal text or numbers.";

// Text the client sent may hold broken UTF-8; it is echoed with replacement characters, never thrown on.
std::string Serialise(const json& message) {
  return message.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string ErrorLine(const json& id, int code, const std::string& message) {
  return Serialise({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

bool ValidId(const json& id) { return id.is_string() || id.is_number_integer(); }

}  // namespace

McpServer::McpServer(std::string descriptionFolder, int framesPerCall)
    : tools_(std::move(descriptionFolder), framesPerCall) {}

std::optional<std::string> McpServer::HandleLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
    line.remove_suffix(1);
  if (line.find_first_not_of(" \t") == std::string_view::npos) return std::nullopt;

  const json message = json::parse(line, nullptr, false);
  if (message.is_discarded())
    return ErrorLine(nullptr, ParseError, "Parse error: the line is not valid JSON");
  if (message.is_array())
    return ErrorLine(nullptr, InvalidRequest,
                     "Invalid request: batches are not supported, send one message a line");
  if (!message.is_object())
    return ErrorLine(nullptr, InvalidRequest, "Invalid request: a message is a JSON object");

  const auto idField = message.find("id");
  const bool hasId = idField != message.end();
  if (hasId && !ValidId(*idField))
    return ErrorLine(nullptr, InvalidRequest, "Invalid request: 'id' must be a string or an integer");
  const json id = hasId ? *idField : json(nullptr);

  const auto methodField = message.find("method");
  if (methodField == message.end()) {
    // A response: this server sends no requests, so there is nothing to match it with.
    if (message.contains("result") || message.contains("error")) return std::nullopt;
    return ErrorLine(id, InvalidRequest, "Invalid request: no 'method'");
  }
  const auto version = message.find("jsonrpc");
  if (version == message.end() || *version != "2.0")
    return hasId ? std::optional(ErrorLine(id, InvalidRequest, "Invalid request: 'jsonrpc' must be \"2.0\""))
                 : std::nullopt;
  if (!methodField->is_string())
    return hasId ? std::optional(ErrorLine(id, InvalidRequest, "Invalid request: 'method' must be text"))
                 : std::nullopt;
  // Notifications (initialized, cancelled, progress) need nothing from a server that answers at once.
  if (!hasId) return std::nullopt;

  const auto paramsField = message.find("params");
  const json params = paramsField == message.end() ? json::object() : *paramsField;
  if (!params.is_object()) return ErrorLine(id, InvalidParams, "Invalid params: 'params' must be an object");

  bool isError = false;
  json result = Dispatch(methodField->get<std::string>(), params, isError);
  if (isError) return ErrorLine(id, result["code"].get<int>(), result["message"].get<std::string>());
  return Serialise({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

json McpServer::Dispatch(const std::string& method, const json& params, bool& isError) {
  const auto fail = [&](int code, std::string message) {
    isError = true;
    return json{{"code", code}, {"message", std::move(message)}};
  };

  if (method == "initialize") {
    std::string version = McpProtocolVersions[0];
    const auto asked = params.find("protocolVersion");
    if (asked != params.end() && asked->is_string())
      for (const char* known : McpProtocolVersions)
        if (*asked == known) version = known;
    return {{"protocolVersion", version},
            {"capabilities", {{"tools", {{"listChanged", false}}}}},
            {"serverInfo",
             {{"name", "tirvane"},
              {"title", "Tirvane Z80 emulator and debugger"},
              {"version", std::string(TirvaneVersion)}}},
            {"instructions", Instructions}};
  }
  if (method == "ping") return json::object();
  if (method == "tools/list") return {{"tools", tools_.List()}};
  if (method == "tools/call") {
    const auto name = params.find("name");
    if (name == params.end() || !name->is_string())
      return fail(InvalidParams, "Invalid params: tools/call needs the tool's 'name' as text");
    const auto arguments = params.find("arguments");
    const json args = arguments == params.end() || arguments->is_null() ? json::object() : *arguments;
    const std::string toolName = name->get<std::string>();
    std::optional<ToolOutcome> outcome = tools_.Call(toolName, args);
    if (!outcome) return fail(InvalidParams, "Unknown tool: " + toolName + " (tools/list names them)");
    json result = {{"content", std::move(outcome->Content)}};
    if (outcome->IsError) result["isError"] = true;
    return result;
  }
  return fail(MethodNotFound, "Method not found: " + method);
}

int ServeMcp(int inputFd, std::ostream& out, const std::string& descriptionFolder) {
  McpServer server(descriptionFolder);
  std::string pending;
  bool skipping = false;  // inside a line that was too long, until its newline
  char chunk[65536];

  const auto answer = [&](std::string_view line) {
    if (auto reply = server.HandleLine(line)) {
      out << *reply << '\n';
      out.flush();
    }
  };

  while (true) {
    MachineTools& tools = server.Tools();
    int timeout = -1;
    if (tools.FreeRunning()) {
      const auto wait = tools.NextFrameDue() - std::chrono::steady_clock::now();
      timeout = static_cast<int>(
          std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::milliseconds>(wait).count()));
    }
    pollfd input{inputFd, POLLIN, 0};
    const int ready = poll(&input, 1, timeout);
    if (ready < 0 && errno != EINTR) return 1;
    if (ready <= 0) {
      tools.FreeRunFrame();
      continue;
    }
    const ssize_t got = read(inputFd, chunk, sizeof chunk);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) break;

    size_t start = 0;
    for (size_t i = 0; i < static_cast<size_t>(got); ++i) {
      if (chunk[i] != '\n') continue;
      if (skipping) {
        skipping = false;
      } else {
        pending.append(chunk + start, i - start);
        answer(pending);
      }
      pending.clear();
      start = i + 1;
    }
    if (!skipping) pending.append(chunk + start, static_cast<size_t>(got) - start);
    if (pending.size() > MaxMessageBytes) {
      out << ErrorLine(nullptr, ParseError, "Parse error: message longer than 16 MB") << '\n';
      out.flush();
      pending.clear();
      skipping = true;
    }
  }
  // A last message without its newline still counts.
  if (!skipping && !pending.empty()) answer(pending);
  return 0;
}

}  // namespace tirvane

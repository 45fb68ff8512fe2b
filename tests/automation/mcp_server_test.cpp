// SPDX-License-Identifier: GPL-3.0-or-later
#include "automation/mcp_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>
#include <tuple>
#include <vector>

#include "drivers/spectrum_paging.h"
#include "machine/romset.h"
#include "video/host.h"
#include "z80/z80.h"

namespace tirvane {
namespace {

using nlohmann::json;

json Send(McpServer& server, const std::string& line) {
  const auto reply = server.HandleLine(line);
  return reply ? json::parse(*reply) : json();
}

json Call(McpServer& server, const std::string& tool, const json& arguments = json::object()) {
  return Send(server, json{{"jsonrpc", "2.0"},
                           {"id", 7},
                           {"method", "tools/call"},
                           {"params", {{"name", tool}, {"arguments", arguments}}}}
                          .dump());
}

std::string Text(const json& reply) { return reply["result"]["content"][0]["text"].get<std::string>(); }
bool IsError(const json& reply) { return reply["result"].value("isError", false); }

struct ProtocolCase {
  std::string Line;
  int Code;  // 0: a result; 1: no answer at all
};

TEST(McpServer, EveryMalformedMessageGetsItsProtocolError) {
  McpServer server(TIRVANE_BIN_DIR "/");
  const ProtocolCase cases[] = {
      {"not json", ParseError},
      {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"ping\"", ParseError},
      {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"\xff\"}", ParseError},
      {"[{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"ping\"}]", InvalidRequest},
      {"42", InvalidRequest},
      {"{\"jsonrpc\":\"2.0\",\"id\":{\"a\":1},\"method\":\"ping\"}", InvalidRequest},
      {"{\"jsonrpc\":\"2.0\",\"id\":1.5,\"method\":\"ping\"}", InvalidRequest},
      {"{\"jsonrpc\":\"2.0\",\"id\":1}", InvalidRequest},
      {"{\"jsonrpc\":\"1.0\",\"id\":1,\"method\":\"ping\"}", InvalidRequest},
      {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":7}", InvalidRequest},
      {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"resources/list\"}", MethodNotFound},
      {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"ping\",\"params\":[1]}", InvalidParams},
      {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"tools/call\",\"params\":{}}", InvalidParams},
      {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"tools/call\",\"params\":{\"name\":\"fly\"}}",
       InvalidParams},
      {"{\"jsonrpc\":\"2.0\",\"id\":\"a\",\"method\":\"ping\"}", 0},
      {"{\"jsonrpc\":\"2.0\",\"method\":\"notifications/initialized\"}", 1},
      {"{\"jsonrpc\":\"2.0\",\"method\":\"no/such/notification\"}", 1},
      {"{\"jsonrpc\":\"2.0\",\"id\":3,\"result\":{}}", 1},
      {"   \r", 1},
      // Nesting is refused before the parser builds it; brackets inside text do not count.
      {std::string(65, '[') + std::string(65, ']'), ParseError},
      {std::string(1 << 20, '['), ParseError},
      {R"({"jsonrpc":"2.0","id":")" + std::string(100, '[') + R"(","method":"ping"})", 0},
  };
  for (const ProtocolCase& c : cases) {
    SCOPED_TRACE(c.Line.substr(0, 80));
    const auto reply = server.HandleLine(c.Line);
    if (c.Code == 1) {
      EXPECT_FALSE(reply);
      continue;
    }
    ASSERT_TRUE(reply);
    const json answer = json::parse(*reply);
    EXPECT_EQ(answer["jsonrpc"], "2.0");
    if (c.Code == 0) {
      EXPECT_TRUE(answer.contains("result"));
    } else {
      EXPECT_EQ(answer["error"]["code"], c.Code);
      EXPECT_FALSE(answer["error"]["message"].get<std::string>().empty());
    }
  }
}

TEST(McpServer, InitializeAgreesOnARevisionBothSidesSpeak) {
  McpServer server(TIRVANE_BIN_DIR "/");
  const std::pair<const char*, const char*> cases[] = {
      {"2025-06-18", "2025-06-18"}, {"2024-11-05", "2024-11-05"}, {"1999-01-01", McpProtocolVersions[0]}};
  for (const auto& [asked, agreed] : cases) {
    const json reply =
        Send(server, json{{"jsonrpc", "2.0"},
                          {"id", 1},
                          {"method", "initialize"},
                          {"params", {{"protocolVersion", asked}, {"capabilities", json::object()}}}}
                         .dump());
    EXPECT_EQ(reply["result"]["protocolVersion"], agreed);
    EXPECT_TRUE(reply["result"]["capabilities"].contains("tools"));
    // Output schemas came with the 2025-06-18 revision.
    const json tools = Send(server, R"({"jsonrpc":"2.0","id":2,"method":"tools/list"})")["result"]["tools"];
    EXPECT_EQ(std::count_if(tools.begin(), tools.end(),
                            [](const json& t) { return t.contains("outputSchema"); }) > 0,
              std::string(agreed) >= "2025-06-18")
        << agreed;
  }
}

TEST(McpServer, EveryListedToolHasASchemaThatNamesItsRequiredArguments) {
  McpServer server(TIRVANE_BIN_DIR "/");
  const json tools = Send(server, R"({"jsonrpc":"2.0","id":1,"method":"tools/list"})")["result"]["tools"];
  ASSERT_GT(tools.size(), 20u);
  for (const json& tool : tools) {
    SCOPED_TRACE(tool["name"].get<std::string>());
    EXPECT_FALSE(tool["description"].get<std::string>().empty());
    EXPECT_EQ(tool["inputSchema"]["type"], "object");
    for (const json& name : tool["inputSchema"].value("required", json::array()))
      EXPECT_TRUE(tool["inputSchema"]["properties"].contains(name.get<std::string>()));
    EXPECT_TRUE(tool["annotations"]["readOnlyHint"].is_boolean());
  }
  const auto tool = [&](const char* name) {
    for (const json& t : tools)
      if (t["name"] == name) return t;
    return json();
  };
  const std::pair<const char*, bool> readOnly[] = {{"get_registers", true},
                                                   {"tile_set", true},
                                                   {"history", true},
                                                   {"run_frames", false},
                                                   {"trace_lines", false}};
  for (const auto& [name, only] : readOnly)
    EXPECT_EQ(tool(name)["annotations"]["readOnlyHint"], only) << name;
  EXPECT_EQ(tool("type_text")["inputSchema"]["properties"]["text"]["maxLength"], 4096);
}

TEST(McpServer, DataAnswersComeAlsoAsStructuredContentWithEveryFieldTheirSchemaRequires) {
  McpServer server(TIRVANE_BIN_DIR "/");
  ASSERT_FALSE(IsError(Call(server, "start_game", {{"game", "opense_basic"}})));
  Call(server, "run_frames", {{"frames", 3}});
  const json tools = Send(server, R"({"jsonrpc":"2.0","id":1,"method":"tools/list"})")["result"]["tools"];
  int withSchema = 0;
  for (const json& tool : tools) {
    if (!tool.contains("outputSchema")) continue;
    ++withSchema;
    const std::string name = tool["name"];
    SCOPED_TRACE(name);
    const json reply =
        Call(server, name, name == "read_memory" ? json{{"address", "5C36"}, {"length", 2}} : json::object());
    ASSERT_FALSE(IsError(reply));
    const json& data = reply["result"]["structuredContent"];
    ASSERT_TRUE(data.is_object());
    for (const json& field : tool["outputSchema"]["required"])
      EXPECT_TRUE(data.contains(field.get<std::string>())) << field;
  }
  EXPECT_GE(withSchema, 5);
  const json memory =
      Call(server, "read_memory", {{"address", "5C36"}, {"length", 2}})["result"]["structuredContent"];
  EXPECT_EQ(memory["bytes"], json({MemoryImage[0x5C36], MemoryImage[0x5C37]}));
  EXPECT_EQ(Call(server, "get_registers")["result"]["structuredContent"]["PC"], ActiveContext->PC.w);
}

// What a refused call must not touch: every register and the whole memory image.
std::vector<uint8_t> MachineState() {
  const auto* z = reinterpret_cast<const uint8_t*>(ActiveContext);
  std::vector<uint8_t> state(z, z + offsetof(Z80Context, CycleCount));
  state.resize(state.size() + MemoryImageSize);
  std::memcpy(state.data() + offsetof(Z80Context, CycleCount), MemoryImage, MemoryImageSize);
  return state;
}

TEST(McpServer, RefusedCallsSayWhyAndLeaveTheMachineAlone) {
  McpServer server(TIRVANE_BIN_DIR "/");
  EXPECT_TRUE(IsError(Call(server, "get_registers")));
  EXPECT_NE(Text(Call(server, "read_memory", {{"address", 0}})).find("start_game"), std::string::npos);
  EXPECT_TRUE(IsError(Call(server, "start_game", {{"game", "no such game"}})));
  ASSERT_FALSE(IsError(Call(server, "start_game", {{"game", "opense_basic"}})));
  Call(server, "run_frames", {{"frames", 5}});
  const std::string damaged = ::testing::TempDir() + "mcp_damaged.state";
  std::ofstream(damaged) << "TIRVSTAT and then nothing a state holds";

  const std::pair<const char*, json> refused[] = {
      {"read_memory", {{"address", "10000"}}},
      {"read_memory", {{"address", "FFF0"}, {"length", 17}}},
      {"read_memory", {{"address", "zz"}}},
      {"read_memory", {{"address", 0}, {"length", 0}}},
      {"read_memory", {{"address", -1}}},
      {"read_memory", {}},
      {"write_memory", {{"address", "FFFF"}, {"bytes", "01 02"}}},
      {"write_memory", {{"address", "8000"}, {"bytes", "0 1"}}},
      {"write_memory", {{"address", "8000"}, {"bytes", "GG"}}},
      {"set_registers", {{"PC", "1234"}, {"I", "100"}}},
      {"set_registers", {{"PC", true}}},
      {"run_frames", {{"frames", 0}}},
      {"run_frames", {{"frames", 2}, {"keys", {"Left", "Hyper"}}}},
      {"run_frames", {{"frames", 2}, {"keys", {json::array({json::array()})}}}},
      {"step_into", {{"count", "3"}}},
      {"step_over", {{"max_frames", 0}}},
      {"run_to_address", {}},
      {"run_to_address", {{"address", "main"}}},
      {"load_symbols", {{"path", "missing.sym"}}},
      {"lookup_label", {{"label", "main"}}},
      {"type_text", {{"text", "PRINT 1~2"}}},
      {"disassemble", {{"adress", 0}}},
      {"get_registers", {{"verbose", true}}},
      {"load_file", {{"path", "missing.sna"}}},
      {"clear_breakpoint", {{"address", "1234"}}},
      {"tile_set", {{"bank", "nothing"}}},
      {"set_breakpoint", {{"address", "8000"}, {"condition", "A = "}}},
      {"set_breakpoint", {{"address", "8000"}, {"hit_count", 0}}},
      {"set_watchpoint", {{"address", "8010"}, {"last", "8000"}}},
      {"set_watchpoint", {{"address", "100"}, {"port", true}}},
      {"set_watchpoint", {{"address", "8000"}, {"access", "modify"}}},
      {"set_watchpoint", {{"address", "8000"}, {"compare", "mask"}}},
      {"set_watchpoint", {{"address", "8000"}, {"value", 7}, {"compare", "mask"}}},
      {"set_watchpoint", {{"address", "8000"}, {"value", "100"}}},
      {"clear_watchpoint", {{"index", 0}}},
      {"trace_lines", {{"count", 0}}},
      {"save_state", {{"path", "/no/such/folder/x.state"}}},
      {"load_state", {{"path", "missing.state"}}},
      {"load_state", {{"path", damaged}}},
      {"step_back", {{"count", 0}}},
      {"rewind", {}},
      {"rewind", {{"frames", -3}}},
      {"last_write", {{"address", "nowhere"}}},
      {"run_back", {{"to", "8000"}}},
  };
  for (const auto& [tool, arguments] : refused) {
    SCOPED_TRACE(std::string(tool) + " " + arguments.dump());
    const std::vector<uint8_t> before = MachineState();
    const json reply = Call(server, tool, arguments);
    EXPECT_TRUE(IsError(reply));
    EXPECT_EQ(Text(reply).rfind(std::string(tool) + ": ", 0), 0u);
    EXPECT_EQ(MachineState(), before);
  }

  // Some refusals must also say what to send instead.
  const std::tuple<const char*, json, const char*> advised[] = {
      {"run_frames", {{"frames", 1.5}}, "a whole number, not 1.5"},
      {"run_frames", {{"frames", 36001}}, "split a longer run into several calls"},
      {"run_to_breakpoint", {{"max_frames", 1e30}}, "split a longer run"},
      {"set_registers", {{"A", "12"}, {"AF", "3400"}}, "'A' is half of 'AF'"},
      {"set_registers", {{"IXH", "100"}}, "'IXH' is a byte"},
  };
  for (const auto& [tool, arguments, says] : advised) {
    SCOPED_TRACE(std::string(tool) + " " + arguments.dump());
    const std::vector<uint8_t> before = MachineState();
    const json reply = Call(server, tool, arguments);
    EXPECT_TRUE(IsError(reply));
    EXPECT_NE(Text(reply).find(says), std::string::npos) << Text(reply);
    EXPECT_EQ(MachineState(), before);
  }
}

TEST(McpServer, MemoryRegistersAndBreakpointsWorkThroughTools) {
  McpServer server(TIRVANE_BIN_DIR "/");
  ASSERT_FALSE(IsError(Call(server, "start_game", {{"game", "SPECTRUM (OpenSE BASIC)"}})));

  Call(server, "write_memory", {{"address", "0x8000"}, {"bytes", "3E 2A, c9"}});
  EXPECT_NE(Text(Call(server, "read_memory", {{"address", 32768}, {"length", 3}})).find("8000: 3E 2A C9"),
            std::string::npos);
  EXPECT_FALSE(IsError(Call(server, "write_memory", {{"address", "FFFE"}, {"bytes", "5AA5"}})));  // up to the top
  EXPECT_EQ(ActiveContext->MemoryImage[0xFFFF], 0xA5);
  Call(server, "set_registers",
       {{"PC", "8000h"}, {"R", "7F"}, {"B", "12"}, {"L", 0x34}, {"IXH", "56"}, {"IYL", "78"}});
  EXPECT_EQ(ActiveContext->PC.w, 0x8000);
  EXPECT_EQ(ActiveContext->R, 0x7F);
  EXPECT_EQ(ActiveContext->BC.h, 0x12);
  EXPECT_EQ(ActiveContext->HL.l, 0x34);
  EXPECT_EQ(ActiveContext->IX.h, 0x56);
  EXPECT_EQ(ActiveContext->IY.l, 0x78);
  EXPECT_NE(Text(Call(server, "disassemble", {{"count", 2}})).find("> 8000"), std::string::npos);
  Call(server, "step_into");
  EXPECT_EQ(ActiveContext->AF.h, 0x2A);

  Call(server, "reset_machine");
  Call(server, "set_breakpoint", {{"address", "0038"}});
  const json hit = Call(server, "run_to_breakpoint", {{"max_frames", 100}});
  EXPECT_FALSE(IsError(hit));
  EXPECT_EQ(ActiveContext->PC.w, 0x0038);
  // The instruction at a breakpoint runs when execution goes on, so the next run leaves it.
  Call(server, "step_into");
  EXPECT_NE(ActiveContext->PC.w, 0x0038);
  Call(server, "clear_breakpoint");
  EXPECT_NE(Text(Call(server, "run_to_breakpoint", {{"max_frames", 2}})).find("none is set"),
            std::string::npos);

  const json shot = Call(server, "screenshot", {{"scale", 2}});
  EXPECT_EQ(shot["result"]["content"][0]["mimeType"], "image/png");
  EXPECT_EQ(shot["result"]["content"][0]["data"].get<std::string>().rfind("iVBORw0KGgo", 0), 0u);
}

TEST(McpServer, EngineStepsStopWhereTheyPromise) {
  McpServer server(TIRVANE_BIN_DIR "/");
  ASSERT_FALSE(IsError(Call(server, "start_game", {{"game", "SPECTRUM (OpenSE BASIC)"}})));
  Call(server, "run_frames", {{"frames", 5}});
  // 8000: CALL 8010 / NOP; 8010: LD A,2A / RET
  Call(server, "write_memory", {{"address", "8000"}, {"bytes", "CD 10 80 00"}});
  Call(server, "write_memory", {{"address", "8010"}, {"bytes", "3E 2A C9"}});
  const std::string symbols = ::testing::TempDir() + "mcp_labels.sym";
  std::ofstream(symbols) << "routine EQU 08010H\nafter_load EQU 08012H\n";
  ASSERT_FALSE(IsError(Call(server, "load_symbols", {{"path", symbols}})));
  EXPECT_NE(Text(Call(server, "lookup_label", {{"address", "8010"}})).find("routine"), std::string::npos);
  EXPECT_NE(Text(Call(server, "lookup_label", {{"label", "AFTER_LOAD"}})).find("8012"), std::string::npos);
  struct Case {
    bool IntoCall;  // begin inside the routine
    const char* Tool;
    json Arguments;
    uint16_t EndPC;
  };
  const Case cases[] = {
      {false, "step_over", json::object(), 0x8003},
      {true, "step_out", json::object(), 0x8003},
      {false, "run_to_address", {{"address", "8012"}}, 0x8012},
      {false, "run_to_address", {{"address", "after_load"}}, 0x8012},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Tool);
    Call(server, "set_registers", {{"PC", "8000"}, {"AF", 0}});
    if (c.IntoCall) Call(server, "step_into");
    EXPECT_FALSE(IsError(Call(server, c.Tool, c.Arguments)));
    EXPECT_EQ(ActiveContext->PC.w, c.EndPC);
    EXPECT_EQ(ActiveContext->AF.h, 0x2A);
  }
  // A target never reached pauses at the frame limit and later tools still run frames.
  Call(server, "set_registers", {{"PC", "8003"}});
  Call(server, "write_memory", {{"address", "8003"}, {"bytes", "18 FE"}});
  EXPECT_NE(Text(Call(server, "run_to_address", {{"address", "9000"}, {"max_frames", 2}})).find("did not finish"),
            std::string::npos);
  EXPECT_FALSE(IsError(Call(server, "run_frames", {{"frames", 1}})));
}

// 8000: DI / LD HL,0 / loop: INC HL / LD A,L / LD (9000h),A / OUT (FEh),A / JR loop
void WriteCountingLoop(McpServer& server) {
  Call(server, "write_memory", {{"address", "8000"}, {"bytes", "F3 21 00 00 23 7D 32 00 90 D3 FE 18 F7"}});
  Call(server, "set_registers", {{"PC", "8000"}});
}

TEST(McpServer, EveryToolReadsALabelThatLooksHexadecimalAsTheLabel) {
  McpServer server(TIRVANE_BIN_DIR "/");
  ASSERT_FALSE(IsError(Call(server, "start_game", {{"game", "SPECTRUM (OpenSE BASIC)"}})));
  Call(server, "write_memory", {{"address", "1234"}, {"bytes", "3E 2A"}});
  const std::string symbols = ::testing::TempDir() + "mcp_beef.sym";
  std::ofstream(symbols) << "BEEF EQU 01234H\n";
  ASSERT_FALSE(IsError(Call(server, "load_symbols", {{"path", symbols}})));
  EXPECT_NE(Text(Call(server, "lookup_label", {{"label", "BEEF"}})).find("1234"), std::string::npos);
  EXPECT_EQ(Text(Call(server, "disassemble", {{"address", "BEEF"}, {"count", 1}})).find("1234"), 2u);
  EXPECT_EQ(Call(server, "read_memory", {{"address", "BEEF"}, {"length", 1}})["result"]["structuredContent"]["address"],
            0x1234);
  // The explicit forms stay numbers whatever the labels say.
  for (const char* number : {"$BEEF", "0xBEEF", "0BEEFh"})
    EXPECT_EQ(Text(Call(server, "disassemble", {{"address", number}, {"count", 1}})).find("BEEF"), 2u) << number;
}

// The 128K's memory image is a copy of its pages: an edit that missed the page came back as it was
// at the next paging.
TEST(McpServer, MemoryWrittenOnThe128KReachesItsPage) {
  McpServer server(TIRVANE_BIN_DIR "/");
  ASSERT_FALSE(IsError(Call(server, "start_game", {{"game", "SPECTRUM 128K (own ROM 0, OpenSE BASIC)"}})));
  Call(server, "run_frames", {{"frames", 2}});
  ASSERT_FALSE(IsError(Call(server, "write_memory", {{"address", "8000"}, {"bytes", "A5 5A"}})));
  EXPECT_EQ(ReadPagedByte(2, 0x0000), 0xA5);
  EXPECT_EQ(ReadPagedByte(2, 0x0001), 0x5A);
}

TEST(McpServer, RunToBreakpointStopsAtConditionsAndWatchpointsAndSaysWhich) {
  McpServer server(TIRVANE_BIN_DIR "/");
  ASSERT_FALSE(IsError(Call(server, "start_game", {{"game", "opense_basic"}})));
  Call(server, "run_frames", {{"frames", 5}});
  struct Case {
    const char* Tool;
    json Arguments;
    const char* Says;
    uint16_t PC, HL;
  };
  const Case cases[] = {
      {"set_breakpoint", {{"address", "8009"}}, "Breakpoint at 8009", 0x8009, 1},
      {"set_breakpoint", {{"address", "8005"}, {"condition", "L = 3 and (9000h) = 2"}}, "when L = 3", 0x8005, 3},
      {"set_breakpoint", {{"address", "8005"}, {"hit_count", 5}}, "hit 5 times", 0x8005, 5},
      {"set_watchpoint", {{"address", "9000"}, {"access", "write"}, {"value", "07"}}, "wrote 07h to 9000h",
       0x8009, 7},
      {"set_watchpoint", {{"address", "8FFF"}, {"last", "9001"}, {"value", 1}, {"compare", "not_equal"}},
       "wrote 02h", 0x8009, 2},
      {"set_watchpoint",
       {{"address", "FE"}, {"port", true}, {"access", "write"}, {"value", 8}, {"compare", "mask"}, {"mask", "0F"}},
       "port", 0x800B, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Arguments.dump());
    WriteCountingLoop(server);
    ASSERT_FALSE(IsError(Call(server, c.Tool, c.Arguments)));
    // Frames for play ignore every stop and keep them set.
    EXPECT_NE(Text(Call(server, "run_frames", {{"frames", 2}})).find("Ran 2 frames"), std::string::npos);
    WriteCountingLoop(server);
    const std::string said = Text(Call(server, "run_to_breakpoint", {{"max_frames", 2}}));
    EXPECT_NE(said.find(c.Says), std::string::npos) << said;
    EXPECT_EQ(ActiveContext->PC.w, c.PC);
    EXPECT_EQ(ActiveContext->HL.w, c.HL);
    Call(server, "clear_breakpoint");
    Call(server, "clear_watchpoint");
  }
  EXPECT_EQ(Text(Call(server, "list_watchpoints")), "Watchpoints: none");
  EXPECT_EQ(Text(Call(server, "list_breakpoints")), "Breakpoints: none");
}

TEST(McpServer, TraceLinesAndStatesRoundTrip) {
  McpServer server(TIRVANE_BIN_DIR "/");
  ASSERT_FALSE(IsError(Call(server, "start_game", {{"game", "opense_basic"}})));
  Call(server, "run_frames", {{"frames", 5}});
  WriteCountingLoop(server);
  EXPECT_NE(Text(Call(server, "trace_lines")).find("record true"), std::string::npos);
  Call(server, "trace_lines", {{"record", true}});
  Call(server, "step_into", {{"count", 2}});
  Call(server, "set_breakpoint", {{"address", "8009"}});
  Call(server, "run_to_breakpoint", {{"max_frames", 1}});
  const std::string lines = Text(Call(server, "trace_lines", {{"count", 2}, {"record", false}}));
  EXPECT_NE(lines.find("5 instructions kept:\n8005  7D"), std::string::npos) << lines;
  EXPECT_NE(lines.find("\n8006  32 00 90"), std::string::npos) << lines;

  const std::string path = ::testing::TempDir() + "mcp_round_trip.state";
  const std::vector<uint8_t> saved = MachineState();
  ASSERT_FALSE(IsError(Call(server, "save_state", {{"path", path}})));
  Call(server, "run_frames", {{"frames", 3}});
  ASSERT_NE(MachineState(), saved);
  ASSERT_FALSE(IsError(Call(server, "load_state", {{"path", path}})));
  EXPECT_EQ(MachineState(), saved);
  // The past before the load is another run's.
  EXPECT_TRUE(IsError(Call(server, "step_back")));
  EXPECT_EQ(MachineState(), saved);
}

TEST(McpServer, GoingBackMatchesTheMachineAsItWasGoingForward) {
  McpServer server(TIRVANE_BIN_DIR "/");
  ASSERT_FALSE(IsError(Call(server, "start_game", {{"game", "opense_basic"}})));
  // Nothing has run since the start: each way back is refused and changes nothing.
  for (const char* tool : {"step_back", "rewind", "run_back"}) {
    SCOPED_TRACE(tool);
    const std::vector<uint8_t> before = MachineState();
    EXPECT_TRUE(IsError(Call(server, tool, std::string(tool) == "rewind" ? json{{"frames", 1}} : json::object())));
    EXPECT_EQ(MachineState(), before);
  }

  // Frames with and without keys held, then instructions crossing a frame's end.
  std::vector<std::vector<uint8_t>> frames{MachineState()};
  for (int i = 0; i < 4; ++i) {
    Call(server, "run_frames", {{"frames", 4}, {"keys", i == 1 ? json{"A"} : json::array()}});
    frames.push_back(MachineState());
  }
  WriteCountingLoop(server);
  std::vector<std::vector<uint8_t>> steps{MachineState()};
  for (int i = 0; i < 40; ++i) {
    Call(server, "step_into", {{"count", i == 20 ? 20000 : 1}});
    steps.push_back(MachineState());
    if (i == 10) {  // a poke between steps belongs to the past that stepping back returns to
      Call(server, "write_memory", {{"address", "9100"}, {"bytes", "5A"}});
      steps.back() = MachineState();
    }
  }
  for (int i = 40; i > 0; --i) {
    SCOPED_TRACE(i);
    if (i == 21) {  // the long stretch goes back in one call
      EXPECT_FALSE(IsError(Call(server, "step_back", {{"count", 20000}})));
    } else {
      EXPECT_FALSE(IsError(Call(server, "step_back")));
    }
    ASSERT_EQ(MachineState(), steps[i - 1]);
  }

  // In ROM: the start-up code writes RAM (9100h included, with the value already there).
  EXPECT_NE(Text(Call(server, "last_write", {{"address", "0100"}})).find("Nothing wrote"), std::string::npos);
  EXPECT_EQ(MachineState(), steps[0]);
  Call(server, "step_into", {{"count", 30}});
  EXPECT_FALSE(IsError(Call(server, "last_write", {{"address", "9000"}})));
  EXPECT_EQ(ActiveContext->PC.w, 0x8006);
  EXPECT_NE(Text(Call(server, "history")).find("\"in_the_past\": true"), std::string::npos);
  Call(server, "set_breakpoint", {{"address", "8004"}, {"condition", "L = 2"}});
  EXPECT_NE(Text(Call(server, "run_back")).find("breakpoint at 8004"), std::string::npos);
  EXPECT_EQ(ActiveContext->PC.w, 0x8004);
  Call(server, "clear_breakpoint");

  // Mid-frame, one frame back is the start of the frame; from there whole frames.
  const json midFrame = json::parse(Text(Call(server, "history")))["at"];
  ASSERT_NE(midFrame["instruction"], 0);
  EXPECT_FALSE(IsError(Call(server, "rewind", {{"frames", 1}})));
  const json at = json::parse(Text(Call(server, "history")))["at"];
  ASSERT_EQ(at["instruction"], 0);
  EXPECT_EQ(at["frame"], midFrame["frame"]);
  EXPECT_FALSE(IsError(Call(server, "rewind", {{"frames", at["frame"].get<int>() - 12}})));
  EXPECT_EQ(MachineState(), frames[3]);
  EXPECT_FALSE(IsError(Call(server, "rewind", {{"frames", 8}})));
  EXPECT_EQ(MachineState(), frames[1]);
  EXPECT_NE(Text(Call(server, "run_back")).find("start of the history"), std::string::npos);
  EXPECT_EQ(MachineState(), frames[0]);
}

std::string CallLine(int id, const std::string& tool, const json& arguments, const json& meta = nullptr) {
  json params = {{"name", tool}, {"arguments", arguments}};
  if (!meta.is_null()) params["_meta"] = meta;
  return json{{"jsonrpc", "2.0"}, {"id", id}, {"method", "tools/call"}, {"params", params}}.dump();
}

TEST(McpServer, LongCallsServePingsReportProgressAndStopWhereCancelled) {
  McpServer server(TIRVANE_BIN_DIR "/");
  ASSERT_FALSE(IsError(Call(server, "start_game", {{"game", "opense_basic"}})));
  std::vector<json> sent;
  const McpServer::Output out = [&](const std::string& line, bool) { sent.push_back(json::parse(line)); };

  server.Receive(CallLine(9, "run_frames", {{"frames", 36000}}, {{"progressToken", "p"}}), out);
  for (int slice = 0; slice < 31; ++slice) server.Work(out);
  // A ping is answered at once; another call waits for this one.
  server.Receive(R"({"jsonrpc":"2.0","id":10,"method":"ping"})", out);
  server.Receive(CallLine(11, "status", json::object()), out);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0]["method"], "notifications/progress");
  EXPECT_EQ(sent[0]["params"]["progressToken"], "p");
  EXPECT_EQ(sent[0]["params"]["progress"], McpServer::ProgressEveryFrames);
  EXPECT_EQ(sent[0]["params"]["total"], 36000);
  EXPECT_EQ(sent[1]["id"], 10);

  // Cancelled: no answer to the call, a notice of where it stopped, the waiting call then runs.
  const uint64_t stoppedAt = 31 * McpServer::DefaultSliceFrames;
  server.Receive(R"({"jsonrpc":"2.0","method":"notifications/cancelled","params":{"requestId":9}})", out);
  while (server.Busy()) server.Work(out);
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[2]["method"], "notifications/message");
  EXPECT_NE(sent[2]["params"]["data"].get<std::string>().find("after " + std::to_string(stoppedAt) + " of"),
            std::string::npos);
  EXPECT_EQ(sent[3]["id"], 11);
  const json status = sent[3]["result"]["structuredContent"];
  EXPECT_EQ(status["frames"], stoppedAt);
  EXPECT_NE(status["stopped"].get<std::string>().find("run_frames cancelled"), std::string::npos);

  // A waiting call can be cancelled before it starts; the machine stands where it was.
  server.Receive(CallLine(12, "run_to_breakpoint", {{"max_frames", 100}}), out);
  server.Receive(CallLine(13, "run_frames", {{"frames", 5}}), out);
  server.Receive(R"({"jsonrpc":"2.0","method":"notifications/cancelled","params":{"requestId":13}})", out);
  while (server.Busy()) server.Work(out);
  ASSERT_EQ(sent.size(), 5u);
  EXPECT_EQ(sent[4]["id"], 12);
  EXPECT_EQ(json::parse(Text(Call(server, "status")))["frames"], stoppedAt + 100);

  // Typing is a long call too: cancelled, it lets go of the keys and types no more.
  server.Receive(CallLine(14, "type_text", {{"text", "10 PRINT 1\n20 PRINT 2\n30 PRINT 3\n"}}), out);
  server.Work(out);
  server.Receive(R"({"jsonrpc":"2.0","method":"notifications/cancelled","params":{"requestId":14}})", out);
  while (server.Busy()) server.Work(out);
  EXPECT_NE(json::parse(Text(Call(server, "status")))["stopped"].get<std::string>().find("type_text cancelled"),
            std::string::npos);
  for (int k = 0; k < VirtualKeyCount; ++k) EXPECT_EQ(KeyState[k], 0) << VirtualKeyName(static_cast<VirtualKey>(k));
}

TEST(McpServer, EveryDriverWithTilesAnswersToTheCommonBankNames) {
  McpServer server(TIRVANE_BIN_DIR "/");
  std::set<std::string> drivers;
  const json games = Call(server, "list_games")["result"]["structuredContent"]["games"];
  for (const json& game : games) {
    if (!drivers.insert(game["driver"].get<std::string>()).second) continue;
    SCOPED_TRACE(game["file"].get<std::string>());
    ASSERT_FALSE(IsError(Call(server, "start_game", {{"game", game["file"]}})));
    Call(server, "run_frames", {{"frames", 1}});
    const std::string banks = Text(Call(server, "tile_set"));
    if (banks.find("Banks:") == std::string::npos) continue;
    EXPECT_EQ(banks.rfind("Banks: chars", 0), 0u) << banks;
    for (const char* bank : {"chars", "sprites", "sprites2"}) {
      if (banks.find(std::string(" ") + bank) == std::string::npos) continue;
      const json reply = Call(server, "tile_set", {{"bank", bank}});
      EXPECT_FALSE(IsError(reply)) << bank << ": " << Text(reply);
    }
  }
  EXPECT_GE(drivers.size(), 8u);
}

TEST(McpServer, Base64MatchesTheStandardAlphabetAndPadding) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {"\xff\xfe", "//4="}};
  for (const auto& [plain, encoded] : cases)
    EXPECT_EQ(Base64(std::vector<uint8_t>(plain, plain + std::strlen(plain))), encoded);
}

}  // namespace
}  // namespace tirvane

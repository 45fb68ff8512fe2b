// SPDX-License-Identifier: GPL-3.0-or-later
#include "automation/machine_tools.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <thread>

#include "app/catalogue.h"
#include "debugger/disassembler.h"
#include "debugger/registers.h"
#include "debugger/viewers.h"
#include "debugger/watchpoints.h"
#include "drivers/driver.h"
#include "run/key_typer.h"
#include "machine/description.h"
#include "run/state_file.h"
#include "text/text.h"
#include "video/png_image.h"
#include "video/screen.h"
#include "z80/z80.h"

namespace tirvane {

using nlohmann::json;

namespace {

// Bounds that keep every call short and every answer small enough for an agent to read.
constexpr int MaxStepsPerCall = 100000;
constexpr int MaxMemoryBytes = 4096;
constexpr int MaxDisassemblyLines = 256;
constexpr size_t MaxPathLength = 4096;
constexpr int MaxTraceLines = 1000;
constexpr uint32_t MaxHitCount = 1000000;

json TextItem(std::string text) { return {{"type", "text"}, {"text", std::move(text)}}; }

ToolOutcome Answer(std::string text) {
  ToolOutcome outcome;
  outcome.Content.push_back(TextItem(std::move(text)));
  return outcome;
}

// An answer that is data: its text is the data as JSON.
ToolOutcome Data(json data) {
  ToolOutcome outcome = Answer(data.dump(1));
  outcome.Structured = std::move(data);
  return outcome;
}

ToolOutcome Failure(std::string text) {
  ToolOutcome outcome = Answer(std::move(text));
  outcome.IsError = true;
  return outcome;
}

std::string Hex(uint32_t value, int digits) { return FormatHex(value, digits); }

// The window's line packs the address against the instruction; an agent reads them apart.
std::string Listed(const std::string& line) {
  return line.size() > 4 ? line.substr(0, 4) + "  " + line.substr(4) : line;
}

std::string TypeName(const json& value) {
  if (value.is_string()) return "text";
  if (value.is_boolean()) return "a boolean";
  if (value.is_number()) return "a number";
  if (value.is_array()) return "an array";
  if (value.is_object()) return "an object";
  return "null";
}

std::optional<uint32_t> ParseHexText(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X"))
    text.remove_prefix(2);
  else if (text.starts_with("$") || text.starts_with("#"))
    text.remove_prefix(1);
  else if (text.ends_with("h") || text.ends_with("H"))
    text.remove_suffix(1);
  if (text.empty() || text.size() > 8) return std::nullopt;
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Each schema is an object of named properties; only required ones must appear.
json Schema(json properties = json::object(), json required = json::array()) {
  json schema = {{"type", "object"}, {"properties", std::move(properties)}, {"additionalProperties", false}};
  if (!required.empty()) schema["required"] = std::move(required);
  return schema;
}

json AddressProperty(const char* what) {
  return {{"type", json::array({"integer", "string"})},
          {"description",
           std::string(what) + ": 0-65535, or hexadecimal text such as \"0038\", \"0x38\" or \"38h\""}};
}

json ByteProperty(const char* what) {
  return {{"type", json::array({"integer", "string"})},
          {"description", std::string(what) + ": 0-255, or hexadecimal text such as \"3E\" or \"0x3E\""}};
}

json ChoiceProperty(const char* what, std::initializer_list<const char*> choices, const char* fallback) {
  return {{"type", "string"}, {"enum", choices}, {"default", fallback}, {"description", what}};
}

// A byte argument, written as an address is.
uint8_t ByteArgument(const ToolArguments& args, const char* name) {
  const uint16_t value = args.Address(name);
  if (value > 0xFF) throw ToolRefusal(std::string("'") + name + "' is a byte: 00-FF");
  return static_cast<uint8_t>(value);
}

// The index of the choice given, or of fallback.
size_t Choice(const ToolArguments& args, const char* name, const std::vector<std::string>& choices,
              const std::string& fallback) {
  const std::string text = args.Text(name, 64, fallback);
  const auto found = std::find(choices.begin(), choices.end(), text);
  if (found == choices.end()) {
    std::string known;
    for (const std::string& c : choices) known += (known.empty() ? "" : ", ") + c;
    throw ToolRefusal(std::string("'") + name + "' must be one of " + known + ", not \"" + text + "\"");
  }
  return static_cast<size_t>(found - choices.begin());
}

// Switches the engine's watchpoints and conditional breakpoints off for one call and back on after.
class StopsOff {
 public:
  explicit StopsOff(DebugEngine& engine) : engine_(engine) {
    for (int i = 0; i < engine.Watchpoints.Count(); ++i)
      if (engine.Watchpoints.At(i).Enabled) {
        watchpoints_.push_back(i);
        engine.Watchpoints.SetEnabled(i, false);
      }
    for (int i = 0; i < engine.Breakpoints.Count(); ++i)
      if (engine.Breakpoints.At(i).Enabled) {
        breakpoints_.push_back(i);
        engine.Breakpoints.SetEnabled(i, false);
      }
  }
  ~StopsOff() {
    for (int i : watchpoints_) engine_.Watchpoints.SetEnabled(i, true);
    for (int i : breakpoints_) engine_.Breakpoints.SetEnabled(i, true);
  }
  StopsOff(const StopsOff&) = delete;
  StopsOff& operator=(const StopsOff&) = delete;

 private:
  DebugEngine& engine_;
  std::vector<int> watchpoints_, breakpoints_;
};

// Output schemas: the structured answer of the tools whose answer is data.
json Typed(const char* type) { return {{"type", type}}; }

json ObjectOf(json properties, json required) {
  return {{"type", "object"}, {"properties", std::move(properties)}, {"required", std::move(required)}};
}

json HistoryPointSchema() {
  return ObjectOf({{"frame", Typed("integer")}, {"instruction", Typed("integer")}}, {"frame", "instruction"});
}

const char* const RegisterPairNames[] = {"AF", "BC", "DE",  "HL",  "IX",  "IY",
                                         "SP", "PC", "AF'", "BC'", "DE'", "HL'"};

json RegistersSchema() {
  json properties = {{"I", Typed("integer")},
                     {"R", Typed("integer")},
                     {"IFF1", Typed("boolean")},
                     {"IFF2", Typed("boolean")},
                     {"IM", Typed("integer")},
                     {"halted", Typed("boolean")},
                     {"flags", {{"type", "array"}, {"items", Typed("string")}}},
                     {"tstates", Typed("integer")}};
  json required = json::array();
  for (const auto& [name, value] : properties.items()) required.push_back(name);
  for (const char* pair : RegisterPairNames) {
    properties[pair] = Typed("integer");
    required.push_back(pair);
  }
  return ObjectOf(std::move(properties), std::move(required));
}

// The single registers set_registers takes, each with the pair it is half of (none for I and R).
struct ByteRegister {
  const char* Name;
  const char* Pair;
  bool High;
};
constexpr ByteRegister ByteRegisters[] = {{"A", "AF", true},     {"F", "AF", false},   {"B", "BC", true},
                                          {"C", "BC", false},    {"D", "DE", true},    {"E", "DE", false},
                                          {"H", "HL", true},     {"L", "HL", false},   {"IXH", "IX", true},
                                          {"IXL", "IX", false},  {"IYH", "IY", true},  {"IYL", "IY", false},
                                          {"I", nullptr, false}, {"R", nullptr, false}};

json SetRegistersSchema() {
  json properties = json::object();
  for (const char* pair : RegisterPairNames) properties[pair] = AddressProperty(pair);
  for (const ByteRegister& r : ByteRegisters) properties[r.Name] = ByteProperty(r.Name);
  return Schema(std::move(properties));
}

json IntegerProperty(const char* what, int low, int high, int fallback) {
  return {
      {"type", "integer"}, {"minimum", low}, {"maximum", high}, {"default", fallback}, {"description", what}};
}

json KeysProperty(const char* what) {
  return {
      {"type", "array"},
      {"items", {{"type", "string"}}},
      {"description",
       std::string(what) + ". Key names: Left Right Up Down Ctrl Shift Alt Tab Return Space F1-F12 0-9 A-Z Backspace Escape, "
       "and the PC's character keys Minus Underscore Equals Plus Comma Less Period Greater Slash Question "
       "Semicolon Colon Apostrophe Quote Exclam At Hash Dollar Percent Caret Ampersand Asterisk ParenLeft "
       "ParenRight Pound"}};
}

}  // namespace

// ---- arguments

const json& ToolArguments::Get(const char* name) const { return object_.at(name); }

int64_t ToolArguments::Integer(const char* name, int64_t low, int64_t high, std::optional<int64_t> fallback,
                               std::string_view aboveHigh) const {
  if (!Has(name)) {
    if (fallback) return *fallback;
    throw ToolRefusal(std::string("missing argument '") + name + "'");
  }
  const json& value = Get(name);
  if (!value.is_number() ||
      (value.is_number_float() && std::trunc(value.get<double>()) != value.get<double>()))
    throw ToolRefusal(std::string("'") + name + "' must be a whole number, not " +
                      (value.is_number() ? value.dump() : TypeName(value)));
  // Compared as doubles, so values past 64 bits are refused here rather than wrapped.
  const double number = value.get<double>();
  if (number < static_cast<double>(low) || number > static_cast<double>(high))
    throw ToolRefusal(
        std::string("'") + name + "' must be between " + std::to_string(low) + " and " +
        std::to_string(high) + ", not " + value.dump() +
        (number > static_cast<double>(high) && !aboveHigh.empty() ? "; " + std::string(aboveHigh) : ""));
  if (value.is_number_float()) return static_cast<int64_t>(number);
  return value.is_number_unsigned() ? static_cast<int64_t>(value.get<uint64_t>()) : value.get<int64_t>();
}

uint16_t ToolArguments::Address(const char* name, std::optional<uint16_t> fallback) const {
  if (!Has(name)) {
    if (fallback) return *fallback;
    throw ToolRefusal(std::string("missing argument '") + name + "'");
  }
  const json& value = Get(name);
  if (value.is_string()) {
    // The views' one reading, so a label shadowing a hexadecimal word means the same here as in the
    // windows and the runner.
    if (const auto address = ParseAddress(value.get<std::string>(), symbols_, registers_)) return *address;
    const auto parsed = ParseHexText(value.get<std::string>());
    if (parsed && *parsed > 0xFFFF)
      throw ToolRefusal(std::string("'") + name + "' is out of range: " + value.dump() + " (0000-FFFF)");
    throw ToolRefusal(std::string("'") + name + "' is neither a hexadecimal address nor a loaded label: " +
                      value.dump());
  }
  return static_cast<uint16_t>(Integer(name, 0, 0xFFFF, std::nullopt));
}

std::string ToolArguments::Text(const char* name, size_t maxLength,
                                std::optional<std::string> fallback) const {
  if (!Has(name)) {
    if (fallback) return *fallback;
    throw ToolRefusal(std::string("missing argument '") + name + "'");
  }
  const json& value = Get(name);
  if (!value.is_string())
    throw ToolRefusal(std::string("'") + name + "' must be text, not " + TypeName(value));
  std::string text = value.get<std::string>();
  if (text.size() > maxLength)
    throw ToolRefusal(std::string("'") + name + "' is longer than " + std::to_string(maxLength) +
                      " characters");
  return text;
}

bool ToolArguments::IsText(const char* name) const { return Has(name) && Get(name).is_string(); }

bool ToolArguments::Flag(const char* name, bool fallback) const {
  if (!Has(name)) return fallback;
  const json& value = Get(name);
  if (!value.is_boolean()) throw ToolRefusal(std::string("'") + name + "' must be true or false");
  return value.get<bool>();
}

std::vector<VirtualKey> ToolArguments::Keys(const char* name) const {
  std::vector<VirtualKey> keys;
  if (!Has(name)) return keys;
  const json& value = Get(name);
  if (!value.is_array()) throw ToolRefusal(std::string("'") + name + "' must be an array of key names");
  if (value.size() > VirtualKeyCount) throw ToolRefusal(std::string("'") + name + "' names too many keys");
  for (const json& item : value) {
    const auto key = item.is_string() ? VirtualKeyFromName(item.get<std::string>()) : std::nullopt;
    if (!key)
      throw ToolRefusal("unknown key " + (item.is_string() ? item.dump() : TypeName(item)) +
                        "; key names: Left Right Up Down Ctrl Shift Alt Tab Return Space F1-F12 0-9 A-Z");
    keys.push_back(*key);
  }
  return keys;
}

// ---- the tool table

MachineTools::MachineTools(std::string folder, int framesPerCall)
    : folder_(std::move(folder)), framesPerCall_(framesPerCall), host_(folder_), scope_(host_) {
  ResetRunControls();
  run_.History = &history_;
  using T = MachineTools;
  const json noArgs = Schema();
  entries_ = {
      // machines
      {"list_games",
       "List the games this server can start: title, driver and description file. Call first to pick a "
       "game for start_game.",
       Schema(
           {{"driver", {{"type", "string"}, {"description", "only games of this driver, e.g. SPECTRUM"}}}}),
       false, &T::ListGames, false, true,
       ObjectOf(
           {{"games",
             {{"type", "array"},
              {"items",
               ObjectOf({{"title", Typed("string")}, {"driver", Typed("string")}, {"file", Typed("string")}},
                        {"title", "driver", "file"})}}}},
           {"games"})},
      {"start_game",
       "Start a game by its title or description file name (from list_games). Stops the game running "
       "before; breakpoints are kept.",
       Schema({{"game",
                {{"type", "string"}, {"description", "title or description file, e.g. opense_basic.ini"}}}},
              {"game"}),
       false, &T::StartGame},
      {"stop_game", "Stop the running game.", noArgs, true, &T::StopGame},
      {"reset_machine", "Reset the processor: PC to 0000, SP to F000; memory and the board keep their state.",
       noArgs, true, &T::ResetMachine},
      {"load_file",
       "Load a snapshot (.sna, SPECTRUM) or cartridge (.col, COLECO) into the running machine. Relative "
       "paths "
       "are taken from the folder of the descriptions.",
       Schema({{"path", {{"type", "string"}, {"description", "the file to load"}}}}, {"path"}), true,
       &T::LoadFile},
      // running
      {"run_frames",
       "Run whole frames as fast as possible, ignoring breakpoints, optionally holding keys during them "
       "(on top of those held by press_keys). Use to let a program work or to play. One call runs at most "
       "36000 frames (ten minutes of a 60 Hz machine); call again to run on. With a progress token it "
       "reports progress; cancelled, it stops at the end of a frame.",
       Schema({{"frames", IntegerProperty("frames to run", 1, framesPerCall_, 1)},
               {"keys", KeysProperty("keys held during these frames only")}}),
       true, &T::RunFrames},
      {"type_text",
       "Type text on the machine's keyboard, a key at a time, as the desktop's \"Paste text\" does: each key "
       "is held until the machine has taken it, and after a newline (Return) the next waits until the machine "
       "is ready for a line; a key not taken within 1500 frames stops the typing with a message naming it. "
       "Letters, digits, space and newline "
       "work everywhere; the SPECTRUM types capitals with caps shift and takes its symbol-shift characters "
       "such as * \" + - = ; : , . / ( ) < > $ ?",
       Schema({{"text",
                {{"type", "string"},
                 {"maxLength", 4096},
                 {"description", "the text, at most 4096 characters"}}}},
              {"text"}),
       true, &T::TypeText},
      {"press_keys", "Hold keys down until release_keys; they stay held through every later run.",
       Schema({{"keys", KeysProperty("keys to hold")}}, {"keys"}), true, &T::PressKeys},
      {"release_keys", "Release held keys (all of them when no keys are given).",
       Schema({{"keys", KeysProperty("keys to release")}}), true, &T::ReleaseKeys},
      {"resume",
       "Let the machine run on its own at its real speed between calls, until pause or a breakpoint. "
       "Check with status.",
       noArgs, true, &T::Resume},
      {"pause", "Stop the machine that resume left running; it keeps its state.", noArgs, true, &T::Pause},
      {"status",
       "Say whether a game runs, which one, frames run, whether it runs on its own, and why it stopped.",
       noArgs, false, &T::Status, false, true,
       ObjectOf({{"running", Typed("boolean")},
                 {"game", Typed("string")},
                 {"file", Typed("string")},
                 {"driver", Typed("string")},
                 {"frames", Typed("integer")},
                 {"free_running", Typed("boolean")},
                 {"pc", Typed("string")},
                 {"stopped", Typed("string")},
                 {"breakpoints", Typed("integer")}},
                {"running", "breakpoints"})},
      // debugging
      {"get_registers", "Read the processor registers, flags, interrupt state and T-states into the frame.",
       noArgs, true, &T::GetRegisters, false, true, RegistersSchema()},
      {"set_registers",
       "Write processor registers; give only those to change. Pairs take 0-FFFF; single registers (A, F, "
       "B, C, D, E, H, L, IXH, IXL, IYH, IYL, I, R) take 0-FF. A pair and one of its halves together are "
       "refused.",
       SetRegistersSchema(), true, &T::SetRegisters},
      {"read_memory",
       "Read bytes of the 64 KB memory image as a hex dump with ASCII. At most 4096 bytes and never past "
       "FFFF.",
       Schema({{"address", AddressProperty("first address")},
               {"length", IntegerProperty("bytes to read", 1, MaxMemoryBytes, 256)}},
              {"address"}),
       true, &T::ReadMemory, false, true,
       ObjectOf({{"address", Typed("integer")}, {"bytes", {{"type", "array"}, {"items", Typed("integer")}}}},
                {"address", "bytes"})},
      {"write_memory",
       "Write bytes into the memory image (ROM included, for patching). At most 4096 bytes, never past FFFF.",
       Schema({{"address", AddressProperty("first address")},
               {"bytes",
                {{"type", "string"}, {"description", "hexadecimal bytes, e.g. \"3E 01 C9\" or \"3E01C9\""}}}},
              {"address", "bytes"}),
       true, &T::WriteMemory},
      {"disassemble", "Disassemble instructions from an address (default: PC). '>' marks the PC.",
       Schema({{"address", AddressProperty("first address (default PC)")},
               {"count", IntegerProperty("instructions", 1, MaxDisassemblyLines, 16)}}),
       true, &T::DisassembleAt, false, true},
      {"step_into", "Execute single instructions (into calls) and show registers and the next instruction.",
       Schema({{"count", IntegerProperty("instructions to execute", 1, MaxStepsPerCall, 1)}}), true,
       &T::StepInto},
      {"run_to_breakpoint",
       "Run until the next instruction is at a breakpoint (it has not run yet; a conditional one stops "
       "when its condition holds on its n-th hit), until a watchpoint's access (just after the "
       "instruction that made it), or until max_frames frames have passed. The answer says which stopped "
       "it. Set them first with set_breakpoint and set_watchpoint.",
       Schema(
           {{"max_frames", IntegerProperty("frame limit", 1, framesPerCall_, std::min(600, framesPerCall_))},
            {"keys", KeysProperty("keys held while running")}}),
       true, &T::RunToBreakpoint, true},
      {"step_over",
       "Execute one instruction, running a CALL, RST or DJNZ through to the instruction after it; "
       "stops early at a breakpoint of the debugger engine or after max_frames frames.",
       Schema({{"max_frames",
                IntegerProperty("frame limit", 1, framesPerCall_, std::min(600, framesPerCall_))}}),
       true, &T::StepOver, true},
      {"step_out",
       "Run until the current routine returns to its caller, or until max_frames frames have passed.",
       Schema({{"max_frames",
                IntegerProperty("frame limit", 1, framesPerCall_, std::min(600, framesPerCall_))}}),
       true, &T::StepOut, true},
      {"run_to_address",
       "Run until the next instruction is at an address (it has not run yet), or until max_frames frames "
       "have passed.",
       Schema(
           {{"address", AddressProperty("code address")},
            {"max_frames", IntegerProperty("frame limit", 1, framesPerCall_, std::min(600, framesPerCall_))}},
           {"address"}),
       true, &T::RunToAddress, true},
      {"load_symbols",
       "Add the labels of an assembler's symbol or label file (path relative to the games folder); labels "
       "are then accepted wherever an address is.",
       Schema({{"path", {{"type", "string"}, {"description", "symbol file"}}},
               {"replace", {{"type", "boolean"}, {"description", "drop the labels loaded before"}}}},
              {"path"}),
       false, &T::LoadSymbols},
      {"lookup_label", "The address of a label, or the label at an address.",
       Schema({{"label", {{"type", "string"}, {"description", "label name"}}},
               {"address", AddressProperty("address")}}),
       false, &T::LookupLabel, false, true},
      {"set_breakpoint",
       "Stop execution before the instruction at an address (run_to_breakpoint, resume). With a condition "
       "over registers, flags and memory (e.g. \"A = 3 and (HL) <> 0 and Z\", \"BC > 1000h\", "
       "\"(IX+5) = 0FFh\") it stops only when the condition holds; with hit_count only on that hit and "
       "after. "
       "Use a condition to catch one case of a routine called often.",
       Schema(
           {{"address", AddressProperty("code address or label")},
            {"condition",
             {{"type", "string"},
              {"description",
               "registers (A, HL, IX, AF', ...), flags alone (Z NZ C NC PE PO P M), (expr) for the byte in "
               "memory, labels, numbers (3, 0FFh, $FF, %101); = <> < > <= >=, + - & | ^, and or not"}}},
            {"hit_count", IntegerProperty("stop on this hit of the breakpoint (the condition holding)", 1,
                                          static_cast<int>(MaxHitCount), 1)}},
           {"address"}),
       false, &T::SetBreakpoint, true},
      {"clear_breakpoint",
       "Remove the breakpoints at an address (plain and conditional), or every breakpoint when no address "
       "is given.",
       Schema({{"address", AddressProperty("code address")}}), false, &T::ClearBreakpoint, true},
      {"list_breakpoints", "List the breakpoints, conditional ones with their condition and hits so far.",
       noArgs, false, &T::ListBreakpoints, true, true},
      {"set_watchpoint",
       "Stop run_to_breakpoint and resume when the program reads or writes a memory range or an I/O port, "
       "optionally only for some byte values. Use it to find the code that changes or reads a variable or a "
       "port. The stop comes just after the instruction that made the access and names it, the access and "
       "the value.",
       Schema({{"address", AddressProperty("first address, or the port number (00-FF) with port true")},
               {"last", AddressProperty("last address of the range (default: address)")},
               {"port",
                {{"type", "boolean"}, {"description", "watch an I/O port (its low byte) instead of memory"}}},
               {"access",
                ChoiceProperty("the accesses that stop", {"read", "write", "read_write"}, "read_write")},
               {"value", ByteProperty("only accesses of this value")},
               {"compare",
                ChoiceProperty("how the accessed byte meets value: equal, not_equal, or mask: (byte AND "
                               "mask) = value",
                               {"equal", "not_equal", "mask"}, "equal")},
               {"mask", ByteProperty("the mask for compare mask")}},
              {"address"}),
       false, &T::SetWatchpoint, true},
      {"clear_watchpoint",
       "Remove the watchpoint of a number list_watchpoints shows, or every watchpoint when none is given.",
       Schema({{"index", IntegerProperty("watchpoint number", 0, 1000, 0)}}), false, &T::ClearWatchpoint,
       true},
      {"list_watchpoints", "List the watchpoints with their numbers.", noArgs, false, &T::ListWatchpoints,
       true, true},
      {"trace_lines",
       "The last instructions executed, oldest first: address, bytes, instruction and the registers after "
       "it. "
       "Recording is off until record is true (it keeps the last 100,000 and makes running several times "
       "slower); use it to see how the program reached a breakpoint or a crash.",
       Schema({{"count", IntegerProperty("lines to show", 1, MaxTraceLines, 20)},
               {"record",
                {{"type", "boolean"},
                 {"description", "true: start recording (dropping the lines kept); false: stop"}}}}),
       false, &T::TraceLines},
      // state
      {"save_state",
       "Save the whole machine state to a file, to come back to this moment with load_state (same game). "
       "Relative paths are taken from the folder of the descriptions.",
       Schema({{"path", {{"type", "string"}, {"description", "the file to write"}}}}, {"path"}), true,
       &T::SaveState},
      {"load_state",
       "Restore a state saved by save_state for the running game. A file of another game or a damaged one "
       "is refused with the reason and the machine is left as it was.",
       Schema({{"path", {{"type", "string"}, {"description", "the file to read"}}}}, {"path"}), true,
       &T::LoadState},
      // time travel
      {"step_back",
       "Undo executed instructions exactly: registers, memory, the board and the picture as they were. Use "
       "after a step or a stop to see what led there. The history keeps the last 60 seconds of everything "
       "run since start_game, reset, load_file or load_state; running on from a past point drops what came "
       "after it.",
       Schema({{"count", IntegerProperty("instructions to undo", 1, MaxStepsPerCall, 1)}}), true,
       &T::StepBack},
      {"rewind",
       "Go back whole frames through the history, to the start of a frame, as the machine was then.",
       Schema({{"frames", IntegerProperty("frames to go back", 1, 36000, 1)}}, {"frames"}), true, &T::Rewind},
      {"run_back",
       "Run backwards to the most recent earlier point where a breakpoint (set_breakpoint; conditions are "
       "not checked) would have stopped a forward run, or to the start of the history; the answer says "
       "which. Use to find the last time the program passed a routine before now.",
       noArgs, true, &T::RunBack, true},
      {"last_write",
       "Go back to the instruction that last wrote a memory byte within the history (the machine stands "
       "just before it, so step_into repeats the write), or say that none did. Use to find who changed a "
       "variable.",
       Schema({{"address", AddressProperty("the byte's address or a label")}}, {"address"}), true,
       &T::LastWrite},
      {"history",
       "Where the machine stands in its history (frame and instruction), the oldest and newest points kept, "
       "and the memory the history uses.",
       noArgs, true, &T::HistoryStatus, false, true,
       ObjectOf({{"at", HistoryPointSchema()},
                 {"seconds_kept", Typed("integer")},
                 {"memory_bytes", Typed("integer")},
                 {"oldest", HistoryPointSchema()},
                 {"newest", HistoryPointSchema()},
                 {"in_the_past", Typed("boolean")}},
                {"at", "seconds_kept", "memory_bytes"})},
      // looking
      {"screenshot", "The game screen as a PNG image, as the last frame drew it.",
       Schema({{"scale", IntegerProperty("1 or 2 (double size)", 1, 2, 1)}}), true, &T::Screenshot, false,
       true},
      {"tile_set",
       "The decoded tiles of one graphics bank as a PNG image. Without 'bank' it lists the banks of the "
       "running driver. Every driver with tiles names its banks chars, sprites and, where it has a second "
       "sprite bank, sprites2; the driver's own names (as the debugger's viewers show them) work too.",
       Schema({{"bank",
                {{"type", "string"},
                 {"description",
                  "chars, sprites or sprites2, or a name from the list, e.g. \"Char Set (8x8)\""}}},
               {"set", IntegerProperty("set within a chars/sprites bank", 0, 255, 0)},
               {"palette", IntegerProperty("colour palette", 0, 255, 0)},
               {"zoom", IntegerProperty("pixels per tile pixel", 1, 3, 1)}}),
       true, &T::TileSetImage, false, true},
  };
  list_ = json::array();
  for (const ToolEntry& entry : entries_) {
    json tool = {{"name", entry.Name},
                 {"description", entry.Description},
                 {"inputSchema", entry.Schema},
                 {"annotations", {{"readOnlyHint", entry.ReadOnly}, {"openWorldHint", false}}}};
    if (!entry.OutputSchema.is_null()) tool["outputSchema"] = entry.OutputSchema;
    list_.push_back(std::move(tool));
  }
}

MachineTools::~MachineTools() {
  StopMachine();
  run_.History = nullptr;
  KeyState.fill(0);
}

std::optional<ToolOutcome> MachineTools::Call(std::string_view name, const json& arguments) {
  std::optional<ToolOutcome> outcome = Begin(name, arguments);
  while (outcome && outcome->Pending) outcome = Continue(framesPerCall_);
  return outcome;
}

std::optional<ToolOutcome> MachineTools::Begin(std::string_view name, const json& arguments) {
  const auto entry =
      std::find_if(entries_.begin(), entries_.end(), [&](const ToolEntry& s) { return name == s.Name; });
  if (entry == entries_.end()) return std::nullopt;
  const std::string prefix = std::string(name) + ": ";
  if (job_) return Failure(prefix + "another call is still running");
  if (!arguments.is_object()) return Failure(prefix + "arguments must be an object");
  const json& properties = entry->Schema["properties"];
  for (const auto& [key, value] : arguments.items())
    if (!properties.contains(key)) {
      std::string known;
      for (const auto& [k, v] : properties.items()) known += (known.empty() ? "" : ", ") + k;
      return Failure(prefix + "unknown argument '" + key + "'" +
                     (known.empty() ? "; this tool takes none" : "; it takes " + known));
    }
  if (entry->NeedsMachine && !Running()) return Failure(prefix + "no game is running; call start_game first");
  host_.Messages.clear();
  std::shared_ptr<StopsOff> stopsOff;
  if (!entry->KeepsStops && (engine_.Watchpoints.AnyEnabled() || engine_.Breakpoints.AnyEnabled()))
    stopsOff = std::make_shared<StopsOff>(engine_);
  ToolOutcome outcome;
  try {
    outcome = (this->*(entry->Run))(ToolArguments(arguments, &engine_.Symbols, ActiveContext));
  } catch (const ToolRefusal& refusal) {
    return Failure(prefix + refusal.what());
  }
  if (job_) {
    job_->Tool = entry->Name;
    job_->Stops = std::move(stopsOff);
    return outcome;
  }
  return WithMessages(std::move(outcome));
}

ToolOutcome MachineTools::WithMessages(ToolOutcome outcome) {
  // Message boxes the machine raised (a loader refusing a file, for one) belong to the answer.
  for (const std::string& message : host_.Messages) {
    std::string text = message;
    std::replace(text.begin(), text.end(), '\r', ' ');
    outcome.Content.push_back(TextItem("The machine reported: " + text));
  }
  host_.Messages.clear();
  return outcome;
}

ToolOutcome MachineTools::RunInSlices(int limit, std::function<bool()> reached,
                                      std::function<ToolOutcome()> end) {
  job_ = FrameJob{
      "", static_cast<uint64_t>(limit), 0, run_.FramesRun(), std::move(reached), std::move(end), nullptr};
  ToolOutcome outcome;
  outcome.Pending = true;
  return outcome;
}

bool MachineTools::JobEnded() const {
  return !Running() || job_->Passes >= job_->Limit || (job_->Reached && job_->Reached());
}

uint64_t MachineTools::CallFramesDone() const { return job_ ? run_.FramesRun() - job_->Start : 0; }

std::optional<ToolOutcome> MachineTools::Continue(int passes) {
  if (!job_) return std::nullopt;
  for (int i = 0; i < passes && !JobEnded(); ++i) {
    run_.RunPass();
    ++job_->Passes;
  }
  if (!JobEnded()) {
    ToolOutcome outcome;
    outcome.Pending = true;
    return outcome;
  }
  FrameJob job = std::move(*job_);
  job_.reset();
  ToolOutcome outcome = job.End();
  job.Stops.reset();
  return WithMessages(std::move(outcome));
}

std::string MachineTools::Cancel() {
  if (!job_) return {};
  FrameJob job = std::move(*job_);
  job_.reset();
  const uint64_t done = run_.FramesRun() - job.Start;
  job.End();
  job.Stops.reset();
  host_.Messages.clear();
  stopReason_ = job.Tool + " cancelled after " + std::to_string(done) + " of at most " +
                std::to_string(job.Limit) + " frames, at frame " + std::to_string(frames_) +
                " since the start";
  return stopReason_ + "; the machine stands paused there.\n" + (Running() ? Where() : "");
}

// ---- helpers

void MachineTools::StopMachine() {
  freeRunning_ = false;
  if (Running()) run_.Stop();
  run_.RunLoop();  // no pass after Stop: only the driver's StopRoutine
  gameTitle_.clear();
  gameFile_.clear();
}

void MachineTools::HoldKeys(const std::vector<VirtualKey>& extra) {
  KeyState = held_;
  for (VirtualKey key : extra) KeyState[static_cast<int>(key)] = 1;
}

std::string MachineTools::RegisterText() const {
  const Z80Context& z = *ActiveContext;
  std::string text;
  const auto pairs = NamedPairs(z);
  for (size_t i = 0; i < pairs.size(); ++i)
    text += std::string(pairs[i].Name) + "=" + Hex(pairs[i].Value, 4) + (i == 7 || i == 11 ? "\n" : " ");
  text += "I=" + Hex(z.I, 2) + " R=" + Hex(z.R, 2) + " IFF1=" + std::to_string(z.IFF1 ? 1 : 0) +
          " IFF2=" + std::to_string(z.IFF2 ? 1 : 0) + " IM=" + std::to_string(InterruptModeNumber(z)) +
          (z.Halted ? " halted" : "") + "\nflags:";
  for (const FlagName& flag : FlagNames)
    if (z.AF.l & flag.Mask) text += std::string(" ") + flag.Name;
  text += "\nT-states into the frame: " + std::to_string(z.CycleCount) + "\n";
  return text;
}

std::string MachineTools::Where() const {
  const uint16_t pc = ActiveContext->PC.w;
  return "next: " + Listed(Disassemble(ActiveContext->MemoryImage, pc).Text) + "\n";
}

std::optional<StopReport> MachineTools::FinishEngineCommand() {
  std::optional<StopReport> stop = engine_.LastStop();
  if (!stop && engine_.Pending() != DebugEngine::Command::None) engine_.Pause();
  engine_.ClearLastStop();
  DebugState = DebugStateKind::Running;
  return stop;
}

std::string MachineTools::StopText(const StopReport& stop) const {
  switch (stop.Reason) {
    case StopReason::Watchpoint: return stop.Message + " It stopped after that instruction.";
    case StopReason::Breakpoint:
      return "Conditional b" + stop.Message.substr(1) + " The instruction there has not run.";
    case StopReason::StepDone: break;
  }
  return "Breakpoint at " + Hex(stop.PC, 4) + "; the instruction there has not run.";
}

std::string MachineTools::CapText() const {
  return "one call runs at most " + std::to_string(framesPerCall_) +
         " frames, so split a longer run into several calls: each goes on where the one before stopped";
}

int MachineTools::MaxFrames(const ToolArguments& args) const {
  return static_cast<int>(
      args.Integer("max_frames", 1, framesPerCall_, std::min(600, framesPerCall_), CapText()));
}

std::string MachineTools::ToolPath(const ToolArguments& args) const {
  std::string path = args.Text("path", MaxPathLength);
  if (path.empty()) throw ToolRefusal("'path' is empty");
  return path.front() == '/' ? path : folder_ + path;
}

// ---- machines

ToolOutcome MachineTools::ListGames(const ToolArguments& args) {
  const std::string driver = UpperAscii(args.Text("driver", 64, ""));
  const GameCatalogue catalogue = BuildGameCatalogue(folder_);
  json games = json::array();
  for (const std::string& item : catalogue.Items) {
    const size_t sep1 = item.find(CatalogueSep1);
    const size_t sep2 = item.find(CatalogueSep2);
    if (sep1 == std::string::npos || sep2 == std::string::npos || sep2 < sep1) continue;
    const std::string itemDriver = item.substr(0, sep1);
    if (!driver.empty() && UpperAscii(itemDriver) != driver) continue;
    const std::string path = item.substr(sep2 + 1);
    games.push_back({{"title", item.substr(sep1 + 1, sep2 - sep1 - 1)},
                     {"driver", itemDriver},
                     {"file", path.substr(path.find_last_of('/') + 1)}});
  }
  ToolOutcome outcome =
      Answer(games.empty() ? driver.empty() ? "No descriptions in " + folder_ : "No games of driver " + driver
                           : games.dump(1));
  outcome.Structured = {{"games", std::move(games)}};
  return outcome;
}

ToolOutcome MachineTools::StartGame(const ToolArguments& args) {
  const std::string wanted = args.Text("game", MaxPathLength);
  const GameCatalogue catalogue = BuildGameCatalogue(folder_);
  std::string path, title;
  for (const std::string& item : catalogue.Items) {
    const size_t sep1 = item.find(CatalogueSep1);
    const size_t sep2 = item.find(CatalogueSep2);
    if (sep1 == std::string::npos || sep2 == std::string::npos || sep2 < sep1) continue;
    const std::string itemPath = item.substr(sep2 + 1);
    const std::string itemTitle = item.substr(sep1 + 1, sep2 - sep1 - 1);
    const std::string file = itemPath.substr(itemPath.find_last_of('/') + 1);
    const std::string stem = file.size() > 4 ? file.substr(0, file.size() - 4) : file;
    if (UpperAscii(itemTitle) == UpperAscii(wanted) || file == wanted || stem == wanted) {
      path = itemPath;
      title = itemTitle;
      break;
    }
  }
  if (path.empty())
    throw ToolRefusal("no game called \"" + wanted + "\"; list_games shows the titles and files");

  StopMachine();
  held_.fill(0);
  ResetRunControls();
  const StartResult start = run_.Start(path);
  if (!start.Ok) {
    std::string message = start.Message;
    std::replace(message.begin(), message.end(), '\r', ' ');
    run_.RunLoop();
    return Failure("start_game: " + message);
  }
  if (!start.Notice.empty()) host_.Messages.push_back(start.Notice);
  gameTitle_ = title;
  gameFile_ = path.substr(path.find_last_of('/') + 1);
  frames_ = 0;
  stopReason_.clear();
  return Answer("Started " + title + " [" + Game.Driver + "], screen " + std::to_string(ScreenWidth) + "x" +
                std::to_string(ScreenHeight) +
                ". Nothing has run yet: use run_frames, run_to_breakpoint or resume.");
}

ToolOutcome MachineTools::StopGame(const ToolArguments&) {
  const std::string title = gameTitle_;
  StopMachine();
  return Answer("Stopped " + title + ".");
}

ToolOutcome MachineTools::ResetMachine(const ToolArguments&) {
  run_.Reset();
  return Answer("Reset: PC=0000 SP=F000.");
}

ToolOutcome MachineTools::LoadFile(const ToolArguments& args) {
  std::string path = args.Text("path", MaxPathLength);
  if (path.empty()) throw ToolRefusal("'path' is empty");
  if (path.front() != '/') path = folder_ + path;
  if (std::FILE* file = std::fopen(path.c_str(), "rb"))
    std::fclose(file);
  else
    throw ToolRefusal("cannot open " + path);
  if (!run_.LoadsFiles()) throw ToolRefusal("the " + UpperAscii(Game.Driver) + " driver loads no files");
  const LoadResult loaded = run_.LoadFile(path);
  if (!loaded.Ok) {
    host_.Messages.push_back(loaded.Message);  // the answer carries it as the machine's report
    return Failure("load_file: the driver refused " + path);
  }
  history_.Begin();
  return Answer("Loaded " + path + ".\n" + RegisterText());
}

// ---- running

ToolOutcome MachineTools::RunFrames(const ToolArguments& args) {
  const int frames = static_cast<int>(args.Integer("frames", 1, framesPerCall_, 1, CapText()));
  const std::vector<VirtualKey> keys = args.Keys("keys");
  freeRunning_ = false;
  HoldKeys(keys);
  const uint64_t before = run_.FramesRun();
  return RunInSlices(frames, nullptr, [this, before] {
    frames_ += run_.FramesRun() - before;
    HoldKeys({});
    return Answer("Ran " + std::to_string(run_.FramesRun() - before) + " frames (" + std::to_string(frames_) +
                  " since the start). PC=" + Hex(ActiveContext->PC.w, 4));
  });
}

ToolOutcome MachineTools::TypeText(const ToolArguments& args) {
  const std::string text = args.Text("text", 4096);
  const CharacterKeysFn keysFor = run_.Row() != nullptr ? run_.Row()->CharacterKeys : nullptr;
  const TypingCheck check = CheckTyping(text, keysFor);
  if (!check.Untypable.empty())
    throw ToolRefusal("the " + UpperAscii(Game.Driver) + " keyboard cannot type \"" + check.Untypable +
                      "\"; nothing was typed (press_keys holds any key combination)");
  freeRunning_ = false;
  HoldKeys({});
  const uint64_t before = run_.FramesRun();
  run_.TypeText(text);
  // In slices like every call that runs frames, so that it can be cancelled and reports progress.
  return RunInSlices(framesPerCall_, [this] { return !run_.Typing(); }, [this, before, typable = check.Typable] {
    const bool unfinished = run_.Typing();
    if (unfinished) run_.StopTyping();
    HoldKeys({});
    frames_ += run_.FramesRun() - before;
    const std::string frames = std::to_string(run_.FramesRun() - before) + " frames";
    if (!run_.TypingStopMessage().empty()) return Failure(run_.TypingStopMessage() + " (after " + frames + ")");
    if (unfinished)
      return Failure("Typing stopped after " + frames + ", the most one call runs; the rest of the text was not typed (send it in another type_text call).");
    return Answer("Typed " + std::to_string(typable) + " keys in " + frames + ". Take a screenshot to see the result.");
  });
}

ToolOutcome MachineTools::PressKeys(const ToolArguments& args) {
  for (VirtualKey key : args.Keys("keys")) held_[static_cast<int>(key)] = 1;
  HoldKeys({});
  std::string names;
  for (int k = 0; k < VirtualKeyCount; ++k)
    if (held_[k]) names += std::string(" ") + VirtualKeyName(static_cast<VirtualKey>(k));
  return Answer("Held:" + (names.empty() ? std::string(" none") : names));
}

ToolOutcome MachineTools::ReleaseKeys(const ToolArguments& args) {
  if (args.Has("keys")) {
    for (VirtualKey key : args.Keys("keys")) held_[static_cast<int>(key)] = 0;
  } else {
    held_.fill(0);
  }
  HoldKeys({});
  return PressKeys(ToolArguments(json::object()));
}

ToolOutcome MachineTools::Resume(const ToolArguments&) {
  freeRunning_ = true;
  freeRunBegun_ = false;
  stopReason_.clear();
  nextFrame_ = std::chrono::steady_clock::now();
  return Answer("Running at " + std::to_string(run_.FrameRate()) +
                " frames a second until pause or a breakpoint.");
}

ToolOutcome MachineTools::Pause(const ToolArguments&) {
  const bool was = freeRunning_;
  freeRunning_ = false;
  if (was) stopReason_ = "paused";
  return Answer(std::string(was ? "Paused" : "Was not running") + " at frame " + std::to_string(frames_) +
                ".\n" + Where());
}

void MachineTools::FreeRunFrame() {
  if (!freeRunning_ || !Running()) {
    freeRunning_ = false;
    return;
  }
  HoldKeys({});
  // Each frame is a run of its own; after the first it checks the instruction it starts at, which
  // the frame before did not reach.
  const uint64_t before = run_.FramesRun();
  engine_.ClearLastStop();
  engine_.RunToMarks(breakpoints_.Marks(), freeRunBegun_);
  freeRunBegun_ = true;
  run_.RunPass();
  frames_ += run_.FramesRun() - before;
  if (const std::optional<StopReport> stop = FinishEngineCommand()) {
    freeRunning_ = false;
    stopReason_ = StopText(*stop);
    return;
  }
  // After a stall the schedule starts again rather than racing to catch up.
  const auto period = std::chrono::nanoseconds(1'000'000'000LL / run_.FrameRate());
  const auto now = std::chrono::steady_clock::now();
  nextFrame_ = now - nextFrame_ > 4 * period ? now + period : nextFrame_ + period;
}

ToolOutcome MachineTools::Status(const ToolArguments&) {
  json status = {{"running", Running()}};
  if (Running()) {
    status["game"] = gameTitle_;
    status["file"] = gameFile_;
    status["driver"] = Game.Driver;
    status["frames"] = frames_;
    status["free_running"] = freeRunning_;
    status["pc"] = Hex(ActiveContext->PC.w, 4);
    if (!stopReason_.empty()) status["stopped"] = stopReason_;
  }
  status["breakpoints"] = breakpoints_.Count();
  return Data(std::move(status));
}

// ---- debugging

ToolOutcome MachineTools::GetRegisters(const ToolArguments&) {
  const Z80Context& z = *ActiveContext;
  json data = {{"I", z.I},
               {"R", z.R},
               {"IFF1", z.IFF1 != 0},
               {"IFF2", z.IFF2 != 0},
               {"IM", InterruptModeNumber(z)},
               {"halted", z.Halted != 0},
               {"flags", json::array()},
               {"tstates", z.CycleCount}};
  for (const NamedPair& pair : NamedPairs(z)) data[pair.Name] = pair.Value;
  for (const FlagName& flag : FlagNames)
    if (z.AF.l & flag.Mask) data["flags"].push_back(flag.Name);
  ToolOutcome outcome = Answer(RegisterText());
  outcome.Structured = std::move(data);
  return outcome;
}

ToolOutcome MachineTools::SetRegisters(const ToolArguments& args) {
  Z80Context& z = *ActiveContext;
  RegisterPair* const pairs[] = {&z.AF, &z.BC, &z.DE,    &z.HL,    &z.IX,    &z.IY,
                                 &z.SP, &z.PC, &z.AltAF, &z.AltBC, &z.AltDE, &z.AltHL};
  static_assert(std::size(pairs) == std::size(RegisterPairNames));
  const auto pairNamed = [&](std::string_view name) {
    for (size_t i = 0; i < std::size(pairs); ++i)
      if (name == RegisterPairNames[i]) return pairs[i];
    return static_cast<RegisterPair*>(nullptr);
  };
  // Every value is read before any is written.
  std::vector<std::pair<uint16_t*, uint16_t>> words;
  std::vector<std::pair<uint8_t*, uint8_t>> bytes;
  for (size_t i = 0; i < std::size(pairs); ++i)
    if (args.Has(RegisterPairNames[i])) words.emplace_back(&pairs[i]->w, args.Address(RegisterPairNames[i]));
  for (const ByteRegister& r : ByteRegisters) {
    if (!args.Has(r.Name)) continue;
    if (r.Pair && args.Has(r.Pair))
      throw ToolRefusal(std::string("'") + r.Name + "' is half of '" + r.Pair + "': give one or the other");
    const uint8_t value = ByteArgument(args, r.Name);
    RegisterPair* pair = r.Pair ? pairNamed(r.Pair) : nullptr;
    uint8_t* target = pair ? (r.High ? &pair->h : &pair->l) : std::string_view(r.Name) == "I" ? &z.I : &z.R;
    bytes.emplace_back(target, value);
  }
  if (words.empty() && bytes.empty())
    throw ToolRefusal("name at least one register, e.g. {\"PC\": \"8000\"}");
  session_.EditRegisters([&](Z80Context&) {
    for (const auto& [target, value] : words) *target = value;
    for (const auto& [target, value] : bytes) *target = value;
  });
  return Answer(RegisterText());
}

ToolOutcome MachineTools::ReadMemory(const ToolArguments& args) {
  const uint16_t address = args.Address("address");
  const int length = static_cast<int>(args.Integer("length", 1, MaxMemoryBytes, 256));
  if (address + length > 0x10000)
    throw ToolRefusal("the range " + Hex(address, 4) + "+" + std::to_string(length) + " runs past FFFF");
  const uint8_t* memory = ActiveContext->MemoryImage;
  std::string text;
  json data = {{"address", address},
               {"bytes", std::vector<uint8_t>(memory + address, memory + address + length)}};
  for (int row = 0; row < length; row += 16) {
    const int count = std::min(16, length - row);
    text += Hex(address + row, 4) + ":";
    std::string ascii;
    for (int i = 0; i < count; ++i) {
      const uint8_t byte = memory[address + row + i];
      text.append(" ").append(Hex(byte, 2));
      ascii += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '.';
    }
    text += std::string(static_cast<size_t>(16 - count) * 3, ' ') + "  |" + ascii + "|\n";
  }
  ToolOutcome outcome = Answer(text);
  outcome.Structured = std::move(data);
  return outcome;
}

ToolOutcome MachineTools::WriteMemory(const ToolArguments& args) {
  const uint16_t address = args.Address("address");
  const std::string text = args.Text("bytes", MaxMemoryBytes * 4);
  // Groups between separators hold whole bytes: "0 1" is refused rather than read as 01.
  std::vector<uint8_t> bytes;
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = std::min(text.find_first_of(" ,\t\n", at), text.size());
    const std::string_view group = std::string_view(text).substr(at, end - at);
    at = end + 1;
    if (group.empty()) continue;
    if (group.size() % 2 != 0)
      throw ToolRefusal("'bytes' needs two hexadecimal digits a byte, not \"" + std::string(group) + "\"");
    for (size_t i = 0; i < group.size(); i += 2) {
      uint8_t byte = 0;
      const auto [stop, ec] = std::from_chars(group.data() + i, group.data() + i + 2, byte, 16);
      if (ec != std::errc() || stop != group.data() + i + 2)
        throw ToolRefusal("'bytes' holds \"" + std::string(group.substr(i, 2)) +
                          "\", which is no hexadecimal byte");
      bytes.push_back(byte);
    }
  }
  if (bytes.empty()) throw ToolRefusal("'bytes' holds no bytes");
  if (bytes.size() > MaxMemoryBytes) throw ToolRefusal("at most 4096 bytes at once");
  if (address + bytes.size() > 0x10000)
    throw ToolRefusal("the range " + Hex(address, 4) + "+" + std::to_string(bytes.size()) +
                      " runs past FFFF");
  session_.Write(address, bytes);
  return Answer("Wrote " + std::to_string(bytes.size()) + " bytes at " + Hex(address, 4) + ".");
}

ToolOutcome MachineTools::DisassembleAt(const ToolArguments& args) {
  const uint16_t pc = ActiveContext->PC.w;
  uint16_t address = args.Address("address", pc);
  const int count = static_cast<int>(args.Integer("count", 1, MaxDisassemblyLines, 16));
  std::string text;
  for (int i = 0; i < count; ++i) {
    const DisassembledInstruction line = Disassemble(ActiveContext->MemoryImage, address);
    text += (address == pc ? "> " : "  ") + Listed(line.Text) + "\n";
    address = static_cast<uint16_t>(address + line.Length);
  }
  return Answer(text);
}

ToolOutcome MachineTools::StepInto(const ToolArguments& args) {
  const int count = static_cast<int>(args.Integer("count", 1, MaxStepsPerCall, 1));
  freeRunning_ = false;
  HoldKeys({});
  Z80Context& z = *ActiveContext;
  const bool tracing = engine_.Recording();
  const uint64_t before = run_.FramesRun();
  for (int i = 0; i < count; ++i) {
    if (tracing) engine_.Trace.Before(z, z.MemoryImage);
    history_.BeforeExecute();
    run_.ExecuteStep();
    if (tracing) engine_.Trace.After(z);
  }
  frames_ += run_.FramesRun() - before;
  return Answer(RegisterText() + Where());
}

ToolOutcome MachineTools::RunToBreakpoint(const ToolArguments& args) {
  const int maxFrames = MaxFrames(args);
  const std::vector<VirtualKey> keys = args.Keys("keys");
  freeRunning_ = false;
  HoldKeys(keys);
  const uint64_t before = run_.FramesRun();
  engine_.ClearLastStop();
  engine_.RunToMarks(breakpoints_.Marks());
  return RunInSlices(
      maxFrames, [this] { return engine_.Pending() == DebugEngine::Command::None; },
      [this, before] {
        const std::optional<StopReport> stop = FinishEngineCommand();
        HoldKeys({});
        const uint64_t done = run_.FramesRun() - before;
        frames_ += done;
        if (!stop) {
          const bool none = breakpoints_.Count() == 0 && !engine_.Breakpoints.AnyEnabled() &&
                            !engine_.Watchpoints.AnyEnabled();
          return Answer("No breakpoint or watchpoint reached in " + std::to_string(done) + " frames" +
                        (none ? " (none is set)." : "; call run_to_breakpoint again to run on.") + "\n" +
                        Where());
        }
        stopReason_ = StopText(*stop);
        return Answer(stopReason_ + " Stopped after " + std::to_string(done) + " whole frames.\n" +
                      RegisterText() + Where());
      });
}

ToolOutcome MachineTools::RunEngineCommand(int maxFrames, const std::string& what, const std::string& goOn) {
  const uint64_t before = run_.FramesRun();
  return RunInSlices(
      maxFrames, [this] { return engine_.Pending() == DebugEngine::Command::None; },
      [this, before, what, goOn] {
        const bool finished = FinishEngineCommand().has_value();
        const uint64_t done = run_.FramesRun() - before;
        frames_ += done;
        if (!finished)
          return Answer(what + " did not finish in " + std::to_string(done) + " frames; paused. " + goOn +
                        "\n" + Where());
        stopReason_ = what + " at " + Hex(ActiveContext->PC.w, 4);
        return Answer(what + " done after " + std::to_string(done) + " frame ends.\n" + RegisterText() +
                      Where());
      });
}

ToolOutcome MachineTools::StepOver(const ToolArguments& args) {
  const int maxFrames = MaxFrames(args);
  freeRunning_ = false;
  HoldKeys({});
  engine_.ClearLastStop();
  engine_.StepOver();
  return RunEngineCommand(maxFrames, "Step over", "step_out goes on to the routine's return.");
}

ToolOutcome MachineTools::StepOut(const ToolArguments& args) {
  const int maxFrames = MaxFrames(args);
  freeRunning_ = false;
  HoldKeys({});
  engine_.ClearLastStop();
  engine_.StepOut();
  return RunEngineCommand(maxFrames, "Step out", "step_out again goes on.");
}

ToolOutcome MachineTools::RunToAddress(const ToolArguments& args) {
  const uint16_t address = args.Address("address");
  const int maxFrames = MaxFrames(args);
  freeRunning_ = false;
  HoldKeys({});
  engine_.ClearLastStop();
  engine_.RunTo(address);
  return RunEngineCommand(maxFrames, "Run to " + Hex(address, 4), "run_to_address again goes on.");
}

ToolOutcome MachineTools::LoadSymbols(const ToolArguments& args) {
  std::string path = args.Text("path", MaxPathLength);
  const bool replace = args.Flag("replace", false);
  if (path.empty()) throw ToolRefusal("'path' is empty");
  if (path.front() != '/') path = folder_ + path;
  // Parsed into a scratch table so a file that fails leaves the loaded labels as they were.
  SymbolTable loaded = replace ? SymbolTable() : engine_.Symbols;
  const SymbolLoadResult result = LoadSymbolFile(path, loaded);
  if (!result.Ok) throw ToolRefusal(path + ": " + result.Message);
  engine_.Symbols = std::move(loaded);
  return Answer(path + ": " + result.Message + " (" + std::to_string(engine_.Symbols.Count()) + " labels in all)");
}

ToolOutcome MachineTools::LookupLabel(const ToolArguments& args) {
  if (args.Has("label") == args.Has("address")) throw ToolRefusal("give either 'label' or 'address'");
  if (args.Has("label")) {
    const std::string label = args.Text("label", 256);
    const auto address = engine_.Symbols.Find(label);
    if (!address) throw ToolRefusal("no label \"" + label + "\" among the " +
                                    std::to_string(engine_.Symbols.Count()) + " loaded (load_symbols)");
    return Answer(label + " = " + Hex(*address, 4));
  }
  const uint16_t address = args.Address("address");
  const std::string* name = engine_.Symbols.NameAt(address);
  return Answer(Hex(address, 4) + (name ? " = " + *name : " has no label"));
}

ToolOutcome MachineTools::SetBreakpoint(const ToolArguments& args) {
  const uint16_t address = args.Address("address");
  if (!args.Has("condition") && !args.Has("hit_count")) {
    if (!breakpoints_.Contains(address)) breakpoints_.Add(Hex(address, 4));
    return ListBreakpoints(args);
  }
  const std::string condition = args.Text("condition", 256, "");
  const auto hitCount = static_cast<uint32_t>(args.Integer("hit_count", 1, MaxHitCount, 1));
  // A label keeps its name in the list and in the stop message.
  const std::string where = args.IsText("address") && engine_.Symbols.Find(args.Text("address", 256))
                                ? args.Text("address", 256)
                                : Hex(address, 4);
  ConditionError error;
  if (!engine_.Breakpoints.Add(where, condition, hitCount, &engine_.Symbols, error))
    throw ToolRefusal("'condition' \"" + condition + "\": " + error.Text());
  return ListBreakpoints(args);
}

ToolOutcome MachineTools::ClearBreakpoint(const ToolArguments& args) {
  if (!args.Has("address")) {
    breakpoints_.Clear();
    engine_.Breakpoints.Clear();
    return Answer("Breakpoints: none");
  }
  const uint16_t address = args.Address("address");
  ConditionalBreakpointList& conditional = engine_.Breakpoints;
  bool any = breakpoints_.Contains(address);
  for (int i = 0; i < conditional.Count() && !any; ++i) any = conditional.At(i).Address == address;
  if (!any) throw ToolRefusal("no breakpoint at " + Hex(address, 4));
  for (int i = breakpoints_.Count() - 1; i >= 0; --i)
    if (breakpoints_.Address(i) == address) breakpoints_.RemoveAt(i);
  for (int i = conditional.Count() - 1; i >= 0; --i)
    if (conditional.At(i).Address == address) conditional.RemoveAt(i);
  return ListBreakpoints(args);
}

ToolOutcome MachineTools::ListBreakpoints(const ToolArguments&) {
  std::string text = "Breakpoints:";
  for (int i = 0; i < breakpoints_.Count(); ++i) text.append(" ").append(Hex(breakpoints_.Address(i), 4));
  const ConditionalBreakpointList& conditional = engine_.Breakpoints;
  if (breakpoints_.Count() == 0) text += conditional.Count() == 0 ? " none" : " no plain ones";
  for (int i = 0; i < conditional.Count(); ++i) {
    const ConditionalBreakpoint& b = conditional.At(i);
    text += "\n" + Hex(b.Address, 4) + (b.Where != Hex(b.Address, 4) ? " (" + b.Where + ")" : "") +
            (b.When.AlwaysTrue() ? "" : " when " + b.When.Text()) + ", stops on hit " + std::to_string(b.HitCount) +
            ", hit " + std::to_string(b.Hits) + " so far";
  }
  return Answer(text);
}

ToolOutcome MachineTools::SetWatchpoint(const ToolArguments& args) {
  Watchpoint w;
  w.Space = args.Flag("port", false) ? WatchSpace::Port : WatchSpace::Memory;
  w.First = args.Address("address");
  w.Last = args.Address("last", w.First);
  if (w.Space == WatchSpace::Port && w.Last > 0xFF)
    throw ToolRefusal("a port is 00-FF, the low byte of the port address");
  if (w.Last < w.First) throw ToolRefusal("'last' comes before 'address'");
  static constexpr uint8_t Accesses[] = {WatchRead, WatchWrite, WatchReadWrite};
  w.Access = Accesses[Choice(args, "access", {"read", "write", "read_write"}, "read_write")];
  if (args.Has("value")) {
    static constexpr ValueMatch::Test Tests[] = {ValueMatch::Test::Equal, ValueMatch::Test::NotEqual,
                                                 ValueMatch::Test::Mask};
    w.Match.Kind = Tests[Choice(args, "compare", {"equal", "not_equal", "mask"}, "equal")];
    w.Match.Value = ByteArgument(args, "value");
    if (w.Match.Kind == ValueMatch::Test::Mask) {
      if (!args.Has("mask")) throw ToolRefusal("compare mask needs a 'mask'");
      w.Match.Mask = ByteArgument(args, "mask");
    } else if (args.Has("mask")) {
      throw ToolRefusal("'mask' goes with compare mask");
    }
  } else if (args.Has("compare") || args.Has("mask")) {
    throw ToolRefusal("'compare' and 'mask' need a 'value'");
  }
  engine_.Watchpoints.Add(w);
  return ListWatchpoints(args);
}

ToolOutcome MachineTools::ClearWatchpoint(const ToolArguments& args) {
  if (!args.Has("index")) {
    engine_.Watchpoints.Clear();
    return ListWatchpoints(args);
  }
  const int count = engine_.Watchpoints.Count();
  if (count == 0) throw ToolRefusal("no watchpoint is set");
  engine_.Watchpoints.RemoveAt(static_cast<int>(args.Integer("index", 0, count - 1, std::nullopt)));
  return ListWatchpoints(args);
}

ToolOutcome MachineTools::ListWatchpoints(const ToolArguments&) {
  const WatchpointList& list = engine_.Watchpoints;
  if (list.Count() == 0) return Answer("Watchpoints: none");
  std::string text = "Watchpoints:";
  for (int i = 0; i < list.Count(); ++i) text += "\n" + std::to_string(i) + ": " + DescribeWatchpoint(list.At(i));
  return Answer(text);
}

ToolOutcome MachineTools::TraceLines(const ToolArguments& args) {
  const int count = static_cast<int>(args.Integer("count", 1, MaxTraceLines, 20));
  if (args.Has("record")) {
    const bool record = args.Flag("record", false);
    if (record && !engine_.TraceEnabled) engine_.Trace.Clear();
    engine_.TraceEnabled = record;
    engine_.TraceOutsideDebugMode = record;
  }
  const TraceBuffer& trace = engine_.Trace;
  std::string text = std::string("Recording ") + (engine_.TraceEnabled ? "on" : "off") + "; " +
                     std::to_string(trace.Count()) + " instructions kept";
  if (trace.Count() == 0 && !engine_.TraceEnabled)
    return Answer(text + ". Call trace_lines with record true, then run the program.");
  text += ":\n";
  for (int i = std::max(0, trace.Count() - count); i < trace.Count(); ++i)
    text += FormatTraceLine(trace.At(i), &engine_.Symbols) + "\n";
  return Answer(text);
}

// ---- state

namespace {

std::string OneLine(std::string text) {
  std::replace(text.begin(), text.end(), '\r', ' ');
  return text;
}

}  // namespace

ToolOutcome MachineTools::SaveState(const ToolArguments& args) {
  const std::string path = ToolPath(args);
  const StateFileCheck saved = SaveStateFile(run_, path);
  if (!saved.Ok) throw ToolRefusal(OneLine(saved.Message));
  return Answer("Saved the state at frame " + std::to_string(run_.FramesRun()) + " to " + path + ".");
}

ToolOutcome MachineTools::LoadState(const ToolArguments& args) {
  const std::string path = ToolPath(args);
  const StateFileCheck loaded = LoadStateFile(run_, path);
  if (!loaded.Ok) throw ToolRefusal(OneLine(loaded.Message) + "; the machine is unchanged");
  freeRunning_ = false;
  frames_ = run_.FramesRun();
  stopReason_.clear();
  // The trace led to the state left behind.
  engine_.Trace.Clear();
  return Answer("Loaded " + path + ".\n" + RegisterText() + Where());
}

// ---- time travel

std::string MachineTools::PointText(HistoryPoint point) const {
  return "frame " + std::to_string(point.Frame) + ", instruction " + std::to_string(point.Instruction);
}

ToolOutcome MachineTools::Travelled(std::string what) {
  freeRunning_ = false;
  frames_ = run_.FramesRun();
  stopReason_.clear();
  HoldKeys({});  // the past's keys were replayed; the held ones are those of press_keys
  return Answer(what + "\nAt " + PointText(history_.Current()) + ".\n" + RegisterText() + Where());
}

ToolOutcome MachineTools::StepBack(const ToolArguments& args) {
  const int count = static_cast<int>(args.Integer("count", 1, MaxStepsPerCall, 1));
  int done = 0;
  while (done < count && history_.StepBack()) ++done;
  if (done == 0) throw ToolRefusal("at the start of the history; nothing to step back to");
  return Travelled("Stepped back " + std::to_string(done) + " instructions" +
                   (done < count ? " and reached the start of the history." : "."));
}

ToolOutcome MachineTools::Rewind(const ToolArguments& args) {
  const auto frames = static_cast<uint64_t>(args.Integer("frames", 1, 36000, std::nullopt));
  if (!history_.RewindFrames(frames)) throw ToolRefusal("at the start of the history; nothing to rewind");
  return Travelled("Rewound to the start of frame " + std::to_string(history_.Current().Frame) +
                   (history_.Current() == history_.Oldest() ? ", the start of the history." : "."));
}

ToolOutcome MachineTools::RunBack(const ToolArguments&) {
  if (const auto oldest = history_.Oldest(); !oldest || history_.Current() <= *oldest)
    throw ToolRefusal("at the start of the history; nothing to run back through");
  std::bitset<0x10000> stops = breakpoints_.Marks();
  stops |= engine_.Breakpoints.Marks();
  const bool found = history_.RunBack(stops) == RunHistory::SearchResult::Found;
  return Travelled(found ? "Run back: stopped at the breakpoint at " + Hex(ActiveContext->PC.w, 4) + "."
                         : "Run back: no breakpoint on the way; at the start of the history.");
}

ToolOutcome MachineTools::LastWrite(const ToolArguments& args) {
  const uint16_t address = args.Address("address");
  const auto found = history_.LastWrite(address);
  if (!found) {
    frames_ = run_.FramesRun();
    HoldKeys({});
    return Answer("Nothing wrote " + Hex(address, 4) + " within the history (from " +
                  PointText(history_.Oldest().value_or(HistoryPoint{})) + "); the machine is where it was.");
  }
  return Travelled("Last write of " + Hex(address, 4) + ": the next instruction writes it.");
}

ToolOutcome MachineTools::HistoryStatus(const ToolArguments&) {
  json status = {{"at", {{"frame", history_.Current().Frame}, {"instruction", history_.Current().Instruction}}},
                 {"seconds_kept", history_.Length()},
                 {"memory_bytes", history_.MemoryBytes()}};
  if (const auto oldest = history_.Oldest()) {
    const HistoryPoint newest = std::max(history_.Newest(), history_.Current());
    status["oldest"] = {{"frame", oldest->Frame}, {"instruction", oldest->Instruction}};
    status["newest"] = {{"frame", newest.Frame}, {"instruction", newest.Instruction}};
    status["in_the_past"] = history_.Current() < newest;
  }
  return Data(std::move(status));
}

// ---- looking

namespace {

ToolOutcome Picture(const IndexedImage& image, int scale, std::string caption) {
  std::string error;
  const auto png = EncodePngRgb(ToRgb(image, scale), error);
  if (!png) return Failure("cannot make the picture: " + error);
  ToolOutcome outcome;
  outcome.Content.push_back({{"type", "image"}, {"data", Base64(*png)}, {"mimeType", "image/png"}});
  outcome.Content.push_back(TextItem(std::move(caption)));
  return outcome;
}

}  // namespace

ToolOutcome MachineTools::Screenshot(const ToolArguments& args) {
  const int scale = static_cast<int>(args.Integer("scale", 1, 2, 1));
  if (Screen == nullptr) return Failure("screenshot: the machine has no screen");
  const IndexedImage image = CaptureVisibleRegion(*Screen);
  return Picture(image, scale,
                 std::to_string(image.Width * scale) + "x" + std::to_string(image.Height * scale) +
                     " picture of " + gameTitle_ + " after frame " + std::to_string(frames_) + ".");
}

ToolOutcome MachineTools::TileSetImage(const ToolArguments& args) {
  // The banks the sprite viewer and the character viewer show. Drivers name their own sets freely,
  // so each also gets a name common to all drivers: the first character bank is chars, the sprite
  // banks sprites, sprites2 and on.
  int setCount = 0;
  TileSet** sets = nullptr;
  if (run_.Driver().SpriteSetsRoutine) run_.Driver().SpriteSetsRoutine(setCount, sets);
  struct Bank {
    std::string Common, Own;
    const TileSet* Set = nullptr;  // null: the raw chars or sprites
  };
  std::vector<Bank> banks;
  if (CharTiles && CharTileCount > 0) banks.push_back({"chars", "", nullptr});
  if (SpriteTiles && SpriteTileCount > 0) banks.push_back({"sprites", "", nullptr});
  int spriteBanks = SpriteTiles && SpriteTileCount > 0 ? 1 : 0;
  for (int i = 0; i < setCount; ++i) {
    if (!sets[i]) continue;
    const std::string name = UpperAscii(sets[i]->Name);
    std::string common;
    if (name.find("CHAR") != std::string::npos) {
      if (std::none_of(banks.begin(), banks.end(), [](const Bank& b) { return b.Common == "chars"; }))
        common = "chars";
    } else if (name.find("SPRITE") != std::string::npos) {
      common = ++spriteBanks == 1 ? "sprites" : "sprites" + std::to_string(spriteBanks);
    }
    banks.push_back({common, sets[i]->Name, sets[i]});
  }
  std::string list;
  for (const Bank& b : banks)
    list += (list.empty() ? "" : ", ") + (b.Common.empty() ? "\"" + b.Own + "\""
                                          : b.Own.empty()  ? b.Common
                                                           : b.Common + " (\"" + b.Own + "\")");

  if (!args.Has("bank")) return Answer(banks.empty() ? "This driver has no tile banks." : "Banks: " + list);
  const std::string bank = args.Text("bank", 64);
  const int set = static_cast<int>(args.Integer("set", 0, 255, 0));
  const int palette = static_cast<int>(args.Integer("palette", 0, 255, 0));
  const int zoom = static_cast<int>(args.Integer("zoom", 1, 3, 1));
  const auto chosen = std::find_if(banks.begin(), banks.end(), [&](const Bank& b) {
    return (!b.Common.empty() && b.Common == bank) || (!b.Own.empty() && b.Own == bank);
  });
  if (chosen == banks.end())
    throw ToolRefusal("no bank \"" + bank + "\"; banks: " + (list.empty() ? "none" : list));
  if (Screen == nullptr) return Failure("tile_set: the machine has no palette yet");

  IndexedImage image;
  image.Palette = Screen->Palette;
  constexpr int PerRow = 16;
  if (chosen->Set == nullptr) {
    const bool chars = chosen->Common == "chars";
    Tile** tiles = chars ? CharTiles : SpriteTiles;
    const int count = chars ? CharTileCount : SpriteTileCount;
    const int perSet = chars ? 256 : 64;
    const int sets = (count + perSet - 1) / perSet;
    if (set >= sets) throw ToolRefusal("'set' must be below " + std::to_string(sets) + " for " + bank);
    if (palette > 15) throw ToolRefusal("'palette' must be 0-15 for " + bank);
    int w = 0, h = 0;
    for (int i = set * perSet; i < std::min(count, (set + 1) * perSet); ++i)
      if (tiles[i]) {
        w = std::max(w, tiles[i]->Width * zoom);
        h = std::max(h, tiles[i]->Height * zoom);
      }
    const int rows = (perSet + PerRow - 1) / PerRow;
    const CharSetPicture painted =
        PaintCharSet(tiles, count, perSet, set, zoom, palette, 2 + PerRow * (w + 2), 3 + rows * (h + 2));
    image.Width = painted.Width;
    image.Height = painted.Height;
    image.Pixels = painted.Pixels;
  } else {
    const TileSet* tileSet = chosen->Set;
    const int count = std::min<int>(tileSet->Count, static_cast<int>(tileSet->Tiles.size()));
    const int w = tileSet->Width * zoom, h = tileSet->Height * zoom;
    const int rows = std::max(1, (count + PerRow - 1) / PerRow);
    image.Width = 1 + PerRow * (w + 1);
    image.Height = 1 + rows * (h + 1);
    if (image.Width > 4096 || image.Height > 4096)
      return Failure("tile_set: the bank is too large for one picture");
    image.Pixels.assign(static_cast<size_t>(image.Width) * image.Height, 0);
    const int base = tileSet->ColourBase + palette * tileSet->Colours;
    for (int t = 0; t < count; ++t) {
      const Tile* tile = tileSet->Tiles[static_cast<size_t>(t)];
      if (!tile) continue;
      const int x0 = 1 + (t % PerRow) * (w + 1), y0 = 1 + (t / PerRow) * (h + 1);
      for (int y = 0; y < std::min(tile->Height, tileSet->Height); ++y)
        for (int x = 0; x < std::min(tile->Width, tileSet->Width); ++x) {
          const size_t source = static_cast<size_t>(y) * tile->Width + x;
          if (source >= tile->Pixels.size() || tile->Pixels[source] == 0) continue;
          const auto index =
              static_cast<uint8_t>(ColourLookup[(base + tile->Pixels[source]) & (ColourLookupSize - 1)] + 10);
          for (int dy = 0; dy < zoom; ++dy)
            for (int dx = 0; dx < zoom; ++dx)
              image.Pixels[static_cast<size_t>(y0 + y * zoom + dy) * image.Width + x0 + x * zoom + dx] =
                  index;
        }
    }
  }
  return Picture(image, 1,
                 bank + " set " + std::to_string(set) + ", palette " + std::to_string(palette) + ".");
}

std::string Base64(const std::vector<uint8_t>& bytes) {
  static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t v = bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2];
    for (int shift = 18; shift >= 0; shift -= 6) text += Alphabet[(v >> shift) & 63];
  }
  if (i < bytes.size()) {
    const uint32_t v = bytes[i] << 16 | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0);
    text += Alphabet[(v >> 18) & 63];
    text += Alphabet[(v >> 12) & 63];
    text += i + 1 < bytes.size() ? Alphabet[(v >> 6) & 63] : '=';
    text += '=';
  }
  return text;
}

}  // namespace tirvane

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/headless_runner.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iomanip>
#include <memory>
#include <ostream>

#include "machine/description.h"
#include "app/headless_host.h"
#include "app/wav_writer.h"
#include "debugger/debug_engine.h"
#include "drivers/home_computer.h"
#include "run/history.h"
#include "run/run.h"
#include "debugger/disassembler.h"
#include "debugger/registers.h"
#include "text/text.h"
#include "run/machine_state.h"
#include "run/state_file.h"
#include "video/screen.h"

namespace tirvane {

namespace {

constexpr int MaxFrames = 1'000'000'000;

constexpr const char* Usage =
    "usage: tirvane-headless DESCRIPTION.ini [--frames N] [--keys RANGES] [--load FILE[@F]]\n"
    "                        [--save-state FILE[@F]] [--load-state FILE]\n"
    "                        [--save-snapshot FILE[@F]] [--tape-instant on|off]\n"
    "                        [--png OUT.png] [--scale 1|2] [--stats] [--disasm] [--framecycles HEX]\n"
    "                        [--timing exact|tables]\n"
    "                        [--break ADDR|LABEL] [--watch ADDR[-ADDR]:r|w|rw] [--symbols FILE]\n"
    "                        [--trace FILE [--trace-from FRAME]] [--dump-memory FILE[@ADDR-ADDR]]\n"
    "                        [--registers] [--wav OUT.wav] [--type TEXT [--type-after F]]\n"
    "                        [--steps N] [--step-back N] [--rewind F] [--state-hash] [--history SECONDS]\n"
    "  --frames N      run N whole frames (default 1)\n"
    "  --keys RANGES   keys held during frame ranges, e.g. \"1-30:Left+Ctrl,40-40:3\"\n"
    "  --load FILE[@F] hand FILE to the driver's loader before frame 1, or after frame F\n"
    "  --save-state FILE[@F]  save the machine's state after frame F (default: the last)\n"
    "  --load-state FILE      restore a saved state before frame 1\n"
    "  --save-snapshot FILE[@F]  SPECTRUM: write .sna, .z80 or .szx after frame F (default: the last)\n"
    "  --tape-instant on|off  SPECTRUM: tapes loaded at once through the ROM (on), or played\n"
    "  --png OUT.png   the visible picture after the last frame\n"
    "  --scale 1|2     picture size\n"
    "  --stats         print frames/s, emulated MHz and the state hash\n"
    "  --disasm        after the frames, print the listing of the ROM area, one instruction a line\n"
    "  --framecycles HEX  T-states per frame in place of the description's (3E8 to C3500)\n"
    "  --timing exact|tables  real T-state counts, or the fixed tables, in place of the description's\n"
    "  --break ADDR    stop when the instruction at ADDR (hexadecimal or a label) is next; repeatable\n"
    "  --watch RANGE:ACCESS  stop when the program reads (r), writes (w) or either (rw) memory there\n"
    "  --symbols FILE  labels from a pasmo, z80asm or sdcc symbol file (default: NAME.sym beside NAME.ini)\n"
    "  --trace FILE    write every instruction run, with the registers after it, from frame FRAME on\n"
    "  --dump-memory FILE[@ADDR-ADDR]  after the run, the memory image (or part of it) as raw bytes;\n"
    "                        @P:ADDR-ADDR reads RAM page P instead (a 128K's 7:C000-DAFF is its second screen)\n"
    "  --registers     after the run, print the registers on one line\n"
    "  --type TEXT     type TEXT into the machine key by key (\\n is Return), each key as soon as the\n"
    "                  machine has taken the one before, from when it is ready for a line (or after\n"
    "                  frame F of --type-after); characters the machine cannot type are skipped\n"
    "  --wav OUT.wav   the sound of all frames, 48 kHz 16-bit mono\n"
    "  With --break or --watch the exit status is 0 when one stopped the run, 3 when the frames ran\n"
    "  out first; a line says which.\n"
    "  After the frames, in the order given:\n"
    "  --steps N       N single instructions forward\n"
    "  --step-back N   N instructions back through the run's history\n"
    "  --rewind F      F frames back through the run's history\n"
    "  --state-hash    print a hash of the whole machine state\n"
    "  --history S     seconds of history kept (10-600, default 60)\n";

// "\n" is a newline and "\\" a backslash, so one shell argument can carry several lines.
std::string Unescaped(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\'))
      out += text[++i] == 'n' ? '\n' : '\\';
    else
      out += text[i];
  }
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// A whole decimal number in [low, high], nothing else.
std::optional<int> ParseNumber(std::string_view text, int low, int high) {
  text = Trim(text);
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
    return std::nullopt;
  return value;
}

// Message boxes carry a carriage return between the phrase and the name; a terminal would
// overwrite the phrase with it.
std::string ForTerminal(std::string text) {
  for (char& c : text)
    if (c == '\r') c = '\n';
  return text;
}

bool ReadableFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::fclose(file);
  return true;
}

}  // namespace

std::optional<std::vector<KeyRange>> ParseKeyRanges(std::string_view text, std::string& error) {
  std::vector<KeyRange> ranges;
  while (!Trim(text).empty()) {
    const size_t comma = text.find(',');
    const std::string_view item = Trim(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);

    const size_t colon = item.find(':');
    if (colon == std::string_view::npos) {
      error = "key range without ':' in \"" + std::string(item) + "\"";
      return std::nullopt;
    }
    const std::string_view frames = item.substr(0, colon);
    const size_t dash = frames.find('-');
    KeyRange range;
    const auto first = ParseNumber(frames.substr(0, dash), 1, MaxFrames);
    const auto last =
        dash == std::string_view::npos ? first : ParseNumber(frames.substr(dash + 1), 1, MaxFrames);
    if (!first || !last || *last < *first) {
      error = "bad frame range \"" + std::string(frames) + "\"";
      return std::nullopt;
    }
    range.First = *first;
    range.Last = *last;

    std::string_view keys = item.substr(colon + 1);
    while (true) {
      const size_t plus = keys.find('+');
      const std::string name(Trim(keys.substr(0, plus)));
      const auto key = VirtualKeyFromName(name);
      if (!key) {
        error = "unknown key \"" + name + "\"";
        return std::nullopt;
      }
      range.Keys.push_back(*key);
      if (plus == std::string_view::npos) break;
      keys = keys.substr(plus + 1);
    }
    ranges.push_back(std::move(range));
  }
  return ranges;
}

std::optional<HeadlessOptions> ParseHeadlessArguments(std::span<const std::string> args, std::string& error) {
  HeadlessOptions options;
  bool haveDescription = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool takesValue = arg == "--frames" || arg == "--keys" || arg == "--load" || arg == "--png" ||
                            arg == "--scale" || arg == "--break" || arg == "--watch" || arg == "--symbols" ||
                            arg == "--trace" || arg == "--trace-from" || arg == "--dump-memory" ||
                            arg == "--save-state" || arg == "--load-state" || arg == "--framecycles" || arg == "--timing" ||
                            arg == "--type" || arg == "--type-after" || arg == "--wav" || arg == "--steps" ||
                            arg == "--step-back" || arg == "--rewind" || arg == "--history" ||
                            arg == "--tape-instant" || arg == "--save-snapshot";
    if (takesValue && i + 1 >= args.size()) {
      error = arg + " needs a value";
      return std::nullopt;
    }
    if (arg == "--frames") {
      const auto frames = ParseNumber(args[++i], 1, MaxFrames);
      if (!frames) {
        error = "--frames needs a whole number of at least 1, not \"" + args[i] + "\"";
        return std::nullopt;
      }
      options.Frames = *frames;
    } else if (arg == "--keys") {
      auto ranges = ParseKeyRanges(args[++i], error);
      if (!ranges) {
        error = "--keys: " + error;
        return std::nullopt;
      }
      options.Keys.insert(options.Keys.end(), ranges->begin(), ranges->end());
    } else if (arg == "--load") {
      std::string file = args[++i];
      // "@F" is a frame only when F is a number, so file names with '@' still load before frame 1.
      const size_t at = file.rfind('@');
      if (at != std::string::npos) {
        if (const auto frame = ParseNumber(std::string_view(file).substr(at + 1), 0, MaxFrames)) {
          options.LoadAfterFrame = *frame;
          file.resize(at);
        }
      }
      if (file.empty()) {
        error = "--load needs a file name";
        return std::nullopt;
      }
      options.LoadFile = file;
    } else if (arg == "--save-state") {
      std::string file = args[++i];
      const size_t at = file.rfind('@');
      if (at != std::string::npos) {
        if (const auto frame = ParseNumber(std::string_view(file).substr(at + 1), 1, MaxFrames)) {
          options.SaveStateAfterFrame = *frame;
          file.resize(at);
        }
      }
      options.SaveState = file;
    } else if (arg == "--save-snapshot") {
      std::string file = args[++i];
      const size_t at = file.rfind('@');
      if (at != std::string::npos) {
        if (const auto frame = ParseNumber(std::string_view(file).substr(at + 1), 1, MaxFrames)) {
          options.SaveSnapshotAfterFrame = *frame;
          file.resize(at);
        }
      }
      options.SaveSnapshot = file;
    } else if (arg == "--tape-instant") {
      if (args[i + 1] != "on" && args[i + 1] != "off") {
        error = "--tape-instant is on or off, not \"" + args[i + 1] + "\"";
        return std::nullopt;
      }
      options.TapeInstant = args[++i] == "on";
    } else if (arg == "--load-state") {
      options.LoadState = args[++i];
    } else if (arg == "--png") {
      options.PngPath = args[++i];
    } else if (arg == "--scale") {
      const auto scale = ParseNumber(args[++i], 1, 2);
      if (!scale) {
        error = "--scale is 1 or 2, not \"" + args[i] + "\"";
        return std::nullopt;
      }
      options.Scale = *scale;
    } else if (arg == "--framecycles") {
      options.FrameLength = static_cast<uint32_t>(ParseHex(args[++i]));
      if (options.FrameLength < MinFrameLength || options.FrameLength > MaxFrameLength) {
        error = "--framecycles is hexadecimal from 3E8 to C3500, not \"" + args[i] + "\"";
        return std::nullopt;
      }
    } else if (arg == "--steps" || arg == "--step-back" || arg == "--rewind") {
      const auto count = ParseNumber(args[++i], 0, MaxFrames);
      if (!count) {
        error = arg + " needs a whole number, not \"" + args[i] + "\"";
        return std::nullopt;
      }
      const auto kind = arg == "--steps"       ? TimeTravelAction::Steps
                        : arg == "--step-back" ? TimeTravelAction::StepBack
                                               : TimeTravelAction::Rewind;
      options.Actions.push_back({kind, static_cast<uint64_t>(*count)});
    } else if (arg == "--state-hash") {
      options.Actions.push_back({TimeTravelAction::StateHash, 0});
    } else if (arg == "--history") {
      const auto seconds = ParseNumber(args[++i], 10, 600);
      if (!seconds) {
        error = "--history takes seconds from 10 to 600, not \"" + args[i] + "\"";
        return std::nullopt;
      }
      options.HistorySeconds = *seconds;
    } else if (arg == "--timing") {
      const std::string timing = args[++i];
      if (timing != "exact" && timing != "tables") {
        error = "--timing is exact or tables, not \"" + timing + "\"";
        return std::nullopt;
      }
      options.ExactTiming = timing == "exact";
    } else if (arg == "--type") {
      options.TypeText = Unescaped(args[++i]);
    } else if (arg == "--type-after") {
      const auto frame = ParseNumber(args[++i], 0, MaxFrames);
      if (!frame) {
        error = "--type-after needs a frame number, not \"" + args[i] + "\"";
        return std::nullopt;
      }
      options.TypeAfterFrame = *frame;
    } else if (arg == "--wav") {
      options.WavPath = args[++i];
    } else if (arg == "--stats") {
      options.Stats = true;
    } else if (arg == "--disasm") {
      options.Disasm = true;
    } else if (arg == "--break") {
      options.Breaks.push_back(args[++i]);
    } else if (arg == "--watch") {
      const std::string& watch = args[++i];
      const size_t colon = watch.rfind(':');
      const std::string access = colon == std::string::npos ? "" : watch.substr(colon + 1);
      if (colon == 0 || (access != "r" && access != "w" && access != "rw")) {
        error = "--watch needs ADDR[-ADDR]:r|w|rw, not \"" + watch + "\"";
        return std::nullopt;
      }
      options.Watches.push_back(watch);
    } else if (arg == "--symbols") {
      options.SymbolsPath = args[++i];
    } else if (arg == "--trace") {
      options.TracePath = args[++i];
    } else if (arg == "--trace-from") {
      const auto frame = ParseNumber(args[++i], 1, MaxFrames);
      if (!frame) {
        error = "--trace-from needs a frame number of at least 1, not \"" + args[i] + "\"";
        return std::nullopt;
      }
      options.TraceFrom = *frame;
    } else if (arg == "--dump-memory") {
      std::string file = args[++i];
      const size_t at = file.rfind('@');
      if (at != std::string::npos) {
        options.DumpRange = file.substr(at + 1);
        file.resize(at);
      }
      if (file.empty()) {
        error = "--dump-memory needs a file name";
        return std::nullopt;
      }
      options.DumpPath = file;
    } else if (arg == "--registers") {
      options.Registers = true;
    } else if (arg.starts_with("-") && arg.size() > 1) {
      error = "unknown option " + arg;
      return std::nullopt;
    } else if (!haveDescription) {
      options.Description = arg;
      haveDescription = true;
    } else {
      error = "more than one description file: " + arg;
      return std::nullopt;
    }
  }
  if (!haveDescription) {
    error = "no description file given";
    return std::nullopt;
  }
  if (options.TraceFrom != 1 && options.TracePath.empty()) {
    error = "--trace-from needs --trace";
    return std::nullopt;
  }
  if (options.SaveState && options.SaveStateAfterFrame > options.Frames) {
    error = "--save-state after frame " + std::to_string(options.SaveStateAfterFrame) + " but only " +
            std::to_string(options.Frames) + " frames run";
    return std::nullopt;
  }
  if (options.SaveSnapshot && options.SaveSnapshotAfterFrame > options.Frames) {
    error = "--save-snapshot after frame " + std::to_string(options.SaveSnapshotAfterFrame) + " but only " +
            std::to_string(options.Frames) + " frames run";
    return std::nullopt;
  }
  if (options.TypeAfterFrame > options.Frames) {
    error = "--type-after frame " + std::to_string(options.TypeAfterFrame) + " but only " +
            std::to_string(options.Frames) + " frames run";
    return std::nullopt;
  }
  if (options.LoadFile && options.LoadAfterFrame > options.Frames) {
    error = "--load after frame " + std::to_string(options.LoadAfterFrame) + " but only " +
            std::to_string(options.Frames) + " frames run";
    return std::nullopt;
  }
  return options;
}

void ApplyKeys(const std::vector<KeyRange>& ranges, int frame) {
  KeyState.fill(0);
  for (const KeyRange& range : ranges)
    if (frame >= range.First && frame <= range.Last)
      for (VirtualKey key : range.Keys) KeyState[static_cast<int>(key)] = 1;
}

namespace {

std::string RegistersText(const Z80Context& z) {
  std::string line;
  for (const NamedPair& pair : NamedPairs(z)) line += std::string(pair.Name) + "=" + FormatHex(pair.Value, 4) + " ";
  char rest[80];
  std::snprintf(rest, sizeof rest, "I=%02X R=%02X IFF1=%d IFF2=%d IM=%d HALT=%d", z.I, z.R, z.IFF1 != 0,
                z.IFF2 != 0, InterruptModeNumber(z), z.Halted != 0);
  return line + rest;
}

std::string PlaceText(uint16_t address, const SymbolTable& symbols) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04Xh", address);
  const std::string* name = symbols.NameAt(address);
  return name ? std::string(hex) + " (" + *name + ")" : std::string(hex);
}

// The debugger's options applied to the engine; false with error set for a bad file, address or range.
bool PrepareDebugger(const HeadlessOptions& options, DebugEngine& engine, HeadlessResult& result,
                     std::string& error) {
  const bool named = !options.SymbolsPath.empty();
  const std::string symbolsPath = named ? options.SymbolsPath : SymbolFileBeside(options.Description);
  if (!symbolsPath.empty()) {
    const SymbolLoadResult loaded = LoadSymbolFile(symbolsPath, engine.Symbols);
    if (!loaded.Ok && named) {
      error = "--symbols: " + loaded.Message;
      return false;
    }
    if (!loaded.Ok || loaded.Skipped > 0) result.SymbolsNote = symbolsPath + ": " + loaded.Message;
  }
  for (const std::string& where : options.Breaks) {
    ConditionError bad;
    if (!engine.Breakpoints.Add(where, "", 1, &engine.Symbols, bad)) {
      error = "--break: " + bad.Message;
      return false;
    }
  }
  for (const std::string& watch : options.Watches) {
    const size_t colon = watch.rfind(':');
    const auto range = ParseAddressRange(watch.substr(0, colon), &engine.Symbols);
    if (!range) {
      error = "--watch: \"" + watch.substr(0, colon) + "\" is not an address or a range of addresses";
      return false;
    }
    const std::string access = watch.substr(colon + 1);
    Watchpoint w;
    w.First = range->first;
    w.Last = range->second;
    w.Access = access == "r" ? WatchRead : access == "w" ? WatchWrite : WatchReadWrite;
    engine.Watchpoints.Add(w);
  }
  return true;
}

void RunTimeTravelActions(EmulationRun& run, RunHistory* history, const std::vector<TimeTravelAction>& actions,
                          std::vector<std::string>& lines) {
  for (const TimeTravelAction& action : actions) {
    if (!run.Running()) return;
    switch (action.What) {
      case TimeTravelAction::Steps:
        for (uint64_t i = 0; i < action.Count && run.Running(); ++i) {
          if (history) history->BeforeExecute();
          run.ExecuteStep();
        }
        break;
      case TimeTravelAction::StepBack:
        for (uint64_t i = 0; i < action.Count; ++i) {
          if (!history->StepBack()) {
            lines.push_back("step back: start of the history after " + std::to_string(i) + " of " +
                            std::to_string(action.Count));
            break;
          }
        }
        break;
      case TimeTravelAction::Rewind:
        if (action.Count > 0 && !history->RewindFrames(action.Count)) lines.push_back("rewind: start of the history");
        break;
      case TimeTravelAction::StateHash: {
        char text[32];
        std::snprintf(text, sizeof text, "state hash: %016llx",
                      static_cast<unsigned long long>(MachineStateHash(run)));
        lines.emplace_back(text);
        break;
      }
    }
  }
}

}  // namespace

HeadlessResult RunHeadlessJob(const HeadlessOptions& options) {
  HeadlessResult result;
  HeadlessHost host(FolderOf(options.Description));
  ScopedHost scope(host);
  ResetRunControls();

  EmulationRun run;
  // The history costs a little on every frame: it is kept only when an action goes back.
  std::unique_ptr<RunHistory> history;
  const bool goesBack = std::any_of(options.Actions.begin(), options.Actions.end(), [](const TimeTravelAction& a) {
    return a.What == TimeTravelAction::StepBack || a.What == TimeTravelAction::Rewind;
  });
  if (goesBack) {
    history = std::make_unique<RunHistory>(run);
    history->SetLength(options.HistorySeconds);
    run.History = history.get();
  }
  const StartResult start = run.Start(options.Description);
  if (!start.Ok) {
    result.Error = start.Message;
    result.Messages = host.Messages;
    return result;
  }
  if (!start.Notice.empty()) host.Messages.push_back(start.Notice);

  if (options.FrameLength != 0) ActiveContext->FrameLength = options.FrameLength;
  if (options.ExactTiming) ActiveContext->ExactTiming = *options.ExactTiming ? 1 : 0;
  if (!options.WavPath.empty())
    run.SoundOut = [&result](std::span<const int16_t> samples, bool) {
      result.Sound.insert(result.Sound.end(), samples.begin(), samples.end());
    };
  DebugEngine engine(run);
  std::pair<uint16_t, uint16_t> dumpRange{0x0000, 0xFFFF};
  std::ofstream trace;
  std::string error;
  bool ready = PrepareDebugger(options, engine, result, error);
  // "5:C000-FFFF": the range as it reads with RAM page 5 in, whatever is paged in now.
  std::optional<unsigned> dumpPage;
  if (ready && !options.DumpRange.empty()) {
    const auto range = ParsePagedRange(options.DumpRange, &engine.Symbols);
    uint8_t probe;
    if (!range) {
      error = "--dump-memory: \"" + options.DumpRange + "\" is not a range of addresses";
      ready = false;
    } else if (range->Page && (!run.Row()->ReadPaged || !run.Row()->ReadPaged(*range->Page, 0, probe))) {
      error = "--dump-memory: the machine has no memory page " + std::to_string(*range->Page);
      ready = false;
    } else {
      dumpRange = {range->First, range->Last};
      if (range->Page) dumpPage = *range->Page;
    }
  }
  if (ready && !options.TracePath.empty()) {
    trace.open(options.TracePath, std::ios::binary | std::ios::trunc);
    if (!trace) error = "cannot write the trace to " + options.TracePath;
    ready = trace.is_open();
  }
  const std::function<void(const TraceEntry&)> writeTrace = [&](const TraceEntry& entry) { trace << FormatTraceLine(entry, &engine.Symbols) << '\n'; };

  bool loadFailed = false;
  const auto load = [&] {
    // A refusal is reported like the message box the desktop program shows for it.
    const LoadResult loaded = run.LoadFile(*options.LoadFile);
    if (!loaded.Ok) host.Messages.push_back(loaded.Message);
  };

  const int saveAfter = options.SaveStateAfterFrame > 0 ? options.SaveStateAfterFrame : options.Frames;
  const auto saveState = [&] {
    const StateFileCheck saved = SaveStateFile(run, *options.SaveState);
    if (!saved.Ok) {
      result.Error = saved.Message;
      loadFailed = true;
    }
  };
  const int snapshotAfter = options.SaveSnapshotAfterFrame > 0 ? options.SaveSnapshotAfterFrame : options.Frames;
  const auto saveSnapshot = [&] {
    const std::string why = run.Row() && run.Row()->SaveSnapshot
                                ? run.Row()->SaveSnapshot(*options.SaveSnapshot)
                                : "the " + UpperAscii(Game.Driver) + " driver saves no snapshots";
    if (!why.empty()) {
      result.Error = "--save-snapshot: " + why;
      loadFailed = true;
    }
  };
  if (options.TapeInstant) SpectrumTape.Instant = *options.TapeInstant;
  if (options.LoadState) {
    const StateFileCheck loaded = LoadStateFile(run, *options.LoadState);
    if (!loaded.Ok) {
      result.Error = loaded.Message;
      loadFailed = true;
    }
  }

  if (!ready) {
    result.Error = error;
  } else if (options.LoadFile && !run.LoadsFiles()) {
    result.Error = "the " + UpperAscii(Game.Driver) + " driver has no loader for --load";
  } else if (!loadFailed) {
    const bool typing = !options.TypeText.empty();
    // A frame of --type-after is the user's word that the machine is ready by then.
    const TypingPace pace{.WaitUntilReady = options.TypeAfterFrame == 0};
    const auto type = [&] { result.TypingMessage = run.TypeText(options.TypeText, pace); };
    if (options.LoadFile && options.LoadAfterFrame == 0) load();
    if (typing && options.TypeAfterFrame == 0) type();
    const auto began = std::chrono::steady_clock::now();
    int frame = 1;
    for (; frame <= options.Frames && run.Running() && !loadFailed; ++frame) {
      ApplyKeys(options.Keys, frame);
      if (trace.is_open()) engine.TraceSink = frame >= options.TraceFrom ? writeTrace : std::function<void(const TraceEntry&)>();
      run.RunPass();
      // Headless passes are whole frames unless something stopped the run inside one.
      if (engine.LastStop() || DebugState == DebugStateKind::Paused) break;
      if (typing && result.TypedByFrame == 0 && frame > options.TypeAfterFrame && !run.Typing() &&
          run.TypingStopMessage().empty())
        result.TypedByFrame = frame;
      if (options.LoadFile && options.LoadAfterFrame == frame) load();
      if (options.SaveState && saveAfter == frame) saveState();
      if (options.SaveSnapshot && snapshotAfter == frame) saveSnapshot();
      if (typing && options.TypeAfterFrame == frame) type();
    }
    result.TypingReadyWait = run.Typer().ReadyWaitFrames();
    const std::string typingEnd = run.Typing() ? "The frames ran out before --type had typed all of its text."
                                               : run.TypingStopMessage();
    if (!typingEnd.empty()) result.TypingMessage += (result.TypingMessage.empty() ? "" : "\n") + typingEnd;
    result.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (!loadFailed) RunTimeTravelActions(run, history.get(), options.Actions, result.ActionLines);
    result.Frames = run.FramesRun();
    result.Cycles = run.CyclesRun();
    MachineState state;
    CaptureMachineState(run, state);
    result.StateHash = state.Hash();
    if (Screen) result.Picture = CaptureVisibleRegion(*Screen);
    const Z80Context& z = *ActiveContext;
    // The same sweep the disassembler window makes, of the machine as the frames left it.
    if (options.Disasm && z.MemoryImage != nullptr) result.Listing = DisassembleRomArea(z.MemoryImage, z.RomLimit);
    if (!options.Breaks.empty() || !options.Watches.empty()) {
      if (const auto& stop = engine.LastStop()) {
        result.Stopped = true;
        result.StopLine = stop->Message + " Stopped in frame " + std::to_string(frame) + " at " +
                          PlaceText(z.PC.w, engine.Symbols) + ".";
      } else {
        result.StopLine = "No breakpoint or watchpoint hit in " + std::to_string(result.Frames) + " frames; PC " +
                          PlaceText(z.PC.w, engine.Symbols) + ".";
      }
    }
    if (options.Registers) {
      result.RegistersLine = RegistersText(z);
      const std::string board = run.Row()->BoardLine ? run.Row()->BoardLine() : std::string();
      if (!board.empty()) result.RegistersLine += " " + board;
    }
    if (!options.DumpPath.empty() && z.MemoryImage != nullptr) {
      if (dumpPage) {
        for (uint32_t a = dumpRange.first; a <= dumpRange.second; ++a)
          run.Row()->ReadPaged(*dumpPage, static_cast<uint16_t>(a), result.Dump.emplace_back());
      } else {
        result.Dump.assign(z.MemoryImage + dumpRange.first, z.MemoryImage + dumpRange.second + 1);
      }
    }
    trace.flush();
    if (trace.is_open() && !trace) {
      result.Error = "writing the trace to " + options.TracePath + " failed";
      loadFailed = true;
    }
    result.Ok = !loadFailed;
  }

  run.Stop();
  run.RunLoop();  // no pass: only the driver's StopRoutine
  KeyState.fill(0);
  result.Messages = host.Messages;
  return result;
}

int RunHeadless(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
  for (const std::string& arg : args)
    if (arg == "--help" || arg == "-h") {
      out << Usage;
      return 0;
    }
  std::string error;
  const auto options = ParseHeadlessArguments(args, error);
  if (!options) {
    err << "tirvane-headless: " << error << "\n" << Usage;
    return 2;
  }
  if (options->LoadFile && !ReadableFile(*options->LoadFile)) {
    err << "tirvane-headless: cannot open " << *options->LoadFile << "\n";
    return 1;
  }

  const HeadlessResult result = RunHeadlessJob(*options);
  for (const std::string& message : result.Messages) err << ForTerminal(message) << "\n";
  if (!result.Ok) {
    err << ForTerminal(result.Error) << "\n";
    return 1;
  }

  if (!result.SymbolsNote.empty()) err << result.SymbolsNote << "\n";
  if (!result.TypingMessage.empty()) err << result.TypingMessage << "\n";
  for (const std::string& line : result.Listing) out << line << "\n";
  if (!result.StopLine.empty()) out << result.StopLine << "\n";
  if (!result.RegistersLine.empty()) out << result.RegistersLine << "\n";
  for (const std::string& line : result.ActionLines) out << line << "\n";
  int status = result.Messages.empty() ? 0 : 1;
  if (!options->DumpPath.empty()) {
    std::ofstream dump(options->DumpPath, std::ios::binary | std::ios::trunc);
    dump.write(reinterpret_cast<const char*>(result.Dump.data()), static_cast<std::streamsize>(result.Dump.size()));
    if (!dump.flush()) {
      err << "tirvane-headless: cannot write " << options->DumpPath << "\n";
      status = 1;
    }
  }
  if (!options->PngPath.empty() &&
      !WritePngRgb(options->PngPath, ToRgb(result.Picture, options->Scale), error)) {
    err << "tirvane-headless: " << error << "\n";
    status = 1;
  }
  if (!options->WavPath.empty()) {
    WavWriter wav;
    if (!wav.Open(options->WavPath, error) || (wav.Append(result.Sound), !wav.Close(error))) {
      err << "tirvane-headless: " << error << "\n";
      status = 1;
    }
  }
  if (options->Stats) {
    const double seconds = result.Seconds > 0 ? result.Seconds : 1e-9;
    out << std::fixed << std::setprecision(1) << "frames/s: " << static_cast<double>(result.Frames) / seconds
        << "\n"
        << std::setprecision(2) << "emulated MHz: " << static_cast<double>(result.Cycles) / seconds / 1e6
        << "\n";
    out << "state hash: " << std::hex << std::setw(16) << std::setfill('0') << result.StateHash << std::dec
        << "\n";
  }
  if (status == 0 && !result.StopLine.empty() && !result.Stopped) status = 3;
  return status;
}

}  // namespace tirvane

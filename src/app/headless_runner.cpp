// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/headless_runner.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <iomanip>
#include <memory>
#include <ostream>

#include "machine/description.h"
#include "app/headless_host.h"
#include "run/history.h"
#include "run/run.h"
#include "debugger/disassembler.h"
#include "video/screen.h"

namespace tirvane {

namespace {

constexpr int MaxFrames = 1'000'000'000;

constexpr const char* Usage =
    "usage: tirvane-headless DESCRIPTION.ini [--frames N] [--keys RANGES] [--load FILE[@F]]\n"
    "                        [--png OUT.png] [--scale 1|2] [--stats] [--disasm]\n"
    "  --frames N      run N whole frames (default 1)\n"
    "  --keys RANGES   keys held during frame ranges, e.g. \"1-30:Left+Ctrl,40-40:3\"\n"
    "  --load FILE[@F] hand FILE to the driver's loader before frame 1, or after frame F\n"
    "  --png OUT.png   the visible picture after the last frame\n"
    "  --scale 1|2     picture size\n"
    "  --stats         print frames/s and emulated MHz\n"
    "  --disasm        after the frames, print the listing of the ROM area, one instruction a line\n"
    "  after the frames, in the order given:\n"
    "  --steps N       N single instructions forward\n"
    "  --step-back N   N instructions back through the run's history\n"
    "  --rewind F      F frames back through the run's history\n"
    "  --state-hash    print a hash of the whole machine state\n"
    "  --history S     seconds of history kept (10-600, default 60)\n";

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
    const bool takesValue =
        arg == "--frames" || arg == "--keys" || arg == "--load" || arg == "--png" || arg == "--scale" ||
        arg == "--steps" || arg == "--step-back" || arg == "--rewind" || arg == "--history";
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
    } else if (arg == "--png") {
      options.PngPath = args[++i];
    } else if (arg == "--scale") {
      const auto scale = ParseNumber(args[++i], 1, 2);
      if (!scale) {
        error = "--scale is 1 or 2, not \"" + args[i] + "\"";
        return std::nullopt;
      }
      options.Scale = *scale;
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
    } else if (arg == "--stats") {
      options.Stats = true;
    } else if (arg == "--disasm") {
      options.Disasm = true;
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
    history = std::make_unique<RunHistory>(run, MachineStateCodec(run));
    history->SetLength(options.HistorySeconds);
    run.History = history.get();
  }
  const StartResult start = run.Start(options.Description);
  if (!start.Ok) {
    result.Error = start.Message;
    result.Messages = host.Messages;
    return result;
  }

  bool loadFailed = false;
  const auto load = [&] {
    host.DialogAnswers.assign(1, *options.LoadFile);
    run.Cartridge();
    // A loader that did not ask for a file has loaded nothing.
    if (!host.DialogAnswers.empty()) {
      host.DialogAnswers.clear();
      result.Error = "the driver's loader did not take " + *options.LoadFile;
      loadFailed = true;
    }
  };

  if (options.LoadFile && !run.Driver().LoaderRoutine) {
    result.Error = "the " + UpperAscii(Game.Driver) + " driver has no loader for --load";
  } else {
    if (options.LoadFile && options.LoadAfterFrame == 0) load();
    const auto began = std::chrono::steady_clock::now();
    for (int frame = 1; frame <= options.Frames && run.Running() && !loadFailed; ++frame) {
      ApplyKeys(options.Keys, frame);
      run.RunPass();
      if (options.LoadFile && options.LoadAfterFrame == frame) load();
    }
    result.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    if (!loadFailed) RunTimeTravelActions(run, history.get(), options.Actions, result.ActionLines);
    result.Frames = run.FramesRun();
    result.Cycles = run.CyclesRun();
    if (Screen) result.Picture = CaptureVisibleRegion(*Screen);
    // The same sweep the disassembler window makes, of the machine as the frames left it.
    if (options.Disasm && ActiveContext != nullptr && ActiveContext->MemoryImage != nullptr)
      result.Listing = DisassembleRomArea(ActiveContext->MemoryImage, ActiveContext->RomLimit);
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

  for (const std::string& line : result.Listing) out << line << "\n";
  for (const std::string& line : result.ActionLines) out << line << "\n";
  int status = result.Messages.empty() ? 0 : 1;
  if (!options->PngPath.empty() &&
      !WritePngRgb(options->PngPath, ToRgb(result.Picture, options->Scale), error)) {
    err << "tirvane-headless: " << error << "\n";
    status = 1;
  }
  if (options->Stats) {
    const double seconds = result.Seconds > 0 ? result.Seconds : 1e-9;
    out << std::fixed << std::setprecision(1) << "frames/s: " << static_cast<double>(result.Frames) / seconds
        << "\n"
        << std::setprecision(2) << "emulated MHz: " << static_cast<double>(result.Cycles) / seconds / 1e6
        << "\n";
  }
  return status;
}

}  // namespace tirvane

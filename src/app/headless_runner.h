// SPDX-License-Identifier: GPL-3.0-or-later
// The headless runner: a game started exactly as the window starts it, run for a number of frames
// in free run with scripted keys and an optional file for the driver's loader, then its picture and
// its speed. The program tirvane-headless is RunHeadless; tests and the golden pictures call the
// same functions in-process.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "video/host.h"
#include "video/png_image.h"

namespace tirvane {

// Keys held during the frames First to Last, both included; frames count from 1.
struct KeyRange {
  int First = 1;
  int Last = 1;
  std::vector<VirtualKey> Keys;
};

// After the frames, in the order given: instructions forward, instructions or frames back through
// the run's history, and the hash of the whole machine state.
struct TimeTravelAction {
  enum Kind { Steps, StepBack, Rewind, StateHash } What = Steps;
  uint64_t Count = 0;
};

struct HeadlessOptions {
  std::string Description;
  int Frames = 1;
  std::vector<KeyRange> Keys;
  std::optional<std::string> LoadFile;
  int LoadAfterFrame = 0;  // 0: before frame 1
  std::string PngPath;     // empty: no picture
  int Scale = 1;
  bool Stats = false;
  bool Disasm = false;  // after the frames, the listing of the ROM area
  // The debugger's options. Addresses stay text until the symbols are loaded.
  std::vector<std::string> Breaks;   // ADDR|LABEL
  std::vector<std::string> Watches;  // ADDR[-ADDR]:r|w|rw
  std::string SymbolsPath;           // empty: NAME.sym beside the description, when there is one
  std::string TracePath;
  int TraceFrom = 1;
  std::string DumpPath;
  std::string DumpRange;  // empty: all 64 KB
  bool Registers = false;
  std::optional<std::string> SaveState;  // written after frame SaveStateAfterFrame
  int SaveStateAfterFrame = 0;           // 0: after the last frame
  std::optional<std::string> LoadState;  // restored before frame 1
  uint32_t FrameLength = 0;  // T-states per frame in place of the description's; 0: the description's
  std::vector<TimeTravelAction> Actions;
  int HistorySeconds = 60;
  std::optional<bool> ExactTiming;  // in place of the description's "#timing="; empty: the description's
  std::string TypeText;    // typed key by key from the frame after TypeAfterFrame (0: once the machine is ready)
  int TypeAfterFrame = 0;
  std::string WavPath;  // empty: the sound is not kept
  std::optional<bool> TapeInstant;          // SPECTRUM: tapes loaded at once (the default) or played
  std::optional<std::string> SaveSnapshot;  // .sna, .z80 or .szx, written after SaveSnapshotAfterFrame
  int SaveSnapshotAfterFrame = 0;           // 0: after the last frame
};

// "1-30:Left+Ctrl,40-40:3"; a single frame may also be written "40:3".
std::optional<std::vector<KeyRange>> ParseKeyRanges(std::string_view text, std::string& error);
// The arguments after the program name.
std::optional<HeadlessOptions> ParseHeadlessArguments(std::span<const std::string> args, std::string& error);
// Sets KeyState to the keys the ranges hold during one frame.
void ApplyKeys(const std::vector<KeyRange>& ranges, int frame);

struct HeadlessResult {
  bool Ok = false;
  std::string Error;                  // the start's message, or what else went wrong
  std::vector<std::string> Messages;  // message boxes the machine showed while it ran
  IndexedImage Picture;               // the visible region after the last frame
  uint64_t Frames = 0;
  uint64_t Cycles = 0;
  uint64_t StateHash = 0;  // of the whole machine state after the last frame
  double Seconds = 0;  // the frames alone, start and stop excluded
  // With Disasm: the disassembler window's sweep of 0 to RomLimit after the frames, line by line.
  std::vector<std::string> Listing;
  std::string SymbolsNote;       // what loading the symbols said, when it skipped lines
  bool Stopped = false;          // a --break or --watch stopped the run before the frames ran out
  std::string StopLine;          // with Breaks or Watches: what stopped the run, or that nothing did
  std::string RegistersLine;     // with Registers
  std::vector<uint8_t> Dump;     // with DumpPath: the bytes to write
  // One line for each --state-hash, and what a step back or rewind could not do.
  std::vector<std::string> ActionLines;
  std::string TypingMessage;     // characters --type skipped, text left when the frames ran out, or the key typing stopped at
  int TypedByFrame = 0;          // the frame by whose end --type had typed all of its text (0: it had not)
  uint64_t TypingReadyWait = 0;  // frames of those the machine took to be ready for a line
  // With WavPath: every sample the frames made, 48 kHz 16-bit mono.
  std::vector<int16_t> Sound;
};

// Runs one job on a HeadlessHost whose program folder is the description's folder; the run is
// stopped again (the driver's StopRoutine included) before it returns. Options beyond the run
// itself, its listing and its sound (PngPath, Scale, Stats; WavPath only says to keep the sound)
// are not looked at.
HeadlessResult RunHeadlessJob(const HeadlessOptions& options);

// The whole program; returns the exit status (0 success, 1 a failed run, 2 a usage error).
int RunHeadless(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace tirvane

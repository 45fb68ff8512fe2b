// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cpm_machine.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <iterator>

namespace tirvane {

namespace {

constexpr const char* CpmUsage =
    "usage: tirvane-headless --cpm PROGRAM.com [--cpu exact|original] [--max-tstates N]\n"
    "  --cpu exact     the processor as the silicon behaves; any other name: the original processor\n"
    "  --max-tstates N stop after N T-states if the program has not ended\n";

constexpr uint16_t ProgramStart = 0x0100;
constexpr uint16_t Bdos = 0xFE00;  // the BDOS entry, the top of the program's memory
constexpr size_t MaxProgram = Bdos - ProgramStart;

// The RAM the processor sees; CP/M has no ROM, so every address is written and read alike.
uint8_t Ram[0x10000];

uint8_t ReadRam(uint16_t address) { return Ram[address]; }
void WriteRam(uint8_t value, uint16_t address) { Ram[address] = value; }
void NoPortOut(uint8_t, uint8_t) {}
uint8_t NoPortIn(uint16_t) { return 0xFF; }
void NoFrameWork() {}

// A character of console input; end of input reads as Ctrl-Z, CP/M's end of file.
uint8_t ReadConsole(std::istream& in) {
  const int ch = in.get();
  if (ch == std::char_traits<char>::eof()) return 0x1A;
  return static_cast<uint8_t>(ch == '\n' ? '\r' : ch);
}

// One BDOS call, as the entry at Bdos is reached; the RET there then returns to the caller.
void CallBdos(Z80Context& z, std::istream& in, std::ostream& out) {
  uint8_t result = 0;
  switch (z.BC.l) {
    case 1:
      result = ReadConsole(in);
      out.put(static_cast<char>(result));
      break;
    case 2:
      out.put(static_cast<char>(z.DE.l));
      break;
    case 6:
      if (z.DE.l == 0xFF)
        result = in.peek() == std::char_traits<char>::eof() ? 0 : ReadConsole(in);
      else if (z.DE.l == 0xFE)
        result = in.peek() == std::char_traits<char>::eof() ? 0 : 0xFF;
      else
        out.put(static_cast<char>(z.DE.l));
      break;
    case 9:
      // Bounded by the memory size: a string without its '$' must not loop forever.
      for (uint32_t n = 0, a = z.DE.w; n < 0x10000 && Ram[a & 0xFFFF] != '$'; ++n, ++a)
        out.put(static_cast<char>(Ram[a & 0xFFFF]));
      break;
    case 10: {
      // The buffer holds its size at DE, the count read at DE+1, the characters from DE+2.
      const uint8_t size = Ram[z.DE.w];
      std::string line;
      std::getline(in, line);
      if (line.size() > size) line.resize(size);
      Ram[static_cast<uint16_t>(z.DE.w + 1)] = static_cast<uint8_t>(line.size());
      for (size_t i = 0; i < line.size(); ++i)
        Ram[static_cast<uint16_t>(z.DE.w + 2 + i)] = static_cast<uint8_t>(line[i]);
      break;
    }
    case 11:
      result = in.peek() == std::char_traits<char>::eof() ? 0 : 0xFF;
      break;
    default:
      break;
  }
  z.AF.h = result;
  z.HL.l = result;
  z.HL.h = 0;
  z.BC.h = 0;
  out.flush();
}

std::optional<uint64_t> ParseCount(const std::string& text) {
  uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::optional<CpmOptions> ParseCpmArguments(std::span<const std::string> args, std::string& error) {
  CpmOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--cpm" || arg == "--cpu" || arg == "--max-tstates") {
      if (!hasValue) {
        error = arg + " needs a value";
        return std::nullopt;
      }
      const std::string& value = args[++i];
      if (arg == "--cpm") {
        options.ProgramPath = value;
      } else if (arg == "--cpu") {
        options.Cpu = value == "exact" ? CpuModel::Silicon : CpuModel::Original;
      } else {
        const auto count = ParseCount(value);
        if (!count || *count == 0) {
          error = "--max-tstates is a positive count, not \"" + value + "\"";
          return std::nullopt;
        }
        options.MaxTStates = *count;
      }
    } else {
      error = "unknown argument \"" + arg + "\" for --cpm";
      return std::nullopt;
    }
  }
  if (options.ProgramPath.empty()) {
    error = "--cpm needs a program";
    return std::nullopt;
  }
  return options;
}

CpmResult RunCpmProgram(std::span<const uint8_t> program, const CpmOptions& options, std::istream& console,
                        std::ostream& out) {
  std::fill(std::begin(Ram), std::end(Ram), uint8_t{0});
  std::copy_n(program.begin(), std::min(program.size(), MaxProgram), Ram + ProgramStart);
  Ram[0x0005] = 0xC3;  // JP Bdos
  Ram[0x0006] = static_cast<uint8_t>(Bdos);
  Ram[0x0007] = static_cast<uint8_t>(Bdos >> 8);
  Ram[Bdos] = 0xC9;  // RET

  Z80Context& z = Z80Contexts[0];
  z = Z80Context{};
  z.Cpu = options.Cpu;
  z.ExactTiming = 1;
  z.MemoryImage = Ram;
  z.DirectReadLimit = 0xFFFE;  // FFFFh itself goes through the handler
  z.RomLimit = 0;
  z.ReadHandler = ReadRam;
  z.WriteHandler = WriteRam;
  static constexpr std::array<uint8_t, 256> AllPlain = [] {
    std::array<uint8_t, 256> pages{};
    pages.fill(1);
    return pages;
  }();
  z.PlainRamPages = AllPlain.data();  // WriteRam only stores
  z.PlainRamWriter = WriteRam;
  z.PortOutHandler = NoPortOut;
  z.PortInHandler = NoPortIn;
  z.FrameHandler = NoFrameWork;
  z.IrqState.Value = 0x01000000;
  z.PC.w = ProgramStart;
  z.SP.w = Bdos;
  // Frames end only at MaxFrameInstructions, so each full one counts exactly that many.
  z.FrameLength = 0xF0000000u;

  static std::bitset<0x10000> stops;
  stops.reset();
  stops.set(0x0000);
  stops.set(Bdos);

  CpmResult result;
  for (;;) {
    if (RunFrameUntil(1, stops)) {
      if (z.PC.w == 0x0000) {
        result.WarmBoot = true;
        break;
      }
      CallBdos(z, console, out);
      if (!out) break;  // nowhere left to write (a closed pipe): the program's work is lost anyway
    } else {
      result.TStates += LastFrameLength;
      result.Instructions += MaxFrameInstructions;
    }
    if (options.MaxTStates != 0 && result.TStates + z.CycleCount >= options.MaxTStates) break;
  }
  result.TStates += z.CycleCount;
  result.Instructions += z.FrameInstructions;
  return result;
}

int RunCpmCommand(std::span<const std::string> args, std::istream& console, std::ostream& out, std::ostream& err) {
  std::string error;
  const auto options = ParseCpmArguments(args, error);
  if (!options) {
    err << "tirvane-headless: " << error << "\n" << CpmUsage;
    return 2;
  }
  std::ifstream file(options->ProgramPath, std::ios::binary);
  std::vector<uint8_t> program((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!file.good() && !file.eof()) program.clear();
  if (!file.is_open() || program.empty() || program.size() > MaxProgram) {
    err << "tirvane-headless: " << options->ProgramPath
        << (file.is_open() && !program.empty() ? " is larger than the 65,024 bytes of CP/M's program area"
                                                 : " cannot be read, or is empty")
        << "\n";
    return 1;
  }

  const auto start = std::chrono::steady_clock::now();
  const CpmResult result = RunCpmProgram(program, *options, console, out);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double mhz = seconds > 0 ? static_cast<double>(result.TStates) / seconds / 1e6 : 0;
  out << "\n"
      << (result.WarmBoot ? "warm boot" : "stopped at the T-state bound") << ": " << result.TStates << " T-states, "
      << result.Instructions << " instructions, " << std::fixed << std::setprecision(1) << mhz << " emulated MHz\n";
  return result.WarmBoot ? 0 : 1;
}

}  // namespace tirvane

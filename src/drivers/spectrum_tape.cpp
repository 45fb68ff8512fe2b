// SPDX-License-Identifier: GPL-3.0-or-later
#include "drivers/spectrum_tape.h"

#include <algorithm>
#include <cctype>

namespace tirvane {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string Extension(std::string_view name) {
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string() : Lower(name.substr(dot + 1));
}

TapeReadResult Refuse(std::string_view name, const std::string& why) {
  TapeReadResult result;
  result.Message = "Not loaded: " + std::string(name) + "\r" + why + " Nothing was changed.";
  return result;
}

}  // namespace

bool TapeBlock::Standard() const {
  const TapeTimings& t = Timings;
  if (Kind != TapeBlockKind::Data || !HasPilot || Data.empty()) return false;
  const uint16_t romPilot = Data[0] < 0x80 ? 8063 : 3223;
  return t.Pilot == 2168 && t.Sync1 == 667 && t.Sync2 == 735 && t.Zero == 855 && t.One == 1710 &&
         t.LastByteBits == 8 && (t.PilotPulses == 0 || t.PilotPulses == romPilot);
}

std::string TapeBlock::Label() const {
  switch (Kind) {
    case TapeBlockKind::Data:
      break;
    case TapeBlockKind::Tone:
      return "Tone, " + std::to_string(Count) + " pulses";
    case TapeBlockKind::Pulses:
      return "Pulses, " + std::to_string(Pulses.size());
    case TapeBlockKind::DirectRecording:
      return "Recording, " + std::to_string(Data.size()) + " bytes";
    case TapeBlockKind::Generalized:
      return "Generalized data, " + std::to_string(Pulses.size()) + " pulses";
    case TapeBlockKind::Pause:
      return Timings.PauseMs == 0 ? "Stop the tape" : "Pause " + std::to_string(Timings.PauseMs) + " ms";
    case TapeBlockKind::StopIf48K:
      return "Stop the tape (48K)";
    case TapeBlockKind::GroupStart:
      return "Group: " + Text;
    case TapeBlockKind::GroupEnd:
      return "Group end";
    case TapeBlockKind::Jump:
      return "Jump " + std::to_string(Targets.empty() ? 0 : Targets[0]);
    case TapeBlockKind::LoopStart:
      return "Loop " + std::to_string(Count) + " times";
    case TapeBlockKind::LoopEnd:
      return "Loop end";
    case TapeBlockKind::Call:
      return "Call " + std::to_string(Targets.size()) + " blocks";
    case TapeBlockKind::Return:
      return "Return";
    case TapeBlockKind::SignalLevel:
      return Count ? "Signal high" : "Signal low";
    case TapeBlockKind::Info:
    case TapeBlockKind::Skipped:
      return Text;
  }

  // A ROM header: flag 00h, type, ten-character name, lengths, checksum.
  if (Data.size() == 19 && Data[0] == 0x00 && Data[1] <= 3) {
    static constexpr const char* Types[] = {"Program", "Number array", "Character array", "Bytes"};
    std::string name;
    for (int k = 2; k < 12; ++k) {
      const uint8_t c = Data[static_cast<size_t>(k)];
      name += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return std::string(Types[Data[1]]) + ": " + name;
  }
  if (Data.empty()) return "Empty block";
  return "Data, " + std::to_string(Data.size() >= 2 ? Data.size() - 2 : Data.size()) + " bytes";
}

TapeReadResult ReadTap(std::span<const uint8_t> bytes, std::string_view name) {
  if (bytes.empty()) return Refuse(name, "The file is empty.");
  TapeReadResult result;
  result.Read.Name = std::string(name);
  for (size_t at = 0; at < bytes.size();) {
    const size_t number = result.Read.Blocks.size() + 1;
    if (bytes.size() - at < 2)
      return Refuse(name, "Block " + std::to_string(number) + " is cut short: the file ends inside its length.");
    const size_t length = bytes[at] | bytes[at + 1] << 8;
    at += 2;
    if (length == 0) return Refuse(name, "Block " + std::to_string(number) + " has length 0.");
    if (bytes.size() - at < length)
      return Refuse(name, "Block " + std::to_string(number) + " says " + std::to_string(length) +
                              " bytes but the file ends after " + std::to_string(bytes.size() - at) + ".");
    TapeBlock block;
    block.Data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                      bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
    result.Read.Blocks.push_back(std::move(block));
    at += length;
  }
  result.Ok = true;
  return result;
}

namespace {

// Reads a ".tzx" block by block; every length is checked against what is left before it is used.
class TzxReader {
 public:
  TzxReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool Has(size_t count) const { return bytes_.size() - at_ >= count; }
  size_t Left() const { return bytes_.size() - at_; }
  uint8_t Byte() { return bytes_[at_++]; }
  uint16_t Word() {
    const uint16_t value = static_cast<uint16_t>(bytes_[at_] | bytes_[at_ + 1] << 8);
    at_ += 2;
    return value;
  }
  uint32_t Triple() {
    const uint32_t value = bytes_[at_] | bytes_[at_ + 1] << 8 | static_cast<uint32_t>(bytes_[at_ + 2]) << 16;
    at_ += 3;
    return value;
  }
  uint32_t Long() {
    const uint32_t value = Triple();
    return value | static_cast<uint32_t>(Byte()) << 24;
  }
  std::span<const uint8_t> Take(size_t count) {
    const std::span<const uint8_t> part = bytes_.subspan(at_, count);
    at_ += count;
    return part;
  }
  std::string Text(size_t count) {
    std::string text;
    for (uint8_t c : Take(count)) text += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : c == 0x0D ? ' ' : '?';
    return text;
  }
  size_t At() const { return at_; }

 private:
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
};

// A generalized data block can describe billions of pulses in a few bytes; beyond this it is
// refused rather than expanded.
constexpr size_t MaxGeneralizedPulses = 8u << 20;

std::string Hex2(unsigned value) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  return {Digits[(value >> 4) & 15], Digits[value & 15]};
}

// Expands block 19h's symbols into plain pulses (each starting with an edge). The level is
// tracked from low, so the polarity flags (keep, force low, force high) become merged or plain
// pulses.
bool ExpandGeneralized(std::span<const uint8_t> body, TapeBlock& block, std::string& why) {
  TzxReader in(body);
  if (!in.Has(14)) return why = "is shorter than its header", false;
  block.Timings.PauseMs = in.Word();
  const uint32_t totp = in.Long();
  const unsigned npp = in.Byte();
  unsigned asp = in.Byte();
  const uint32_t totd = in.Long();
  const unsigned npd = in.Byte();
  unsigned asd = in.Byte();
  if (asp == 0) asp = 256;
  if (asd == 0) asd = 256;
  struct Symbol {
    uint8_t Flags;
    std::vector<uint16_t> Lengths;
  };
  const auto readTable = [&in](unsigned count, unsigned pulses, std::vector<Symbol>& table) {
    if (!in.Has(size_t{count} * (1 + 2 * size_t{pulses}))) return false;
    for (unsigned k = 0; k < count; ++k) {
      Symbol symbol{in.Byte(), {}};
      for (unsigned p = 0; p < pulses; ++p) symbol.Lengths.push_back(in.Word());
      table.push_back(std::move(symbol));
    }
    return true;
  };
  bool high = false;
  std::vector<uint32_t>& out = block.Pulses;
  // Symbols of no pulses cost time too: a few bytes can repeat one billions of times.
  size_t symbols = 0;
  const auto emit = [&](const Symbol& symbol) {
    if (++symbols > MaxGeneralizedPulses) return false;
    const unsigned polarity = symbol.Flags & 3;
    bool first = true;
    for (const uint16_t length : symbol.Lengths) {
      if (length == 0) break;
      const bool edge = !first || polarity == 0 || (polarity == 2 && high) || (polarity == 3 && !high);
      first = false;
      if (!edge && !out.empty()) {
        out.back() += length;
      } else {
        out.push_back(length);
        high = !high;
      }
    }
    return out.size() <= MaxGeneralizedPulses;
  };

  if (totp > 0) {
    std::vector<Symbol> pilot;
    if (!readTable(asp, npp, pilot)) return why = "ends inside its pilot symbols", false;
    if (!in.Has(3 * size_t{totp})) return why = "ends inside its pilot stream", false;
    for (uint32_t k = 0; k < totp; ++k) {
      const uint8_t index = in.Byte();
      const uint16_t repeat = in.Word();
      if (index >= pilot.size()) return why = "names a pilot symbol its table lacks", false;
      for (uint16_t r = 0; r < repeat; ++r)
        if (!emit(pilot[index])) return why = "expands to more than 8 million pulses or symbols", false;
    }
  }
  if (totd > 0) {
    std::vector<Symbol> data;
    if (!readTable(asd, npd, data)) return why = "ends inside its data symbols", false;
    unsigned bits = 0;
    while ((1u << bits) < asd) ++bits;
    const uint64_t streamBytes = (uint64_t{bits} * totd + 7) / 8;
    if (in.Left() < streamBytes) return why = "ends inside its data stream", false;
    const std::span<const uint8_t> stream = in.Take(static_cast<size_t>(streamBytes));
    uint64_t bit = 0;
    for (uint32_t k = 0; k < totd; ++k) {
      unsigned index = 0;
      for (unsigned b = 0; b < bits; ++b, ++bit)
        index = index << 1 | ((stream[static_cast<size_t>(bit / 8)] >> (7 - bit % 8)) & 1);
      if (index >= data.size()) return why = "names a data symbol its table lacks", false;
      if (!emit(data[index])) return why = "expands to more than 8 million pulses or symbols", false;
    }
  }
  block.Kind = TapeBlockKind::Generalized;
  return true;
}

TapeBlock ControlBlock(TapeBlockKind kind, std::string text = {}) {
  TapeBlock block;
  block.Kind = kind;
  block.Text = std::move(text);
  return block;
}

}  // namespace

TapeReadResult ReadTzx(std::span<const uint8_t> bytes, std::string_view name) {
  static constexpr uint8_t Signature[8] = {'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A};
  if (bytes.size() < 10 || !std::equal(Signature, Signature + 8, bytes.begin()))
    return Refuse(name, "It does not begin with \"ZXTape!\": not a .tzx file.");
  TapeReadResult result;
  Tape& tape = result.Read;
  tape.Name = std::string(name);
  TzxReader in(bytes);
  in.Take(10);
  while (in.Left() > 0) {
    const size_t number = tape.Blocks.size() + 1;
    const uint8_t id = in.Byte();
    const std::string where = "Block " + std::to_string(number) + " (" + Hex2(id) + "h) ";
    const auto cut = [&] { return Refuse(name, where + "is cut short: the file ends inside it."); };
    TapeBlock block;
    switch (id) {
      case 0x10: {  // standard speed data
        if (!in.Has(4)) return cut();
        block.Timings.PauseMs = in.Word();
        const uint16_t length = in.Word();
        if (!in.Has(length)) return cut();
        const auto data = in.Take(length);
        block.Data.assign(data.begin(), data.end());
        break;
      }
      case 0x11: {  // turbo speed data
        if (!in.Has(18)) return cut();
        TapeTimings& t = block.Timings;
        t.Pilot = in.Word();
        t.Sync1 = in.Word();
        t.Sync2 = in.Word();
        t.Zero = in.Word();
        t.One = in.Word();
        t.PilotPulses = in.Word();
        t.LastByteBits = in.Byte();
        t.PauseMs = in.Word();
        const uint32_t length = in.Triple();
        if (!in.Has(length)) return cut();
        const auto data = in.Take(length);
        block.Data.assign(data.begin(), data.end());
        if (t.PilotPulses == 0) block.HasPilot = false;  // straight to the sync pulses
        break;
      }
      case 0x12:  // pure tone
        if (!in.Has(4)) return cut();
        block.Kind = TapeBlockKind::Tone;
        block.Pulses = {in.Word()};
        block.Count = in.Word();
        break;
      case 0x13: {  // pulse sequence
        if (!in.Has(1)) return cut();
        const unsigned count = in.Byte();
        if (!in.Has(2 * size_t{count})) return cut();
        block.Kind = TapeBlockKind::Pulses;
        for (unsigned k = 0; k < count; ++k) block.Pulses.push_back(in.Word());
        break;
      }
      case 0x14: {  // pure data
        if (!in.Has(10)) return cut();
        block.HasPilot = false;
        block.Timings.Zero = in.Word();
        block.Timings.One = in.Word();
        block.Timings.LastByteBits = in.Byte();
        block.Timings.PauseMs = in.Word();
        const uint32_t length = in.Triple();
        if (!in.Has(length)) return cut();
        const auto data = in.Take(length);
        block.Data.assign(data.begin(), data.end());
        block.Timings.Pilot = block.Timings.Sync1 = block.Timings.Sync2 = 0;
        break;
      }
      case 0x15: {  // direct recording
        if (!in.Has(8)) return cut();
        block.Kind = TapeBlockKind::DirectRecording;
        block.SampleCycles = in.Word();
        block.Timings.PauseMs = in.Word();
        block.Timings.LastByteBits = in.Byte();
        const uint32_t length = in.Triple();
        if (!in.Has(length)) return cut();
        const auto data = in.Take(length);
        block.Data.assign(data.begin(), data.end());
        break;
      }
      case 0x19: {  // generalized data
        if (!in.Has(4)) return cut();
        const uint32_t length = in.Long();
        if (!in.Has(length)) return cut();
        std::string why;
        if (!ExpandGeneralized(in.Take(length), block, why)) return Refuse(name, where + why + ".");
        break;
      }
      case 0x20:  // pause, or stop the tape
        if (!in.Has(2)) return cut();
        block.Kind = TapeBlockKind::Pause;
        block.Timings.PauseMs = in.Word();
        break;
      case 0x21: {  // group start
        if (!in.Has(1)) return cut();
        const size_t length = in.Byte();
        if (!in.Has(length)) return cut();
        block = ControlBlock(TapeBlockKind::GroupStart, in.Text(length));
        break;
      }
      case 0x22:
        block = ControlBlock(TapeBlockKind::GroupEnd);
        break;
      case 0x23:  // jump, relative
        if (!in.Has(2)) return cut();
        block = ControlBlock(TapeBlockKind::Jump);
        block.Targets = {static_cast<int16_t>(in.Word())};
        break;
      case 0x24:
        if (!in.Has(2)) return cut();
        block = ControlBlock(TapeBlockKind::LoopStart);
        block.Count = in.Word();
        break;
      case 0x25:
        block = ControlBlock(TapeBlockKind::LoopEnd);
        break;
      case 0x26: {  // call sequence
        if (!in.Has(2)) return cut();
        const unsigned count = in.Word();
        if (!in.Has(2 * size_t{count})) return cut();
        block = ControlBlock(TapeBlockKind::Call);
        for (unsigned k = 0; k < count; ++k) block.Targets.push_back(static_cast<int16_t>(in.Word()));
        break;
      }
      case 0x27:
        block = ControlBlock(TapeBlockKind::Return);
        break;
      case 0x28: {  // select block: a menu for the user, shown as text
        if (!in.Has(2)) return cut();
        const size_t length = in.Word();
        if (!in.Has(length)) return cut();
        in.Take(length);
        block = ControlBlock(TapeBlockKind::Info, "Select block (not offered)");
        break;
      }
      case 0x2A: {
        if (!in.Has(4)) return cut();
        const uint32_t length = in.Long();
        if (!in.Has(length)) return cut();
        in.Take(length);
        block = ControlBlock(TapeBlockKind::StopIf48K);
        break;
      }
      case 0x2B: {
        if (!in.Has(4)) return cut();
        const uint32_t length = in.Long();
        if (length < 1 || !in.Has(length)) return cut();
        block = ControlBlock(TapeBlockKind::SignalLevel);
        block.Count = in.Take(length)[0] ? 1 : 0;
        break;
      }
      case 0x30: {  // text description
        if (!in.Has(1)) return cut();
        const size_t length = in.Byte();
        if (!in.Has(length)) return cut();
        block = ControlBlock(TapeBlockKind::Info, "Text: " + in.Text(length));
        break;
      }
      case 0x31: {  // message
        if (!in.Has(2)) return cut();
        in.Byte();  // seconds to show it
        const size_t length = in.Byte();
        if (!in.Has(length)) return cut();
        block = ControlBlock(TapeBlockKind::Info, "Message: " + in.Text(length));
        break;
      }
      case 0x32: {  // archive info: strings, each with its id and length
        if (!in.Has(2)) return cut();
        const size_t length = in.Word();
        if (!in.Has(length)) return cut();
        TzxReader info(in.Take(length));
        std::string text = "Archive info";
        if (info.Has(1)) {
          const unsigned count = info.Byte();
          for (unsigned k = 0; k < count && info.Has(2); ++k) {
            info.Byte();
            const size_t size = info.Byte();
            if (!info.Has(size)) break;
            text += (k == 0 ? ": " : "; ") + info.Text(size);
          }
        }
        block = ControlBlock(TapeBlockKind::Info, text);
        break;
      }
      case 0x33: {  // hardware type
        if (!in.Has(1)) return cut();
        const size_t count = in.Byte();
        if (!in.Has(3 * count)) return cut();
        in.Take(3 * count);
        block = ControlBlock(TapeBlockKind::Info, "Hardware info, " + std::to_string(count) + " entries");
        break;
      }
      case 0x35: {  // custom info
        if (!in.Has(14)) return cut();
        std::string title = in.Text(10);
        const uint32_t length = in.Long();
        if (!in.Has(length)) return cut();
        in.Take(length);
        while (!title.empty() && title.back() == ' ') title.pop_back();
        block = ControlBlock(TapeBlockKind::Info, "Custom info: " + title);
        break;
      }
      case 0x5A:  // glue: another file's header, appended
        if (!in.Has(9)) return cut();
        in.Take(9);
        block = ControlBlock(TapeBlockKind::Info, "Glue");
        break;
      default: {
        // From version 1.10 on every block's body starts with its 32-bit length.
        if (!in.Has(4)) return cut();
        const uint32_t length = in.Long();
        if (!in.Has(length)) return cut();
        in.Take(length);
        block = ControlBlock(TapeBlockKind::Skipped, "Unknown block " + Hex2(id) + "h, skipped");
        break;
      }
    }
    tape.Blocks.push_back(std::move(block));
  }
  result.Ok = true;
  return result;
}

bool IsTapeFile(std::string_view name) { return Extension(name) == "tap" || Extension(name) == "tzx"; }

TapeReadResult ReadTape(std::span<const uint8_t> bytes, std::string_view name) {
  if (Extension(name) == "tap") return ReadTap(bytes, name);
  if (Extension(name) == "tzx") return ReadTzx(bytes, name);
  return Refuse(name, "The file is not a tape this machine reads (.tap, .tzx).");
}

void TapeDeck::Insert(Tape tape) {
  Inserted = std::move(tape);
  Rewind();
}

void TapeDeck::Rewind() {
  Next = 0;
  playing_ = false;
  level_ = false;
  edges_.clear();
  edge_ = 0;
  signal_ = 0;
  firstLevel_ = -1;
  pauseStarted_ = false;
  left_ = pause_ = 0;
  loops_.clear();
  calls_.clear();
}

void TapeDeck::Play() {
  if (Next < Inserted.Blocks.size() || edge_ < edges_.size() || left_ > 0 || pause_ > 0) playing_ = true;
}

void TapeDeck::Stop() { playing_ = false; }

size_t TapeDeck::NextStandard() const {
  const std::vector<TapeBlock>& blocks = Inserted.Blocks;
  if (playing_) return blocks.size();
  for (size_t k = Next; k < blocks.size(); ++k) {
    switch (blocks[k].Kind) {
      case TapeBlockKind::Info:
      case TapeBlockKind::GroupStart:
      case TapeBlockKind::GroupEnd:
      case TapeBlockKind::Skipped:
        continue;
      default:
        return blocks[k].Standard() ? k : blocks.size();
    }
  }
  return blocks.size();
}

void TapeDeck::Advance(uint64_t cycles) {
  // Pulses of length 0 and blocks without a signal take no time: a tape looping over only those
  // would hold the machine for ever, so it is stopped.
  int idle = 0;
  while (cycles > 0 && playing_) {
    if (left_ == 0 && !NextPulse()) {
      if (++idle > 100000) playing_ = false;
      continue;
    }
    const uint64_t step = std::min(left_, cycles);
    if (step == 0 && ++idle > 100000) playing_ = false;
    if (step > 0) idle = 0;
    left_ -= step;
    cycles -= step;
  }
}

// The next pulse of the block playing, then its pause, then the next block's signal.
bool TapeDeck::NextPulse() {
  if (edge_ < edges_.size()) {
    level_ = edge_ == 0 && firstLevel_ >= 0 ? firstLevel_ != 0 : !level_;
    left_ = edges_[edge_++];
    return true;
  }
  if (pause_ > 0) {
    // The pause begins with the edge that ends the last pulse (a loader times the bit by it),
    // holds that level for a millisecond and is low for the rest.
    if (!pauseStarted_) {
      pauseStarted_ = true;
      level_ = !level_;
      left_ = std::min<uint64_t>(pause_, 3500);
      pause_ -= left_;
    } else {
      level_ = false;
      left_ = pause_;
      pause_ = 0;
    }
    return true;
  }
  PrepareBlock();
  return false;
}

// Follows the tape's directions to the next block with a signal and lays out its pulses. A tape
// that only jumps about (a jump to itself, loops of nothing) is stopped rather than followed.
namespace {

constexpr uint64_t CyclesPerMs = 3500;

bool IsSignal(TapeBlockKind kind) {
  switch (kind) {
    case TapeBlockKind::Data:
    case TapeBlockKind::Tone:
    case TapeBlockKind::Pulses:
    case TapeBlockKind::Generalized:
    case TapeBlockKind::DirectRecording:
      return true;
    default:
      return false;
  }
}

}  // namespace

// A signal block's pulses, each beginning with an edge; a recording's first level in firstLevel
// (-1: the first pulse is an edge too). Depends on the block alone, so a position restored from a
// state lays the same pulses out again.
void TapeDeck::LayOut(const TapeBlock& b) {
  edges_.clear();
  firstLevel_ = -1;
  switch (b.Kind) {
    case TapeBlockKind::Data: {
      const TapeTimings& t = b.Timings;
      if (b.HasPilot && !b.Data.empty()) {
        const uint32_t count = t.PilotPulses ? t.PilotPulses : b.Data[0] < 0x80 ? 8063 : 3223;
        edges_.assign(count, t.Pilot);
      }
      if (t.Sync1) edges_.push_back(t.Sync1);
      if (t.Sync2) edges_.push_back(t.Sync2);
      for (size_t i = 0; i < b.Data.size(); ++i) {
        const unsigned bits = i + 1 == b.Data.size() ? std::clamp<unsigned>(t.LastByteBits, 1, 8) : 8;
        for (unsigned k = 0; k < bits; ++k) {
          const uint32_t length = (b.Data[i] << k) & 0x80 ? t.One : t.Zero;
          edges_.insert(edges_.end(), {length, length});
        }
      }
      return;
    }
    case TapeBlockKind::Tone:
      edges_.assign(b.Count, b.Pulses.empty() ? 0 : b.Pulses[0]);
      return;
    case TapeBlockKind::Pulses:
    case TapeBlockKind::Generalized:
      edges_ = b.Pulses;
      return;
    case TapeBlockKind::DirectRecording: {
      // Runs of equal samples become pulses; the first sets the level instead of toggling it.
      const size_t samples = b.Data.empty() ? 0 : (b.Data.size() - 1) * 8 + std::clamp<unsigned>(b.Timings.LastByteBits, 1, 8);
      int current = -1;
      for (size_t k = 0; k < samples; ++k) {
        const int bit = (b.Data[k / 8] >> (7 - k % 8)) & 1;
        if (bit != current) {
          if (current < 0) firstLevel_ = bit;
          edges_.push_back(0);
          current = bit;
        }
        edges_.back() += b.SampleCycles;
      }
      return;
    }
    default:
      return;
  }
}

// Follows the tape's directions to the next block with a signal and lays out its pulses. A tape
// that only jumps about (a jump to itself, loops of nothing) is stopped rather than followed.
void TapeDeck::PrepareBlock() {
  edges_.clear();
  edge_ = 0;
  firstLevel_ = -1;
  signal_ = 0;
  pauseStarted_ = false;
  const std::vector<TapeBlock>& blocks = Inserted.Blocks;
  for (int steps = 0; steps < 100000; ++steps) {
    if (Next >= blocks.size()) break;
    const TapeBlock& b = blocks[Next];
    const auto relative = [&](int offset) {
      const auto target = static_cast<std::ptrdiff_t>(Next) + offset;
      Next = target < 0 ? blocks.size() : static_cast<size_t>(target);
    };
    if (IsSignal(b.Kind)) {
      LayOut(b);
      signal_ = Next + 1;
      pause_ = b.Kind == TapeBlockKind::Tone || b.Kind == TapeBlockKind::Pulses ? 0 : b.Timings.PauseMs * CyclesPerMs;
      ++Next;
      return;
    }
    switch (b.Kind) {
      case TapeBlockKind::Pause:
        ++Next;
        if (b.Timings.PauseMs == 0) {
          playing_ = false;
          return;
        }
        pause_ = b.Timings.PauseMs * CyclesPerMs;
        pauseStarted_ = true;  // silence of its own: no edge
        return;
      case TapeBlockKind::StopIf48K:
        ++Next;
        playing_ = false;
        return;
      case TapeBlockKind::SignalLevel:
        level_ = b.Count != 0;
        ++Next;
        break;
      case TapeBlockKind::Jump:
        relative(b.Targets.empty() ? 1 : b.Targets[0]);
        break;
      case TapeBlockKind::LoopStart:
        // Nesting deeper than a position can record plays the inner loop once.
        if (loops_.size() < TapePosition::MaxDepth) loops_.push_back({Next + 1, b.Count});
        ++Next;
        break;
      case TapeBlockKind::LoopEnd:
        if (!loops_.empty() && loops_.back().Left > 1) {
          --loops_.back().Left;
          Next = loops_.back().Start;
        } else {
          if (!loops_.empty()) loops_.pop_back();
          ++Next;
        }
        break;
      case TapeBlockKind::Call:
        if (b.Targets.empty() || calls_.size() >= TapePosition::MaxDepth) {
          ++Next;
        } else {
          calls_.push_back({Next, 0});
          relative(b.Targets[0]);
        }
        break;
      case TapeBlockKind::Return:
        if (calls_.empty()) {
          ++Next;
          break;
        } else {
          Call& call = calls_.back();
          const std::vector<int16_t>& targets = blocks[call.At].Targets;
          if (++call.Step < targets.size()) {
            Next = call.At;
            relative(targets[call.Step]);
          } else {
            Next = call.At + 1;
            calls_.pop_back();
          }
        }
        break;
      default:  // groups, information, skipped blocks: nothing to play
        ++Next;
        break;
    }
  }
  playing_ = false;  // the end of the tape, or directions without end
}

TapePosition TapeDeck::Position() const {
  TapePosition p{};
  const auto narrow = [](uint64_t value) { return static_cast<uint32_t>(std::min<uint64_t>(value, UINT32_MAX)); };
  p.Next = narrow(Next);
  p.Signal = narrow(signal_);
  p.Edge = narrow(edge_);
  p.Left = narrow(left_);
  p.Pause = narrow(pause_);
  p.Playing = playing_;
  p.Level = level_;
  p.PauseStarted = pauseStarted_;
  p.LoopCount = static_cast<uint8_t>(loops_.size());
  for (size_t k = 0; k < loops_.size(); ++k) p.Loops[k] = {narrow(loops_[k].Start), loops_[k].Left};
  p.CallCount = static_cast<uint8_t>(calls_.size());
  for (size_t k = 0; k < calls_.size(); ++k) p.Calls[k] = {narrow(calls_[k].At), narrow(calls_[k].Step)};
  return p;
}

// The position may come from a crafted state: every index is held inside the tape in the deck.
void TapeDeck::SetPosition(const TapePosition& p) {
  const size_t blocks = Inserted.Blocks.size();
  Next = std::min<size_t>(p.Next, blocks);
  if (p.Signal != signal_ || p.Signal > blocks) {
    signal_ = p.Signal >= 1 && p.Signal <= blocks ? p.Signal : 0;
    if (signal_ > 0)
      LayOut(Inserted.Blocks[signal_ - 1]);
    else
      edges_.clear(), firstLevel_ = -1;
  }
  edge_ = std::min<size_t>(p.Edge, edges_.size());
  left_ = p.Left;
  pause_ = p.Pause;
  playing_ = p.Playing != 0;
  level_ = p.Level != 0;
  pauseStarted_ = p.PauseStarted != 0;
  loops_.clear();
  for (size_t k = 0; k < std::min<size_t>(p.LoopCount, TapePosition::MaxDepth); ++k)
    loops_.push_back({std::min<size_t>(p.Loops[k].Start, blocks), p.Loops[k].Left});
  calls_.clear();
  for (size_t k = 0; k < std::min<size_t>(p.CallCount, TapePosition::MaxDepth); ++k)
    if (p.Calls[k].At < blocks) calls_.push_back({p.Calls[k].At, p.Calls[k].Step});
}

bool InstantLoadBytes(Z80Context& z, TapeDeck& deck, WriteHandlerFn write, PortOutHandlerFn portOut) {
  const size_t block = deck.NextStandard();
  if (!deck.Instant || block >= deck.Inserted.Blocks.size()) return false;
  const std::vector<uint8_t>& data = deck.Inserted.Blocks[block].Data;
  deck.Next = block + 1;

  const bool load = (z.AF.l & FlagC) != 0;
  const uint8_t flag = z.AF.h;
  bool ok = data[0] == flag;
  if (ok) {
    // The checksum byte is the one after DE bytes: XOR over every byte, the flag included, is 0.
    uint8_t parity = data[0];
    size_t at = 1;
    while (z.DE.w > 0 && at < data.size() && ok) {
      const uint8_t value = data[at++];
      parity ^= value;
      if (load)
        write(value, z.IX.w);
      else
        ok = z.MemoryImage[z.IX.w] == value;
      ++z.IX.w;
      --z.DE.w;
    }
    // A block shorter than asked leaves the routine waiting for edges until it times out.
    ok = ok && z.DE.w == 0 && at < data.size() && (parity ^ data[at]) == 0;
  }
  // Success ends on CP 01h with A 0 (S, H, N and carry); every failure returns with carry clear.
  z.AF.h = 0;
  z.AF.l = ok ? (FlagS | FlagH | FlagN | FlagC) : 0;
  z.IFF1 = z.IFF2 = 1;
  const uint8_t bordcr = z.MemoryImage[0x5C48];
  portOut(static_cast<uint8_t>((bordcr & 0x38) >> 3), 0xFE);
  z.PC.w = static_cast<uint16_t>(z.MemoryImage[z.SP.w] | z.MemoryImage[static_cast<uint16_t>(z.SP.w + 1)] << 8);
  z.SP.w = static_cast<uint16_t>(z.SP.w + 2);
  return true;
}

}  // namespace tirvane

// SPDX-License-Identifier: GPL-3.0-or-later
// SPECTRUM tapes: ".tap" files read into a list of blocks, the deck that plays them, and the ROM
// loader done at once (instant loading). Readers take bytes and return a result with a reason;
// they open no dialog.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "z80/z80.h"

namespace tirvane {

// Pulse lengths in T-states of a 3.5 MHz processor, as the ROM's saving routine makes them.
struct TapeTimings {
  uint16_t Pilot = 2168;
  uint16_t Sync1 = 667;
  uint16_t Sync2 = 735;
  uint16_t Zero = 855;
  uint16_t One = 1710;
  uint16_t PilotPulses = 0;  // 0: as the ROM saves (8063 before a header, 3223 before data)
  uint8_t LastByteBits = 8;
  uint16_t PauseMs = 1000;  // silence after the block
  bool operator==(const TapeTimings&) const = default;
};

// What a block of a tape is: a signal (data, tone, pulses, a recording, silence) or a direction
// to the player (groups, jumps, loops, calls, stops) or text shown in the block list.
enum class TapeBlockKind : uint8_t {
  Data,             // pilot tone, two sync pulses, then the bits (or, without pilot, the bits alone)
  Tone,             // Count pulses of Pulses[0] T-states
  Pulses,           // each of Pulses once
  DirectRecording,  // one bit a sample of SampleCycles T-states, 1 = high
  Generalized,      // symbol tables and data, expanded into Pulses when read
  Pause,            // PauseMs of silence; 0 stops the tape
  StopIf48K,
  GroupStart,
  GroupEnd,
  Jump,         // Targets[0]: relative block
  LoopStart,    // Count repetitions
  LoopEnd,
  Call,         // Targets: relative blocks, each played up to a Return
  Return,
  SignalLevel,  // Count: the level (0 low, 1 high)
  Info,         // text, archive and hardware information, messages
  Skipped,      // a block this reader does not know, skipped by its length
};

struct TapeBlock {
  // Flag byte, the data, the checksum: the bytes on the tape.
  std::vector<uint8_t> Data;
  TapeTimings Timings;
  TapeBlockKind Kind = TapeBlockKind::Data;
  bool HasPilot = true;  // pure data blocks start with their first bit
  std::vector<uint32_t> Pulses;
  uint32_t Count = 0;
  uint16_t SampleCycles = 0;
  std::vector<int16_t> Targets;
  std::string Text;  // the group's name, the information shown, the unknown block's name
  // The ROM's own timings and whole bytes: the block the ROM loader can read, so it may be
  // loaded at once.
  bool Standard() const;
  // "Program: name", "Bytes: name" for the ROM's headers; "Data, N bytes" otherwise.
  std::string Label() const;
};

struct Tape {
  std::string Name;
  std::vector<TapeBlock> Blocks;
};

struct TapeReadResult {
  bool Ok = false;
  std::string Message;  // why the file was refused, naming it
  Tape Read;
};

// ".tap": blocks one after another, each a 16-bit length and that many bytes.
TapeReadResult ReadTap(std::span<const uint8_t> bytes, std::string_view name);
// ".tzx": "ZXTape!", 1Ah, the version, then blocks each led by its id byte.
TapeReadResult ReadTzx(std::span<const uint8_t> bytes, std::string_view name);
// By the extension: ".tap" or ".tzx"; false for other files.
bool IsTapeFile(std::string_view name);
TapeReadResult ReadTape(std::span<const uint8_t> bytes, std::string_view name);

// Where a deck stands on its tape, as plain values a board record can hold: all that changes as the
// tape plays. The tape itself is not in it; a position is set back on a deck holding the same tape.
struct TapePosition {
  static constexpr size_t MaxDepth = 8;  // loops and calls nested
  uint32_t Next;
  uint32_t Signal;  // 1 + the block whose pulses are playing; 0: none
  uint32_t Edge;
  uint32_t Left;
  uint32_t Pause;
  uint8_t Playing, Level, PauseStarted, LoopCount, CallCount, Fill[3];
  struct {
    uint32_t Start, Left;
  } Loops[MaxDepth];
  struct {
    uint32_t At, Step;
  } Calls[MaxDepth];
};

// The tape in the machine and where it stands. Loading at once takes a whole block when the ROM's
// loader asks for one; playing turns the blocks into the EAR signal, pulse by pulse, in the
// processor's T-states, following the tape's jumps, loops and calls.
class TapeDeck {
 public:
  Tape Inserted;
  size_t Next = 0;  // the block the tape stands before (while playing: the one after the signal)
  bool Instant = true;

  bool Loaded() const { return !Inserted.Blocks.empty(); }
  bool AtEnd() const { return Next >= Inserted.Blocks.size() && !Playing(); }
  void Insert(Tape tape);
  void Eject() { Insert({}); }
  void Rewind();
  void Play();
  void Stop();
  bool Playing() const { return playing_; }
  // The EAR level (port FEh bit 6) at the moment the tape has reached.
  bool Level() const { return level_; }
  // Runs the tape on by this many T-states; it stops itself at its end or at a stop block.
  void Advance(uint64_t cycles);
  // The standard block the ROM's loader would meet next, past text and groups, while the tape
  // is stopped; the tape's size when there is none.
  size_t NextStandard() const;
  TapePosition Position() const;
  void SetPosition(const TapePosition& position);

 private:
  bool NextPulse();
  void PrepareBlock();
  void LayOut(const TapeBlock& block);

  bool playing_ = false;
  bool level_ = false;
  std::vector<uint32_t> edges_;  // pulse lengths, each beginning with an edge
  size_t edge_ = 0;
  size_t signal_ = 0;  // 1 + the block edges_ was laid out from; 0: none
  int firstLevel_ = -1;  // a recording's first level; -1: the first pulse is an edge too
  uint64_t left_ = 0;    // T-states left of the current pulse or pause
  uint64_t pause_ = 0;   // the silence after the signal
  bool pauseStarted_ = false;
  struct Loop {
    size_t Start;
    uint32_t Left;
  };
  std::vector<Loop> loops_;
  struct Call {
    size_t At;
    size_t Step;
  };
  std::vector<Call> calls_;
};

// Where the ROM's LD-BYTES begins: A the flag byte, IX the address, DE the length, carry set to
// load (clear to verify).
constexpr uint16_t LdBytesAddress = 0x0556;

// Does LD-BYTES' work with the next block when it is a standard one, and returns as the routine
// does: IX and DE moved on by the bytes read, carry set on success and clear on a wrong flag byte,
// a block shorter or longer than asked, a failed verify or a bad checksum; interrupts enabled and
// the border back to BORDCR's colour through the port. The block is used up either way. False,
// with nothing changed, when the tape has no standard block next.
bool InstantLoadBytes(Z80Context& z, TapeDeck& deck, WriteHandlerFn write, PortOutHandlerFn portOut);

}  // namespace tirvane

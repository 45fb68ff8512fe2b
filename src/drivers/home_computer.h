// SPDX-License-Identifier: GPL-3.0-or-later
// SPECTRUM: a 48 KB home computer with a bitmap screen drawn at write time, a 40-key matrix on port
// FEh and one maskable interrupt per frame. Programs come in as 49,179-byte ".sna" snapshots.
#pragma once

#include <cstdint>
#include <string>

#include "devices/beeper.h"
#include "drivers/driver.h"
#include "drivers/spectrum_tape.h"

namespace tirvane {

extern const DriverInfo SpectrumDriver;

// One byte per half-row, bits 0-4: 1 = key up. Rewritten from the PC keyboard once a frame.
// The board's state: the keyboard rows as the last frame read them, kept from run to run.
struct SpectrumBoard {
  struct {
    uint8_t KeyMatrix[8] = {0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F};
  } Persistent;
  Beeper Sound;        // port FEh, bits 4 and 3
  uint8_t Border = 7;  // bits 0-2 of the last OUT to an even port; not drawn, kept for snapshots
  // FLASH ("#model=48"): cells whose attribute has bit 7 swap ink and paper every 16 frames.
  uint8_t FlashSwapped = 0;
  uint8_t FlashFrames = 0;
  // The tape's signal ("#model=48"): the T-state of this frame it was last brought up to, and how
  // often the program has read port FEh this frame. A loader polls the EAR bit thousands of times a
  // frame; a program that reads it no more than for its keyboard has stopped loading.
  uint32_t TapeCycle = 0;
  uint32_t EarReads = 0;
  uint32_t QuietFrames = 0;
  // Frames left of running unpaced after the tape was last busy.
  uint32_t LoadingFrames = 0;
  // Where the deck stands ("#model=48"). The deck plays from its own copy: this one is written when
  // the record is read as bytes and read back by SpectrumRestored.
  TapePosition Tape{};
};
// Sets the deck to the position a restored record holds.
void SpectrumRestored();
// Part of the record of every model (spectrum_paging.h).
extern SpectrumBoard& Spectrum;

uint8_t SpectrumRead(uint16_t address);
void SpectrumWrite(uint8_t value, uint16_t address);
void SpectrumPortOut(uint8_t value, uint8_t port);
uint8_t SpectrumPortIn(uint16_t port);
// Rebuilds the matrix from the PC keys held, the chords for PC keys the matrix lacks included.
void SpectrumFrame();
// Lower case on the letter keys, capitals with caps shift, symbols with symbol shift.
bool SpectrumCharacterKeys(char32_t character, KeyChord& chord);
// The PC keys as the machine's, shown by the desktop program and written out in the README.
extern const char SpectrumKeyboardHelp[];
void SpectrumInitialise(uint8_t* graphicsRegion);
// The file the Cartridge button asks for: snapshots, and under "#model=48" tapes as well.
FileChoice SpectrumFileChoice();

constexpr uint64_t SnapshotSize = 49179;  // 27-byte header + memory 4000h-FFFFh
// The registers of a .sna header (27 bytes, the 48K and 128K alike) into the running processor; PC
// is the caller's, as the two models keep it in different places.
void ApplySnaRegisters(const uint8_t* header);
// The processor of a ".z80"/".szx" record into the running machine and back, for both models.
struct SpectrumSnapshot;
void ApplySnapshotProcessor(const SpectrumSnapshot& s);
void CaptureSnapshotProcessor(SpectrumSnapshot& s);
// Writes a captured machine to path in the format its extension names; the ".sna" form is the
// model's own. The reason when it cannot, empty when written.
struct SnapshotWriteResult;
std::string WriteSpectrumSnapshot(const std::string& path, const SpectrumSnapshot& state,
                                  SnapshotWriteResult (*writeSna)(const SpectrumSnapshot&));

// Loads a snapshot into the running machine. A file of any other size, or one that cannot be read
// whole, is refused with the reason before any register or byte changes.
// Under "#model=48" it also takes .z80 snapshots and .tap tapes (a tape resets the machine, and
// the Cartridge button then types LOAD "" to play it).
LoadResult LoadSnapshotFile(const std::string& path);

// Writes the running machine as .sna, .z80 or .szx by the file's extension; the reason when it
// cannot, empty when written.
std::string SaveSpectrumSnapshot(const std::string& path);

// The tape in the machine ("#model=48").
extern TapeDeck SpectrumTape;
// Frames the ROM's start-up runs inside a tape load before LOAD "" is typed.
constexpr int StartUpFrames = 120;

}  // namespace tirvane

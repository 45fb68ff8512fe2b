// SPDX-License-Identifier: GPL-3.0-or-later
// The SPECTRUM's larger models: the 128K's eight 16 KB RAM pages and two ROMs behind port 7FFDh,
// and the sound chip it (and add-on interfaces for the 48K) carries.
//
// 128K memory map (port 7FFDh: bits 0-2 RAM page at C000h, bit 3 screen from page 7, bit 4 ROM 1,
// bit 5 locks the port until reset)
//   0000-3FFF  ROM 0 or ROM 1   writes ignored
//   4000-7FFF  RAM page 5       the normal screen
//   8000-BFFF  RAM page 2
//   C000-FFFF  RAM page 0-7     page 7 holds the second screen
// The pages live in the board's record and are always current there; the memory image holds a copy
// of the four visible blocks for the core's direct reads, refreshed on a 7FFDh write. Page 5 or 2
// paged in at C000h is visible twice, so a write reaches both copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "devices/ay_chip.h"
#include "drivers/home_computer.h"

namespace tirvane {

constexpr uint8_t PageBits = 0x07;
constexpr uint8_t ShadowScreenBit = 0x08;
constexpr uint8_t Rom1Bit = 0x10;
constexpr uint8_t PagingLockBit = 0x20;
constexpr uint32_t PageSize = 0x4000;
constexpr int PageCount = 8;

// Every SPECTRUM model's state in one record. A 48K's state is Board alone, a 48K with the sound
// chip Board to Ay, the 128K all of it, so a description without the keys keeps its state as before.
struct SpectrumMachine {
  SpectrumBoard Board;
  uint8_t Port7FFD;
  // Zero; puts the chip on a four-byte boundary whatever the board's size, so there is no padding.
  uint8_t Fill[4 - (sizeof(SpectrumBoard) + 1) % 4];
  AyChip Ay;
  uint8_t Pages[PageCount][PageSize];
};
extern SpectrumMachine SpectrumState;

// What the description asked for ("#model=128", "#ay=on"); fixed for a run.
struct SpectrumOptions {
  bool Paged = false;  // the 128K
  bool Ay = false;
};
extern SpectrumOptions SpectrumModel;

// Reads the options from the description and resets the record beyond the board. For the 128K the
// two ROMs come from GraphicsRegion (ROM 0 at 0, ROM 1 at 4000h, from "#rom0=" and "#rom1=") and
// the visible blocks are laid out as after a reset.
void PagingInitialise(const uint8_t* graphicsRegion);
// The 128K's own port; returns true when the screen shown changed. Ignored while locked.
bool WritePagingPort(uint8_t value);
// Stores a RAM byte (address 4000h or above) in its page and in every place the page is visible;
// returns the page.
unsigned PagedStore(uint8_t value, uint16_t address);
unsigned PageAt(uint16_t address);
// The page the picture comes from (5 or 7) and its 6912 bytes.
unsigned ShownScreenPage();
const uint8_t* ShownScreen();
// A RAM page's byte whichever page is visible; pages 0-7, offsets taken modulo 16 KB.
uint8_t ReadPagedByte(unsigned page, uint16_t offset);
// The driver's page reader and board line (DriverInfo).
bool ReadSpectrumPage(unsigned page, uint16_t address, uint8_t& value);
std::string SpectrumBoardLine();
// The driver's StoreOutside: a RAM byte reaches its page, so paging it out and in keeps it.
void StoreSpectrumByte(uint16_t address, uint8_t value);
// The record as the state sees it for the model in use.
std::span<uint8_t> SpectrumRecordBytes();
// Copies the visible blocks of the record to the memory image, for a state written from outside.
void ShowPagesInMemory();

// 128K snapshots (".sna" of 131,103 bytes, or 147,487 when the page at C000h is 5 or 2 and is
// stored twice). Registers and every page; the sound chip is not in the format.
constexpr uint64_t Snapshot128Size = 131103;
constexpr uint64_t Snapshot128LongSize = 147487;
// Empty when accepted; otherwise why not, and nothing has changed.
std::string Load128Snapshot(std::span<const uint8_t> bytes);
std::vector<uint8_t> Save128Snapshot();
// The loader behind the Cartridge button and the runner for the 128K: reads a ".sna", ".z80" or
// ".szx" (by its extension), refuses it with a message (nothing changed) or loads it and shows its
// screen. A 48K ".z80" or ".szx" runs in the 128K's 48K mode.
LoadResult Load128SnapshotFile(const std::string& path);
// Writes the running 128K as ".sna", ".z80" or ".szx" by the extension; the reason when it cannot,
// empty when written.
std::string Save128SnapshotFile(const std::string& path);

// home_computer.cpp: draws the whole screen from the page shown.
void RedrawSpectrumScreen();

}  // namespace tirvane

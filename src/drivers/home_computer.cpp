// SPDX-License-Identifier: GPL-3.0-or-later
// SPECTRUM driver.
//
// Memory map                      what the handlers do
//   0000-3FFF  ROM (16 KB)          writes ignored
//   4000-57FF  bitmap (6144 bytes)  stored, the eight pixels drawn at once
//   5800-5AFF  attributes (768)     stored, the 8x8 cell repainted from its bitmap bytes
//   5B00-FFFF  RAM                  stored
// Reads are plain memory. Ports: IN FEh reads the keyboard rows selected by A8-A15 (a 0 selects);
// every other port reads 0. OUT to an even port drives the beeper from bits 4 (speaker) and 3 (the
// quieter line), at the T-state of the write; the border is not drawn.
// The 128K ("#model=128", spectrum_paging.h) adds its paging port 7FFDh (A15 and A1 low) and the
// sound chip's FFFDh (register select, and read) and BFFDh (data), A1 low and decoded by A15, A14;
// "#ay=on" gives the 48K the sound chip alone at the same ports.
//
// "#model=48" makes it the 48K as people's software expects it: FFh on the data bus at the
// interrupt, FLASH, a 69,888 T-state frame unless the description says otherwise, tapes (.tap)
// loaded through the ROM with the loader done at once, and .z80/.szx snapshots; without the key
// the machine is the one above, loading only .sna.
#include "drivers/home_computer.h"

#include <array>
#include <fstream>
#include <utility>
#include <string>

#include "devices/sound_mixer.h"
#include "machine/romset.h"
#include "video/eight_pixels.h"
#include "drivers/file_loader.h"
#include "drivers/spectrum_paging.h"
#include "drivers/spectrum_snapshot.h"
#include "drivers/spectrum_tape.h"
#include "machine/description.h"
#include "text/text.h"
#include "video/screen.h"

namespace tirvane {

namespace {

using enum VirtualKey;

// The half-rows as the hardware wires them: row r answers when address bit 8 + r is 0, and its
// bit 0 is the key nearest the edge. Ctrl is the caps shift, Shift the symbol shift.
constexpr VirtualKey KeyRows[8][5] = {
    {Ctrl, Z, X, C, V},       // A8
    {A, S, D, F, G},          // A9
    {Q, W, E, R, T},          // A10
    {D1, D2, D3, D4, D5},     // A11
    {D0, D9, D8, D7, D6},     // A12
    {P, O, I, U, Y},          // A13
    {Return, L, K, J, H},     // A14
    {Space, Shift, M, N, B},  // A15
};

// PC keys the matrix has no place for, as the two keys that give the same on the machine: caps
// shift for the editing keys, symbol shift for the characters. A shifted digit's chord stands in
// for its digit, which the PC reports held as well. Typed is what the chord types (0: an editing
// key), so typing text uses the same table.
struct PcKeyChord {
  VirtualKey Pc;
  char32_t Typed;
  VirtualKey Replaces;  // Count: none
  VirtualKey Shift, Key;
};
constexpr PcKeyChord PcKeyChords[] = {
    {Backspace, 0, Count, Ctrl, D0},       {Escape, 0, Count, Ctrl, Space},
    {Left, 0, Count, Ctrl, D5},            {Down, 0, Count, Ctrl, D6},
    {Up, 0, Count, Ctrl, D7},              {Right, 0, Count, Ctrl, D8},
    {Exclam, '!', D1, Shift, D1},          {At, '@', D2, Shift, D2},
    {Hash, '#', D3, Shift, D3},            {Dollar, '$', D4, Shift, D4},
    {Percent, '%', D5, Shift, D5},         {Caret, '^', D6, Shift, H},
    {Ampersand, '&', D7, Shift, D6},       {Asterisk, '*', D8, Shift, B},
    {ParenLeft, '(', D9, Shift, D8},       {ParenRight, ')', D0, Shift, D9},
    {Minus, '-', Count, Shift, J},         {Underscore, '_', Count, Shift, D0},
    {Equals, '=', Count, Shift, L},        {Plus, '+', Count, Shift, K},
    {Comma, ',', Count, Shift, N},         {Less, '<', Count, Shift, R},
    {Period, '.', Count, Shift, M},        {Greater, '>', Count, Shift, T},
    {Slash, '/', Count, Shift, V},         {Question, '?', Count, Shift, C},
    {Semicolon, ';', Count, Shift, O},     {Colon, ':', Count, Shift, Z},
    {Apostrophe, '\'', Count, Shift, D7}, {Quote, '"', Count, Shift, P},
    {Pound, U'\u00A3', Count, Shift, X},
};

// Entry = colour + 8 * bright.
constexpr Rgb Colours[16] = {
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0xCF}, {0xCF, 0x00, 0x00}, {0xCF, 0x00, 0xCF},
    {0x00, 0xCF, 0x00}, {0x00, 0xCF, 0xCF}, {0xCF, 0xCF, 0x00}, {0xCF, 0xCF, 0xCF},
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0x00}, {0xFF, 0x00, 0xFF},
    {0x00, 0xFF, 0x00}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0x00}, {0xFF, 0xFF, 0xFF},
};

constexpr uint8_t PaletteBase = 10;  // driver colour n is palette index 10 + n

// The screen's 6912 bytes: the 128K shows page 5 or 7 from its record.
inline const uint8_t* ScreenMemory() { return SpectrumModel.Paged ? ShownScreen() : MemoryImage + 0x4000; }
// Set from "#model=" at initialisation; fixed for a run.
bool Model48 = false;
// What the last load asks to have typed: handed to the run at once, so never part of a state.
std::string PendingTyping;
constexpr unsigned LoadingReads = 500;  // reads a frame that start the tape
constexpr unsigned QuietReads = 100;    // fewer than these for QuietStopFrames stop it
constexpr unsigned QuietStopFrames = 50;

// From a tape's insertion on, the machine runs as fast as the host allows while LOAD "" is typed
// and the blocks go in, until this many frames pass with the tape idle.
constexpr unsigned LoadingIdleFrames = 150;

void TapeToNow() {
  const uint32_t now = ActiveContext->CycleCount;
  if (now > Spectrum.TapeCycle) SpectrumTape.Advance(now - Spectrum.TapeCycle);
  Spectrum.TapeCycle = now;
}

// Draws the eight pixels of one bitmap byte in the colours of its cell's attribute.
inline void DrawBitmapByte(uint8_t value, uint16_t address) {
  ScreenDirty = true;
  if (!Screen) return;  // a load that outlives its run keeps memory right and draws nothing
  const unsigned y = ((address >> 8) & 0x07) | ((address >> 2) & 0x38) | ((address >> 5) & 0xC0);
  const unsigned column = address & 0x1F;
  const uint8_t attribute = ScreenMemory()[0x1800 + (y >> 3) * 32 + column];
  const uint8_t bright = (attribute & 0x40) >> 3;
  const uint8_t ink = PaletteBase + (attribute & 0x07) + bright;
  const uint8_t paper = PaletteBase + ((attribute >> 3) & 0x07) + bright;
  if ((attribute & 0x80) && Spectrum.FlashSwapped) {
    PutEightPixels(Screen->Pixels.data() + y * BitmapStride + column * 8, value, paper, ink);
    return;
  }
  // y < 192 and the eight pixels end at column 255: the row always lies inside the bitmap.
  PutEightPixels(Screen->Pixels.data() + y * BitmapStride + column * 8, value, ink, paper);
}

// An attribute change recolours the cell's eight bitmap bytes as they stand.
inline void RepaintCell(uint16_t attributeAddress) {
  const unsigned offset = attributeAddress - 0x5800;
  const unsigned row = offset >> 5;
  const uint16_t base = 0x4000 | ((row & 0x07) << 5) | ((row & 0x18) << 8) | (offset & 0x1F);
  const uint8_t* screen = ScreenMemory();
  for (unsigned k = 0; k < 8; ++k) {
    const uint16_t address = base + 256 * k;
    DrawBitmapByte(screen[address - 0x4000], address);
  }
}

}  // namespace

void RedrawSpectrumScreen() {
  const uint8_t* screen = ScreenMemory();
  for (uint16_t offset = 0; offset < 0x1800; ++offset)
    DrawBitmapByte(screen[offset], static_cast<uint16_t>(0x4000 + offset));
}

namespace {

uint16_t Word(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }

// The interrupt-mode byte of a snapshot as the core's mode code (mode 2 is code 3).
uint16_t InterruptModeCode(uint8_t mode) {
  switch (mode) {
    case 0:
      return 0;
    case 2:
      return 3;
    default:
      return 1;  // 1, and anything a damaged header holds, runs as mode 1
  }
}

}  // namespace

void ApplySnaRegisters(const uint8_t* file) {
  Z80Context& z = *ActiveContext;
  z.I = file[0];
  z.AltHL.w = Word(file + 1);
  z.AltDE.w = Word(file + 3);
  z.AltBC.w = Word(file + 5);
  z.AltAF.w = Word(file + 7);
  z.HL.w = Word(file + 9);
  z.DE.w = Word(file + 11);
  z.BC.w = Word(file + 13);
  z.IY.w = Word(file + 15);
  z.IX.w = Word(file + 17);
  z.IFF1 = z.IFF2 = (file[19] >> 2) & 1;
  z.R = file[20];
  z.AF.l = file[21];
  z.AF.h = file[22];
  z.SP.w = Word(file + 23);
  z.InterruptMode = InterruptModeCode(file[25]);
}

// A halted processor stands on its HALT and runs it again; a file that points past it resumes there,
// one instruction early at worst, rather than skipping the instruction after it.
void ApplySnapshotProcessor(const SpectrumSnapshot& s) {
  Z80Context& z = *ActiveContext;
  z.AF.w = s.AF;
  z.BC.w = s.BC;
  z.DE.w = s.DE;
  z.HL.w = s.HL;
  z.AltAF.w = s.AltAF;
  z.AltBC.w = s.AltBC;
  z.AltDE.w = s.AltDE;
  z.AltHL.w = s.AltHL;
  z.IX.w = s.IX;
  z.IY.w = s.IY;
  z.SP.w = s.SP;
  z.PC.w = s.PC;
  z.I = s.I;
  z.R = s.R;
  z.IFF1 = s.IFF1;
  z.IFF2 = s.IFF2;
  z.InterruptMode = InterruptModeCode(s.InterruptMode);
  z.Halted = 0;
  z.NmiRequest = 0;
  if (s.FrameCycle < z.FrameLength) z.CycleCount = s.FrameCycle;
}

void CaptureSnapshotProcessor(SpectrumSnapshot& s) {
  const Z80Context& z = *ActiveContext;
  s.AF = z.AF.w;
  s.BC = z.BC.w;
  s.DE = z.DE.w;
  s.HL = z.HL.w;
  s.AltAF = z.AltAF.w;
  s.AltBC = z.AltBC.w;
  s.AltDE = z.AltDE.w;
  s.AltHL = z.AltHL.w;
  s.IX = z.IX.w;
  s.IY = z.IY.w;
  s.SP = z.SP.w;
  s.PC = z.PC.w;  // a halted processor stands on its HALT, which runs again after a load
  s.I = z.I;
  s.R = z.R;
  s.IFF1 = z.IFF1;
  s.IFF2 = z.IFF2;
  s.InterruptMode = z.InterruptMode == 0 ? 0 : z.InterruptMode == 3 ? 2 : 1;
  s.Halted = z.Halted != 0;
  s.FrameCycle = z.CycleCount;
}

namespace {

// Loads a checked snapshot: the header into the registers, the memory through the write handler so
// the picture follows (the run shows it at the frame's end), then the return from the interrupt the
// snapshot was taken in.
void ApplySnapshot(const uint8_t* file) {
  Z80Context& z = *ActiveContext;
  ApplySnaRegisters(file);
  // A HALT pending from the machine that ran before would step the new PC past its first opcode.
  z.Halted = 0;

  const uint8_t* memory = file + 27;
  for (uint32_t address = 0x4000; address <= 0xFFFF; ++address)
    SpectrumWrite(memory[address - 0x4000], static_cast<uint16_t>(address));

  z.PC.w = static_cast<uint16_t>(MemoryImage[z.SP.w] | MemoryImage[static_cast<uint16_t>(z.SP.w + 1)] << 8);
  z.SP.w = static_cast<uint16_t>(z.SP.w + 2);
}

// Puts a checked snapshot into the machine: the memory through the write handler, so the picture
// follows, then the processor.
void ApplyState(const SpectrumSnapshot& s) {
  for (uint32_t address = 0x4000; address <= 0xFFFF; ++address)
    SpectrumWrite(s.Ram[address - 0x4000], static_cast<uint16_t>(address));
  ApplySnapshotProcessor(s);
  Z80Context& z = *ActiveContext;
  if (s.PcOnStack) {
    z.PC.w = static_cast<uint16_t>(MemoryImage[z.SP.w] | MemoryImage[static_cast<uint16_t>(z.SP.w + 1)] << 8);
    z.SP.w = static_cast<uint16_t>(z.SP.w + 2);
  }
  Spectrum.Border = s.Border & 7;
}

// The machine as a snapshot holds it.
SpectrumSnapshot CaptureState() {
  SpectrumSnapshot s;
  CaptureSnapshotProcessor(s);
  s.Border = Spectrum.Border;
  s.KeyRows = std::to_array(Spectrum.Persistent.KeyMatrix);
  std::copy(MemoryImage + 0x4000, MemoryImage + 0x10000, s.Ram.begin());
  return s;
}

// Power on as the reset line leaves the processor, then the ROM's start-up run here until BASIC
// waits for a line, so that what is typed next reaches it.
void ResetAndStart() {
  Z80Context& z = *ActiveContext;
  z.PC.w = 0;
  z.AF.w = z.SP.w = 0xFFFF;
  z.I = z.R = 0;
  z.IFF1 = z.IFF2 = 0;
  z.InterruptMode = 0;
  z.Halted = 0;
  z.NmiRequest = 0;
  for (int frame = 0; frame < StartUpFrames; ++frame) {
    RunFrame(1);
    z.CycleCount = 0;
    FrameSound.EndFrame();
    FrameSound.Pending().clear();
  }
}

// The file loader of "#model=48": snapshots by their extension, tapes inserted and loaded through
// the ROM. Everything is read and checked before the machine is touched.
LoadResult LoadModel48File(const std::string& path) {
  constexpr uint64_t MaxFileSize = 64u << 20;
  const SnapshotFormat format = SnapshotFormatOf(path);
  const bool tape = IsTapeFile(path);
  if (format == SnapshotFormat::Unknown && !tape)
    return {false, "Not loaded: " + path +
                       "\rThis machine loads .tap and .tzx tapes and .sna, .z80, .szx snapshots. Nothing was changed."};
  FileReadResult file = ReadWholeFile(path, 1, MaxFileSize);
  if (file.Status != FileReadStatus::Ok)
    return {false, file.Status == FileReadStatus::WrongSize
                       ? "Not loaded: " + path + "\rThe file is empty or larger than 64 MB."
                       : "Failed reading:\r" + path + "\rNothing was changed."};
  if (tape) {
    TapeReadResult read = ReadTape(file.Bytes, path);
    if (!read.Ok) return {false, read.Message};
    const bool instant = SpectrumTape.Instant;
    SpectrumTape.Insert(std::move(read.Read));
    SpectrumTape.Instant = instant;
    ResetAndStart();
    PendingTyping = "LOAD \"\"\n";
    Spectrum.LoadingFrames = LoadingIdleFrames;
    return {true, {}};
  }
  SnapshotReadResult read = format == SnapshotFormat::Sna ? ReadSna(file.Bytes, path)
                            : format == SnapshotFormat::Z80 ? ReadZ80(file.Bytes, path)
                                                            : ReadSzx(file.Bytes, path);
  if (!read.Ok) return {false, read.Message};
  ApplyState(read.Snapshot);
  return {true, {}};
}

const std::bitset<0x10000>& LoaderMarks() {
  static const std::bitset<0x10000> marks = [] {
    std::bitset<0x10000> m;
    m.set(LdBytesAddress);
    return m;
  }();
  return marks;
}

const std::bitset<0x10000>* SpectrumTrapMarks() {
  const TapeDeck& deck = SpectrumTape;
  if (!Model48 || !deck.Instant || deck.NextStandard() >= deck.Inserted.Blocks.size()) return nullptr;
  return &LoaderMarks();
}

bool SpectrumTrap() {
  if (!ActiveContext || !InstantLoadBytes(*ActiveContext, SpectrumTape, SpectrumWrite, SpectrumPortOut)) return false;
  Spectrum.LoadingFrames = LoadingIdleFrames;
  return true;
}

std::string SpectrumTakeTyping() { return std::exchange(PendingTyping, {}); }

bool SpectrumTapeRunning() { return Model48 && (SpectrumTape.Playing() || Spectrum.LoadingFrames > 0); }

}  // namespace

TapeDeck SpectrumTape;

void SpectrumRestored() { SpectrumTape.SetPosition(Spectrum.Tape); }

std::string WriteSpectrumSnapshot(const std::string& path, const SpectrumSnapshot& state,
                                  SnapshotWriteResult (*writeSna)(const SpectrumSnapshot&)) {
  SnapshotWriteResult written;
  switch (SnapshotFormatOf(path)) {
    case SnapshotFormat::Sna:
      written = writeSna(state);
      break;
    case SnapshotFormat::Z80:
      written = WriteZ80(state);
      break;
    case SnapshotFormat::Szx:
      written = WriteSzx(state);
      break;
    case SnapshotFormat::Unknown:
      return "A snapshot is saved as .sna, .z80 or .szx; " + path + " is none of them.";
  }
  if (!written.Ok) return written.Message;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(written.Bytes.data()), static_cast<std::streamsize>(written.Bytes.size()));
  out.close();
  if (!out) return "Failed writing " + path + ".";
  return {};
}

std::string SaveSpectrumSnapshot(const std::string& path) {
  if (!ActiveContext) return "No machine is running.";
  if (SpectrumModel.Paged) return Save128SnapshotFile(path);
  return WriteSpectrumSnapshot(path, CaptureState(), WriteSna);
}

uint8_t SpectrumRead(uint16_t address) { return MemoryImage[address]; }

void SpectrumWrite(uint8_t value, uint16_t address) {
  if (address < 0x4000) return;
  if (SpectrumModel.Paged) {
    const unsigned offset = address & (PageSize - 1);
    if (PagedStore(value, address) != ShownScreenPage() || offset >= 0x1B00) return;
    address = static_cast<uint16_t>(0x4000 + offset);
    if (address < 0x5800)
      DrawBitmapByte(value, address);
    else
      RepaintCell(address);
    return;
  }
  MemoryImage[address] = value;
  if (address < 0x5800)
    DrawBitmapByte(value, address);
  else if (address < 0x5B00)
    RepaintCell(address);
}

// The machine decodes only address line 0 for its own port.
void SpectrumPortOut(uint8_t value, uint8_t port) {
  if ((port & 1) == 0) {
    Spectrum.Sound.Write(value, ActiveContext->CycleCount, FrameSound);
    Spectrum.Border = value & 7;
  }
  if ((port & 2) != 0) return;
  const unsigned high = ActiveContext->PortOutHigh;
  if (!(high & 0x80)) {
    if (SpectrumModel.Paged && WritePagingPort(value)) RedrawSpectrumScreen();
  } else if (SpectrumModel.Ay) {
    if (high & 0x40)
      SpectrumState.Ay.WriteAddress(value);
    else
      SpectrumState.Ay.WriteData(value, ActiveContext->CycleCount, FrameSound);
  }
}

uint8_t SpectrumPortIn(uint16_t port) {
  if (SpectrumModel.Ay && (port & 0xC002) == 0xC000) return SpectrumState.Ay.ReadData();
  if ((port & 0xFF) != 0xFE) return 0;
  const unsigned select = port >> 8;
  uint8_t result = 0xFF;
  for (int row = 0; row < 8; ++row)
    if (!(select & (1u << row))) result &= Spectrum.Persistent.KeyMatrix[row];
  if (Model48) {
    // Bits 5 and 7 are not driven and read 1; bit 6 is the EAR input, the tape's signal.
    ++Spectrum.EarReads;
    if (SpectrumTape.Playing()) TapeToNow();
    result = static_cast<uint8_t>((result & 0x1F) | 0xA0 | (SpectrumTape.Level() ? 0x40 : 0));
  }
  return result;
}

void SpectrumFrame() {
  std::array<uint8_t, VirtualKeyCount> held = KeyState;
  for (const PcKeyChord& chord : PcKeyChords) {
    if (!KeyState[static_cast<int>(chord.Pc)]) continue;
    if (chord.Replaces != Count) held[static_cast<int>(chord.Replaces)] = 0;
    held[static_cast<int>(chord.Shift)] = 1;
    held[static_cast<int>(chord.Key)] = 1;
  }
  for (int row = 0; row < 8; ++row) {
    uint8_t bits = 0x1F;
    for (int bit = 0; bit < 5; ++bit)
      if (held[static_cast<int>(KeyRows[row][bit])]) bits &= static_cast<uint8_t>(~(1u << bit));
    Spectrum.Persistent.KeyMatrix[row] = bits;
  }
  if (Model48) {
    SpectrumBoard& b = Spectrum;
    TapeDeck& tape = SpectrumTape;
    if (b.LoadingFrames > 0) --b.LoadingFrames;
    if (tape.Playing()) b.LoadingFrames = LoadingIdleFrames;
    if (tape.Playing()) {
      TapeToNow();
      b.QuietFrames = b.EarReads < QuietReads ? b.QuietFrames + 1 : 0;
      if (b.QuietFrames >= QuietStopFrames) tape.Stop();
    } else if (b.EarReads >= LoadingReads && tape.Next < tape.Inserted.Blocks.size()) {
      tape.Play();
      b.QuietFrames = 0;
    }
    b.TapeCycle = 0;
    b.EarReads = 0;
  }
  if (Model48 && ++Spectrum.FlashFrames == 16) {
    Spectrum.FlashFrames = 0;
    Spectrum.FlashSwapped = !Spectrum.FlashSwapped;
    for (uint16_t address = 0x5800; address < 0x5B00; ++address)
      if (MemoryImage[address] & 0x80) RepaintCell(address);
  }
  // Nothing drives the data bus during the acknowledge: the pull-ups leave FFh there. The ULA holds
  // /INT for 32 T-states from the frame start.
  ActiveContext->IrqState.Value = (Model48 || ActiveContext->Cpu == CpuModel::Silicon) ? 0xFF : 0;
  if (SpectrumModel.Ay) SpectrumState.Ay.EndFrame(FrameSound);
  PresentScreen();
}

void SpectrumInitialise(uint8_t* graphicsRegion) {
  // What the machine is, fresh; only the key rows carry over from the run before.
  const auto persistent = Spectrum.Persistent;
  Spectrum = {};
  Spectrum.Persistent = persistent;
  PagingInitialise(graphicsRegion);
  ActiveContext->IntHoldCycles = 32;
  for (int n = 0; n < 16; ++n) RgbTable[n] = Colours[n];
  Model48 = TrimSpaces(Game.Model) == "48";
  PendingTyping.clear();
  SpectrumTape.Eject();
  if (Model48 && Game.FrameLength == static_cast<int32_t>(FrameCycles) && ActiveContext) {
    ActiveContext->FrameLength = Spectrum48FrameCycles;
    FrameSound.Configure(50, Spectrum48FrameCycles);
  }
}

LoadResult LoadSnapshotFile(const std::string& path) {
  if (!ActiveContext) return {false, "No machine is running."};
  if (SpectrumModel.Paged) return Load128SnapshotFile(path);
  if (Model48) return LoadModel48File(path);

  FileReadResult file = ReadWholeFile(path, SnapshotSize, SnapshotSize);
  const std::string size = std::to_string(file.Size) + " bytes";
  switch (file.Status) {
    case FileReadStatus::Ok:
      break;
    case FileReadStatus::CannotOpen:
      return {false, "Failed opening snapshot:\r" + path};
    case FileReadStatus::WrongSize:
      return {false, "Not a 48K snapshot:\r" + path + "\r" + size +
                         "; a snapshot is exactly 49179 bytes. Nothing was loaded."};
    case FileReadStatus::ReadFailed:
      return {false, "Failed reading snapshot:\r" + path + "\r" + size +
                         " could not be read whole. Nothing was loaded."};
  }
  ApplySnapshot(file.Bytes.data());
  return {true, {}};
}

FileChoice SpectrumFileChoice() {
  if (Model48)
    return {"Spectrum tape or snapshot", "Spectrum tapes and snapshots|*.tap;*.tzx;*.sna;*.z80;*.szx", "TAP", ""};
  if (SpectrumModel.Paged) return {"Spectrum 128K snapshot", "Spectrum snapshots|*.sna;*.z80;*.szx", "SNA", ""};
  return {"ZXSpectrum Snapshots loader", "Spectrum SnapShots|*.sna", "SNA", "*.sna"};
}

bool SpectrumCharacterKeys(char32_t c, KeyChord& chord) {
  if (c >= 'A' && c <= 'Z') {
    PlainCharacterKeys(c, chord);
    chord = {{Ctrl, chord.Keys[0]}, 2};
    return true;
  }
  if (PlainCharacterKeys(c, chord)) return true;
  for (const PcKeyChord& row : PcKeyChords) {
    if (row.Typed != 0 && row.Typed == c) {
      chord = {{row.Shift, row.Key}, 2};
      return true;
    }
  }
  return false;
}

const char SpectrumKeyboardHelp[] =
    "Letters, digits, Space and Return as labelled. Ctrl is CAPS SHIFT, Shift is SYMBOL SHIFT.\n"
    "Backspace: DELETE (CAPS SHIFT + 0). Cursor keys: CAPS SHIFT + 5, 6, 7, 8.\n"
    "Escape: BREAK (CAPS SHIFT + SPACE).\n"
    "Punctuation and shifted digits type the character on the PC key, through SYMBOL SHIFT and:\n"
    "-  \u2192 J      _  \u2192 0      =  \u2192 L      +  \u2192 K      ,  \u2192 N      <  \u2192 R\n"
    ".  \u2192 M      >  \u2192 T      /  \u2192 V      ?  \u2192 C      ;  \u2192 O      :  \u2192 Z\n"
    "'  \u2192 7      \"  \u2192 P      \u00A3  \u2192 X      !  \u2192 1      @  \u2192 2      #  \u2192 3\n"
    "$  \u2192 4      %  \u2192 5      ^  \u2192 H      &  \u2192 6      *  \u2192 B      (  \u2192 8      )  \u2192 9";

namespace {
ScreenGeometry SpectrumGeometry() { return {256, 192, 0, 0}; }
}  // namespace

const DriverInfo SpectrumDriver{
    "SPECTRUM",
    {SpectrumRead, SpectrumWrite, SpectrumPortOut, SpectrumPortIn, SpectrumFrame, nullptr, nullptr, nullptr},
    NmiSource::Fixed,
    0x66,
    SpectrumInitialise,
    SpectrumGeometry,
    LoadSnapshotFile,
    50,
    SpectrumRecordBytes,
    SpectrumCharacterKeys,
    SpectrumKeyboardHelp,
    ReadSpectrumPage,
    SpectrumBoardLine,
    SpectrumTrapMarks,
    SpectrumTrap,
    SpectrumTakeTyping,
    SaveSpectrumSnapshot,
    SpectrumTapeRunning,
    SpectrumRestored,
    SpectrumFileChoice,
    nullptr,
    nullptr,
    {},
    3,
    StoreSpectrumByte,
};

}  // namespace tirvane

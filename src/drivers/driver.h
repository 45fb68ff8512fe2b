// SPDX-License-Identifier: GPL-3.0-or-later
// What a machine driver installs for a run, the state drivers share, and the driver table.
#pragma once

#include <bitset>
#include <cstdint>
#include <span>
#include <type_traits>
#include <string>

#include "video/host.h"
#include "video/tiles.h"
#include "z80/z80.h"

namespace tirvane {

using RoutineFn = void (*)();
using SpriteSetsFn = void (*)(int& count, TileSet**& sets);
using InitialiseFn = void (*)(uint8_t* graphicsRegion);  // GraphicsRegion, 128 KB
// What a load did: Ok, or refused with the reason (naming the file) and nothing changed.
struct LoadResult {
  bool Ok = false;
  std::string Message;
};
// Loads a snapshot or cartridge file into the running machine. A loader opens no dialog and shows
// nothing: the view asks for the file and shows the result's reason.
using FileLoaderFn = LoadResult (*)(const std::string& path);
// How the view asks for a file to load: the dialog's title, its filter ("Description|*.ext"), the
// extension added to a bare name, and the initial file name.
struct FileChoice {
  const char* Title;
  const char* Filter;
  const char* DefaultExtension;
  const char* Pattern;
};

// The keys held together to type one character.
struct KeyChord {
  VirtualKey Keys[2];
  int Count;
};
// The chord that types a character (a Unicode code point, '\n' for Return); false when the
// machine has no way to type it.
using CharacterKeysFn = bool (*)(char32_t character, KeyChord& chord);
// Letters, digits, space and newline on the keys of the same name: how a board without a keyboard
// of its own is typed on.
bool PlainCharacterKeys(char32_t character, KeyChord& chord);

// What a machine shows, at a frame's end, of the keys typed into it. A machine whose program keeps
// its own record of keys fills these in; on the others a key counts as taken once the program has
// looked at it DriverInfo::TypingLooks times while held, and as let go once looked at as often up.
struct TypingSigns {
  // The program has taken the chord held since it was pressed.
  bool (*Taken)(const KeyChord& chord) = nullptr;
  // The keyboard routine still counts the chord's key as down: pressed now, it would not read as new.
  bool (*Remembered)(const KeyChord& chord) = nullptr;
  // The program waits for a new line: at the start and after Return, typing waits for this.
  bool (*Ready)() = nullptr;
};

struct MachineDriver {
  ReadHandlerFn ReadHandler = nullptr;
  WriteHandlerFn WriteHandler = nullptr;
  PortOutHandlerFn PortOutHandler = nullptr;
  PortInHandlerFn PortInHandler = nullptr;
  FrameHandlerFn FrameHandler = nullptr;
  RoutineFn DrawRoutine = nullptr;
  RoutineFn StopRoutine = nullptr;
  SpriteSetsFn SpriteSetsRoutine = nullptr;
};

enum class NmiSource : uint8_t { Description, Fixed };

struct ScreenGeometry {
  int Width, Height, OffsetX, OffsetY;
};

// One row of the driver table. Initialise runs the driver's own initialisation and then its
// decoder, in the order the board needs; it receives GraphicsRegion.
struct DriverInfo {
  const char* Name;  // upper case, as compared with the upper-cased "#driver=" value
  MachineDriver Routines;
  NmiSource Nmi;
  uint16_t FixedNmiAddress;      // when Nmi is Fixed
  InitialiseFn Initialise;       // may be null
  ScreenGeometry (*Geometry)();  // reads the description where the board has variants
  // The Cartridge button's loader; null when the board loads no files.
  FileLoaderFn FileLoader = nullptr;
  int FrameRate = 60;  // frames per second when the speed is limited
  // The board's state record as bytes, for capture and restore; null when the board keeps all of
  // its state in memory.
  std::span<uint8_t> (*Board)() = nullptr;
  CharacterKeysFn CharacterKeys = PlainCharacterKeys;
  // How the PC keyboard maps to the machine's where that is not obvious; null otherwise.
  const char* KeyboardHelp = nullptr;
  // A byte of a memory page that may not be visible ("5:C000": page 5 at C000h); false for a page
  // the machine lacks. Null when the machine has no pages.
  bool (*ReadPaged)(unsigned page, uint16_t address, uint8_t& value) = nullptr;
  // The board's state worth a line beside the registers (the paging port); empty or null: none.
  std::string (*BoardLine)() = nullptr;
  // Program addresses where the driver does a routine's work at once (a ROM's tape loader): the
  // marks, or null while none applies. Trap runs with PC at a marked address; false: it did nothing.
  const std::bitset<0x10000>* (*TrapMarks)() = nullptr;
  bool (*Trap)() = nullptr;
  // Text the last file load asks to have typed (a tape's LOAD command), handed over once.
  std::string (*TakeTyping)() = nullptr;
  // Writes the running machine to a snapshot file chosen by its extension; the reason when it
  // cannot, empty when written.
  std::string (*SaveSnapshot)(const std::string& path) = nullptr;
  // True while the machine would be waited for at its own pace for nothing (a tape playing): the
  // speed limit is lifted until it returns false.
  bool (*FastForward)() = nullptr;
  // Called after a state has been written into the board's record, for what the board keeps beside
  // it (a tape deck's position); null when the record is all there is.
  void (*Restored)() = nullptr;
  // The file the Cartridge button asks for (with FileLoader).
  FileChoice (*LoadChoice)() = nullptr;
  // What the board's initialisation had to do without but ran on regardless (a sound PROM that
  // could not be read): the text for the view to show once; empty when nothing.
  std::string (*TakeNotice)() = nullptr;
  // What the caption shows after "Title [DRIVER]" for the machine as it stands (" mode 2"), as one
  // of the board's constant texts; the run sets the caption when the text changes. Null: nothing.
  const char* (*CaptionSuffix)() = nullptr;
  // How typed keys are paced on this machine (filled from the driver table's typing rows).
  TypingSigns Typing{};
  int TypingLooks = 3;
  // A byte written from outside the program (a debugger edit) where the memory image is only a
  // copy of the board's record (the 128K's pages); null: writing the image is enough.
  void (*StoreOutside)(uint16_t address, uint8_t value) = nullptr;
};

// A board record seen as bytes. Records have no padding, so equal states have equal bytes.
template <typename Record>
std::span<uint8_t> RecordBytes(Record& record) {
  static_assert(std::is_trivially_copyable_v<Record> && std::has_unique_object_representations_v<Record>);
  return {reinterpret_cast<uint8_t*>(&record), sizeof record};
}

// Every board record and the shared driver state back to their values at program start, for tests.
void ResetBoards();

// The rows in comparison order; a name whose driver is not built yet has no row.
std::span<const DriverInfo> DriverTable();
const DriverInfo* FindDriver(const char* upperCaseName);

// Shared driver state.
extern bool ScreenDirty;
extern Tile** CharTiles;  // the Galaxian-family and PHOENIX decoders fill these arrays
extern Tile** SpriteTiles;
extern int CharTileCount;
extern int SpriteTileCount;

}  // namespace tirvane

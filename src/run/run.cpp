// SPDX-License-Identifier: GPL-3.0-or-later
// The emulation run: everything between a description file and a machine running frame after frame.
// Single-threaded by design: other handlers (Stop, Reset, the debugger) run inside the message pump
// between two passes, so the only hand-over is StopRequested.
#include "run/run.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "devices/sound_mixer.h"
#include "machine/description.h"
#include "machine/romset.h"
#include "run/history.h"
#include "video/host.h"
#include "video/screen.h"

namespace tirvane {

bool StopRequested = true;
DebugStateKind DebugState = DebugStateKind::Running;
bool DebugMode = false;
bool BreakpointsEnabled = false;
bool RewindHeld = false;

void ResetRunControls() {
  KeyState.fill(0);
  DebugState = DebugStateKind::Running;
  DebugMode = false;
  BreakpointsEnabled = false;
}

namespace {

std::span<const DriverInfo> extraDrivers;

constexpr uint16_t StartStackPointer = 0xF000;

// A driver row that leaves a bus slot empty still gets a harmless one: the core calls the slots
// without checking them.
uint8_t PlainRead(uint16_t address) { return MemoryImage[address]; }
void PlainWrite(uint8_t value, uint16_t address) { MemoryImage[address] = value; }
void IgnorePortOut(uint8_t, uint8_t) {}
uint8_t IdlePortIn(uint16_t) { return 0xFF; }
void NoFrameWork() {}

const DriverInfo* SelectDriver(const std::string& upperName) {
  // An embedded NUL would make a longer name compare equal to a table name.
  if (upperName.find('\0') != std::string::npos) return nullptr;
  if (const DriverInfo* row = FindDriver(upperName.c_str())) return row;
  for (const DriverInfo& row : extraDrivers)
    if (upperName == row.Name) return &row;
  return nullptr;
}

void ResetGeometry() {
  ScreenWidth = 256;
  ScreenHeight = 256;
  ScreenOffsetX = 0;
  ScreenOffsetY = 0;
}

void Pump() { CurrentHost().pumpMessages(); }

// At a frame's end the instruction address names nothing yet; giving it one value whichever loop
// ended the frame makes a frame run whole and the same frame stepped leave equal machine states,
// which is what lets the history replay a past run by either.
void SettleFrameEnd(Z80Context& z) { z.InstructionAddress = z.PC.w; }

std::string ShortHex(uint32_t value) {
  const std::string text = FormatHex(value, 8);
  return text.substr(std::min(text.find_first_not_of('0'), text.size() - 1));
}

}  // namespace

EmulationRun::EmulationRun() = default;

EmulationRun::~EmulationRun() {
  if (loopActive_) return;  // destroyed from inside its own loop: the loop's caller still owns it
  if (installed_) {
    if (Running()) Stop();
    FinishRun();
  }
}

void EmulationRun::SetExtraDrivers(std::span<const DriverInfo> drivers) { extraDrivers = drivers; }

int EmulationRun::FrameRate() const { return frameRate_; }

StartResult EmulationRun::Fail(std::string message) {
  StopRequested = true;
  FreeGameDescription();
  graphicsRegion_.reset();
  return {false, std::move(message), {}};
}

StartResult EmulationRun::Start(const std::string& descriptionPath) {
  if (loopActive_) return {false, "The previous game is still stopping.", {}};
  // A run that was driven pass by pass and never finished gives its resources back first.
  if (installed_) {
    if (Running()) Stop();
    FinishRun();
  }
  ResetGeometry();

  if (!LoadGameDescription(descriptionPath))
    return Fail("Cannot read the game description:\r" + descriptionPath);
  if (!Game.Refused.empty()) return Fail("Invalid game description:\r" + descriptionPath + "\r" + Game.Refused + ".");
  CurrentHost().setCaption(Game.Title + " [" + Game.Driver + "]");
  captionSuffix_ = nullptr;

  for (Z80Context& context : Z80Contexts) context = Z80Context{};
  Z80Context& z = Z80Contexts[0];
  z.SP.w = StartStackPointer;
  ActiveContext = &z;
  driver_ = MachineDriver{};
  row_ = nullptr;
  driverName_.clear();
  typer_.Cancel();
  descriptionFile_ = descriptionPath.substr(descriptionPath.find_last_of("/\\") + 1);
  frames_ = 0;
  cycles_ = 0;
  paceStarted_ = false;

  graphicsRegion_ = std::make_unique<uint8_t[]>(GraphicsRegionSize);
  // Bytes no ROM covers start at 0 rather than as the previous game left them: a game runs the same
  // whatever ran before it.
  std::fill_n(MemoryImage, MemoryImageSize, uint8_t{0});
  RomLoadResult roms = LoadRomSet(Game, CurrentHost().programFolder(), MemoryImage, graphicsRegion_.get());
  if (!roms.Ok)
    return Fail(roms.Message.empty() ? "Failed when loading ROMS:\r" + roms.FailedPath : roms.Message);

  z.DirectReadLimit = static_cast<uint16_t>(Game.MaxDirectRead);
  z.RomLimit = static_cast<uint16_t>(Game.MaxRom);
  // Below the minimum the frame routine would run more often than the screen could show it; above
  // the maximum the frame's instruction bound would cut frames short.
  const auto frameLength = static_cast<uint32_t>(Game.FrameLength);  // a negative one wraps far above
  if (frameLength < MinFrameLength || frameLength > MaxFrameLength)
    return Fail("The frame length " + ShortHex(static_cast<uint32_t>(Game.FrameLength)) +
                "h (#framecycles=) is out of range: " + ShortHex(MinFrameLength) + "h to " +
                ShortHex(MaxFrameLength) + "h T-states, in " + descriptionPath);
  z.FrameLength = static_cast<uint32_t>(Game.FrameLength);
  z.ExactTiming = UpperAscii(TrimSpaces(Game.Timing)) == "EXACT" ? 1 : 0;
  if (UpperAscii(TrimSpaces(Game.Cpu)) == "EXACT") {
    z.Cpu = CpuModel::Silicon;
    z.ExactTiming = 1;
  }

  const DriverInfo* row = SelectDriver(UpperAscii(Game.Driver));
  if (!row) {
    // A file of random bytes has no driver line at all; saying which file and why lets the user fix it.
    if (Game.Driver.empty())
      return Fail("Invalid Driver:\r" + descriptionPath + "\rThe file has no #driver= line.");
    return Fail("Invalid Driver:\r" + Game.Driver + "\rNo driver of that name, named in " + descriptionPath);
  }

  driver_ = row->Routines;
  row_ = row;
  romChecksum_ = roms.Checksum;
  driverName_ = row->Name;
  frameRate_ = row->FrameRate;
  z.ReadHandler = driver_.ReadHandler ? driver_.ReadHandler : PlainRead;
  z.WriteHandler = driver_.WriteHandler ? driver_.WriteHandler : PlainWrite;
  z.PortOutHandler = driver_.PortOutHandler ? driver_.PortOutHandler : IgnorePortOut;
  z.PortInHandler = driver_.PortInHandler ? driver_.PortInHandler : IdlePortIn;
  z.FrameHandler = driver_.FrameHandler ? driver_.FrameHandler : NoFrameWork;
  z.MemoryImage = MemoryImage;
  z.NmiAddress = row->Nmi == NmiSource::Fixed ? row->FixedNmiAddress : static_cast<uint16_t>(Game.NmiInt);
  FrameSound.Configure(FrameRate(), z.FrameLength);

  if (row->Initialise) row->Initialise(graphicsRegion_.get());
  if (row->Geometry) {
    const ScreenGeometry g = row->Geometry();
    ScreenWidth = g.Width;
    ScreenHeight = g.Height;
    ScreenOffsetX = g.OffsetX;
    ScreenOffsetY = g.OffsetY;
  }

  CreateScreenBitmap();
  installed_ = true;
  StopRequested = false;
  if (History) History->Begin();
  return {true, {}, row->TakeNotice ? row->TakeNotice() : std::string{}};
}

// Every frame closes the sound's frame too, so that each frame yields its samples, silent boards'
// included, and a capture is as long as the run.
void EmulationRun::FrameDone() {
  ++frames_;
  FrameSound.EndFrame();
  if (typer_.Busy()) typer_.FrameEnded();
  if (row_ && row_->CaptionSuffix) FollowCaption();
}

// The board's text follows the run's caption rather than replacing it, so the title stays in view;
// it is set only when the text changes, so frames in between never allocate.
void EmulationRun::FollowCaption() {
  const char* suffix = row_->CaptionSuffix();
  if (suffix == captionSuffix_) return;
  captionSuffix_ = suffix;
  CurrentHost().setCaption(Game.Title + " [" + Game.Driver + "]" + suffix);
}

// Sound is heard only while the machine runs at its own pace; otherwise the samples are dropped and
// the output stays silent rather than stuttering.
void EmulationRun::DeliverSound() {
  std::vector<int16_t>& samples = FrameSound.Pending();
  if (samples.empty()) return;
  const bool audible = LimitSpeed && !DebugMode && DebugState == DebugStateKind::Running && !StopRequested;
  if (SoundOut) SoundOut(samples, audible);
  samples.clear();
}

void EmulationRun::RunPass() {
  RunPassFrames();
  DeliverSound();
}

// One instruction, with the T-states it spent added to the figures.
void EmulationRun::StepCounted() {
  Z80Context& z = *ActiveContext;
  if (row_ && row_->TrapMarks) {
    const std::bitset<0x10000>* traps = row_->TrapMarks();
    if (traps && (*traps)[z.PC.w] && row_->Trap()) return;
  }
  const uint32_t before = z.CycleCount;
  StepInstruction(1);
  const uint32_t after = z.CycleCount;
  if (after >= before) {
    cycles_ += after - before;
  } else {  // the frame ended inside this step and the count went back to 0
    cycles_ += LastFrameLength - before;
    FrameDone();
    SettleFrameEnd(z);
  }
}

void EmulationRun::RunPassFrames() {
  if (StopRequested) return;
  Z80Context& z = *ActiveContext;

  if (DebugState == DebugStateKind::Paused) {
    PresentScreen();
    Pump();
    return;
  }

  // Whatever else set the keys (a key let go on the PC), the typed chord stays held.
  if (typer_.Busy()) typer_.Hold();
  if (RewindHeld && History) {
    // A frame back a pass, paced like the game itself; at the start of the history it waits there.
    History->RewindFrames(1);
    PaceFrame();
    Pump();
    return;
  }
  if (History) History->BeforeExecute();

  if (Debugger != nullptr && Debugger->Active()) {
    Debugger->Pass(*this);
    return;
  }

  if (DebugMode) {
    if (BreakpointsEnabled && BreakpointCheck) BreakpointCheck();
    if (RefreshRegisters) RefreshRegisters();
    if (StopRequested) return;  // a hook may pump, and a Stop there takes the screen away
    const uint64_t framesBefore = frames_;
    StepCounted();
    if (DebugState == DebugStateKind::Step) DebugState = DebugStateKind::Paused;
    if (StopRequested) return;
    DebugRedrawNow();
    // Paced like free run, but only while running on: a single step never waits.
    if (frames_ != framesBefore && DebugState == DebugStateKind::Running) PaceFrame();
    Pump();
    return;
  }

  if (BreakpointsEnabled) {
    // The check runs before each instruction, but it can only hit where the list names PC: the core
    // runs on to the next such address, or to the frame's end, without a pass per instruction.
    const bool check = BreakpointCheck && (BreakpointMarks == nullptr || (*BreakpointMarks)[z.PC.w]);
    if (check || BreakpointMarks == nullptr) {
      if (check) BreakpointCheck();
      if (StopRequested) return;
      StepCounted();
      // A check may change the mode (a hit pauses and switches Debug on): the next pass decides.
      if (z.CycleCount != 0) return;
    } else if (RunUntilCounted(*BreakpointMarks)) {
      return;
    }
    PaceFrame();
    Pump();
    return;
  }

  ExecuteFrame();
  PaceFrame();
  Pump();
}

bool EmulationRun::RunUntilCounted(const std::bitset<0x10000>& stops) {
  Z80Context& z = *ActiveContext;
  const uint32_t before = z.CycleCount;
  if (RunFrameUntil(1, stops)) {
    cycles_ += z.CycleCount - before;
    return true;
  }
  cycles_ += LastFrameLength - before;
  FrameDone();
  SettleFrameEnd(z);
  return false;
}

void EmulationRun::ExecuteFrame() {
  Z80Context& z = *ActiveContext;
  if (const std::bitset<0x10000>* traps = row_ && row_->TrapMarks ? row_->TrapMarks() : nullptr) {
    // The instruction at a trap the driver declined runs, so the loop always moves on.
    const uint32_t before = z.CycleCount;
    while (RunFrameUntil(1, *traps)) row_->Trap();
    cycles_ += LastFrameLength - before;
    FrameDone();
    SettleFrameEnd(z);
    return;
  }
  RunFrame(1);
  cycles_ += z.CycleCount;
  // A step after a free-run frame begins a new frame instead of ending the one just finished.
  z.CycleCount = 0;
  FrameDone();
  SettleFrameEnd(z);
}

void EmulationRun::DebugRedrawNow() {
  if (DebugRedraw)
    DebugRedraw();
  else
    Redraw();
}

std::string EmulationRun::TypeText(std::string_view utf8, const TypingPace& pace) {
  if (!Running()) return {};
  const TypingProbe probe{row_ ? row_->Typing : TypingSigns{}, row_ ? row_->TypingLooks : 1};
  return SkippedCharactersMessage(typer_.Type(utf8, row_ ? row_->CharacterKeys : nullptr, probe, pace));
}

// Waits for the frame's deadline in short sleeps, pumping between them so the windows stay live.
void EmulationRun::PaceFrame() {
  using Clock = std::chrono::steady_clock;
  if (!LimitSpeed || (row_ && row_->FastForward && row_->FastForward())) {
    paceStarted_ = false;
    return;
  }
  const auto period = std::chrono::nanoseconds(1'000'000'000LL / FrameRate());
  auto now = Clock::now();
  // After a stall (a dialog, a breakpoint) the schedule restarts instead of racing to catch up.
  if (!paceStarted_ || now - nextFrame_ > 4 * period) {
    nextFrame_ = now;
    paceStarted_ = true;
  }
  nextFrame_ += period;
  constexpr auto slice = std::chrono::milliseconds(2);
  while (!StopRequested && (now = Clock::now()) < nextFrame_) {
    Pump();
    std::this_thread::sleep_until(std::min(nextFrame_, now + slice));
  }
}

void EmulationRun::RunLoop() {
  if (loopActive_) return;
  loopActive_ = true;
  struct LoopGuard {
    bool& active;
    ~LoopGuard() { active = false; }
  } guard{loopActive_};
  while (!StopRequested) RunPass();
  loopActive_ = false;
  FinishRun();
}

void EmulationRun::FinishRun() {
  if (!installed_) return;
  installed_ = false;
  const RoutineFn stop = driver_.StopRoutine;
  driver_.StopRoutine = nullptr;
  driver_.DrawRoutine = nullptr;
  driver_.SpriteSetsRoutine = nullptr;
  if (stop) stop();
  graphicsRegion_.reset();
}

void EmulationRun::Stop() {
  typer_.Cancel();
  ResetGeometry();
  StopRequested = true;
  if (History) History->Clear();
  FreeGameDescription();
  if (Screen) FreeScreenBitmap();
}

void EmulationRun::Reset() {
  if (!Running()) return;
  ActiveContext->SP.w = StartStackPointer;
  ActiveContext->PC.w = 0;
  if (History) History->Begin();
}

LoadResult EmulationRun::Cartridge() {
  if (!LoadsFiles()) return {};
  const FileChoice choice = row_->LoadChoice();
  Host& host = CurrentHost();
  std::string folder = Game.CartridgeDir;
  std::replace(folder.begin(), folder.end(), '\\', '/');
  if (folder.empty() || folder.front() != '/') folder = host.programFolder() + folder;
  const std::optional<std::string> path =
      host.openFileDialog({choice.Title, choice.Filter, choice.DefaultExtension, folder, choice.Pattern});
  LoadResult loaded = path ? LoadFile(*path) : LoadResult{};
  if (!host.setCurrentFolder(host.programFolder())) host.messageBox("Failed changing directory...");
  return loaded;
}

LoadResult EmulationRun::LoadFile(const std::string& path) {
  if (!Running() || !row_ || !row_->FileLoader)
    return {false, "Start a game that loads snapshots or cartridges first:\r" + path};
  LoadResult loaded = row_->FileLoader(path);
  if (row_->TakeTyping) {
    const std::string text = row_->TakeTyping();
    if (!text.empty()) TypeText(text);
  }
  if (History) History->MarkOutsideChange();
  return loaded;
}

void EmulationRun::Redraw() {
  if (!Running()) return;
  if (driver_.DrawRoutine) driver_.DrawRoutine();
  PresentScreen();
}

}  // namespace tirvane

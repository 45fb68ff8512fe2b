// SPDX-License-Identifier: GPL-3.0-or-later
// The Z80 processor core: the processor record, its bus and the execution entry points.
// The core knows nothing of machines: a driver fills the five handler slots and the two limits.
// Bus handlers run inside an instruction: they may read the record (PC and CycleCount are current)
// and may write NmiRequest and IrqState, but must leave everything else, the limits, MemoryImage and
// the handler slots included, to the frame handler or to code between core calls.
#pragma once

#include <bitset>
#include <cstdint>

namespace tirvane {

using ReadHandlerFn = uint8_t (*)(uint16_t address);
using WriteHandlerFn = void (*)(uint8_t value, uint16_t address);
using PortOutHandlerFn = void (*)(uint8_t value, uint8_t port);
using PortInHandlerFn = uint8_t (*)(uint16_t port);  // low byte: port number, high byte: upper address lines
using FrameHandlerFn = void (*)();

// A register pair; the byte halves alias the word (little-endian host).
union RegisterPair {
  uint16_t w;
  struct {
    uint8_t l;
    uint8_t h;
  };
};

// Maskable-interrupt group that drivers write as one value: DataBus in bits 0-7, DataBusOp in 16-23,
// IrqDone in 24-31. 0x01000000 forbids an interrupt; a byte value v raises the line with v on the bus.
union IrqGroup {
  uint32_t Value;
  struct {
    uint8_t DataBus;
    uint8_t Unused;
    uint8_t DataBusOp;
    uint8_t IrqDone;
  };
};

// Flag bits of F.
enum : uint8_t {
  FlagC = 0x01,
  FlagN = 0x02,
  FlagPV = 0x04,
  FlagUD3 = 0x08,
  FlagH = 0x10,
  FlagUD5 = 0x20,
  FlagZ = 0x40,
  FlagS = 0x80,
};

// Which processor executes: the core's original one (EI runs the next instruction inside itself,
// block instructions run to their end in one step, interrupts only at frame ends), or the NMOS
// Zilog part as the silicon behaves (MEMPTR, Q, one block iteration per step, /INT sampled at every
// instruction boundary). Both exist because recorded pictures, held-out results and timings were
// made with the first, while real programs that probe the processor need the second.
enum class CpuModel : uint8_t { Original = 0, Silicon = 1 };

// Why the next instruction boundary accepts no interrupt: an EI just ran (maskable ones only), a
// prefix chain was cut short (none at all). LdAir marks LD A,I / LD A,R for the P/V quirk.
enum : uint8_t { BoundaryAfterEi = 0x01, BoundaryInPrefix = 0x02, BoundaryAfterLdAir = 0x04 };

constexpr int ProcessorCount = 10;
// The frame length of a record that is not told its machine's own.
constexpr uint32_t FrameCycles = 50000;

struct Z80Context {
  RegisterPair AF, BC, DE, HL, IX, IY, PC, SP;
  RegisterPair AltAF, AltBC, AltDE, AltHL;
  uint8_t IFF1, IFF2;  // adjacent: acceptance tests and clears them together
  uint8_t I, R;
  uint32_t CycleCount;       // 32 bits: a frame may be longer than 65,535 T-states
  uint16_t RomLimit;         // writes below are dropped before any handler sees them
  uint16_t DirectReadLimit;  // reads up to and including it come from MemoryImage; FFFFh: none do
  uint8_t* MemoryImage;      // 65,536 bytes; the core writes it only on plain RAM pages (below)
  ReadHandlerFn ReadHandler;
  WriteHandlerFn WriteHandler;
  PortOutHandlerFn PortOutHandler;
  PortInHandlerFn PortInHandler;
  FrameHandlerFn FrameHandler;
  uint16_t NmiAddress;
  uint16_t Halted;
  uint16_t InterruptMode;  // a code: 0 mode 0, 1 and 2 mode 1, 3 mode 2
  uint32_t NmiRequest;
  IrqGroup IrqState;
  // Instructions stepped since the frame began, each repetition of a block instruction counted as
  // one; StepInstruction ends a frame at MaxFrameInstructions.
  uint32_t FrameInstructions;
  // Where the instruction in progress began, kept by StepInstruction and RunFrameUntil (not by
  // RunFrame), so that a bus handler watching accesses can name the instruction that made one.
  uint16_t InstructionAddress;
  // T-states per frame: the machine's clock divided by its frame rate. The frame loop reads it once
  // per frame, StepInstruction at every step.
  uint32_t FrameLength = FrameCycles;
  // Nonzero: T-states as the processor spends them (taken branches, each block repetition, prefixes,
  // interrupt acceptance); 0: the fixed tables. Set before running; the core never changes it.
  uint8_t ExactTiming;
  // Set before running; Silicon implies exact timing. The fields below it are that processor's own.
  CpuModel Cpu = CpuModel::Original;
  uint8_t Boundary;  // Boundary* bits of the instruction just run
  uint8_t Q;         // the flags the last instruction computed, 0 when it computed none
  uint8_t LastQ;     // Q as it stood before the instruction in progress (SCF and CCF read it)
  uint16_t MemPtr;   // the internal WZ register
  // T-states from the frame start during which the board holds /INT; 0: until it is accepted.
  uint32_t IntHoldCycles;
  // The Original processor runs the instruction after an enabling EI inside the EI: InlineRan says
  // one ran (the debugger clears it), InlineAddress where. The stepping loop of RunFrameUntil stops
  // right after it when its address is marked.
  uint8_t InlineRan;
  uint16_t InlineAddress;
  // The upper address lines of the port write in progress (A, or B as the instruction puts it on
  // the bus), for boards that decode more than the port number; set just before PortOutHandler.
  uint8_t PortOutHigh;
  // Plain RAM: pages of 256 bytes (PlainRamPages[address >> 8] nonzero) on which the board's write
  // handler does nothing but store into MemoryImage. While WriteHandler is still PlainRamWriter, the
  // frame loops store there themselves, saving a call per write; once a wrapper stands in its place
  // (watchpoints, the history's search for a write) every write reaches the handlers again. Read when
  // a frame loop starts. Null: every write at or above RomLimit reaches WriteHandler.
  const uint8_t* PlainRamPages = nullptr;
  WriteHandlerFn PlainRamWriter = nullptr;
};

// A frame also ends after this many instructions: a program looping over instructions that cost
// 0 T-states (long prefix chains, DD 00, undefined ED codes) would otherwise never yield, and one
// looping over block instructions (16 T-states for up to 65,536 iterations, each counted here) would
// hold the window for seconds. An ordinary frame holds at most a quarter of its FrameLength in
// instructions (4 T-states each) or a few thousand block iterations, so no real timing is affected
// up to a frame of 800,000 T-states.
constexpr uint32_t MaxFrameInstructions = 200000;

// T-states the last finished frame ran, its overshoot past FrameLength and the interrupt taken at
// its end included, whichever entry point finished it: a step that ends a frame leaves CycleCount at 0.
extern uint32_t LastFrameLength;

// Processors are numbered 1 to 10; only processor 1 is used.
extern Z80Context Z80Contexts[ProcessorCount];
extern Z80Context* ActiveContext;

// execute.cpp
// Runs instructions until CycleCount reaches FrameLength, then the frame event. A processor number
// outside 1-10 does nothing.
void RunFrame(uint16_t processor);
// Runs one instruction; at the frame budget, the frame event and CycleCount back to 0.
void StepInstruction(uint16_t processor);
// Runs on within the frame, as single steps would, until the next instruction's address is marked
// in stops (true: it has not run) or the frame budget is reached (false: the frame event made and
// CycleCount back to 0). The instruction at the starting address always runs. The breakpoint loop:
// marked addresses cost one bit test per instruction instead of a step each.
bool RunFrameUntil(uint16_t processor, const std::bitset<0x10000>& stops);
// Executes one instruction (the R increment is the caller's, as in RunFrame and StepInstruction).
void ExecuteOne(Z80Context& z);

// silicon.cpp: the Silicon processor's entry points, reached through the ones above.
void SiliconRunFrame(Z80Context& z);
bool SiliconRunUntil(Z80Context& z, const std::bitset<0x10000>* stops);
void SiliconExecuteOne(Z80Context& z);
// Takes an NMI or a maskable interrupt at the instruction boundary just reached, if one is due;
// frameStart: the board has just raised its lines, so the /INT window is open.
void SiliconAcceptInterrupt(Z80Context& z, bool frameStart);

// interrupts.cpp
// Calls FrameHandler, then AcceptInterrupt.
void FrameEvent(Z80Context& z);
// Takes a pending NMI or maskable interrupt; called at frame end and after an enabling EI.
void AcceptInterrupt(Z80Context& z);

// bus.cpp: the only path from an instruction to memory and ports.
uint8_t ReadByte(Z80Context& z, uint16_t address);
void WriteByte(Z80Context& z, uint16_t address, uint8_t value);
void PortOut(Z80Context& z, uint8_t port, uint8_t value, uint8_t high = 0);
uint8_t PortIn(Z80Context& z, uint8_t low, uint8_t high);

}  // namespace tirvane

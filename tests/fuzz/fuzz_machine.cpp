// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary memory run as a program for a few frames under one driver's handlers, with random
// address limits, interrupt modes and requests: whatever the program does, the core and the
// driver's handlers and frame routine stay inside their buffers.
#include <bitset>
#include <cstddef>
#include <cstdint>

#include "machine_harness.h"

using namespace tirvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ByteReader in(data, size);
  fuzz::Machine machine(fuzz::PickDriver(in), in);
  Z80Context& z = machine.Context();

  // The limits the description set, or any others: the bus must hold for every pair.
  if (in.Byte() & 1) {
    z.DirectReadLimit = in.Word();
    z.RomLimit = in.Word();
  }
  const int frames = 1 + in.Byte() % 2;
  uint8_t interrupts[2][4];
  for (auto& frame : interrupts)
    for (uint8_t& byte : frame) byte = in.Byte();
  // The debugger's breakpoint loop is a second copy of the frame loop: it gets its own marks.
  std::bitset<0x10000> stops;
  for (int i = 0; i < 4; ++i) stops[in.Word()] = true;
  z.I = in.Byte();
  fuzz::Fill(MemoryImage, MemoryImageSize, in);
  fuzz::OverlayMemory(in);

  for (int f = 0; f < frames; ++f) {
    // Bits 0-1 mode code, bit 2 enabled; then an NMI and a maskable request on top of what the
    // frame routine asked for, and an interrupt taken before the frame starts.
    const uint8_t* request = interrupts[f];
    z.InterruptMode = request[0] & 3;
    z.IFF1 = z.IFF2 = (request[0] >> 2) & 1;
    if (request[0] & 0x10) z.NmiRequest = 1;
    if (request[0] & 0x20) z.IrqState.Value = request[1];
    if (request[0] & 0x40) z.IrqState.Value = static_cast<uint32_t>(request[2]) << 24 | request[1];
    if (request[0] & 0x80) AcceptInterrupt(z);
    // The free-run loop, the breakpoint loop going on after each stop as the debugger does, or
    // single steps: the three ways the run executes a frame.
    switch (request[3] % 3) {
      case 0:
        RunFrame(1);
        break;
      case 1:
        for (int taken = 0; taken < 64 && RunFrameUntil(1, stops); ++taken) {
        }
        break;
      default:
        for (int i = 0; i < 4096; ++i) StepInstruction(1);
    }
  }
  return 0;
}

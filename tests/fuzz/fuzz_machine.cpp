// Arbitrary memory run as a program for a few frames under one driver's handlers, with random
// address limits, interrupt modes and requests: whatever the program does, the core and the
// driver's handlers and frame routine stay inside their buffers.
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
  uint8_t interrupts[2][3];
  for (auto& frame : interrupts)
    for (uint8_t& byte : frame) byte = in.Byte();
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
    RunFrame(1);
  }
  return 0;
}

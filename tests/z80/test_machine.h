// SPDX-License-Identifier: GPL-3.0-or-later
// A bare machine around processor 1 for the core tests: 64 KB of RAM behind the handlers, and a log
// of every write and port access in the order the core made them.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "z80/z80.h"

namespace tirvane::testing {

struct BusLog {
  std::vector<uint16_t> reads;
  std::vector<std::pair<uint16_t, uint8_t>> writes;     // address, value
  std::vector<uint16_t> portReads;                      // 16-bit port as the handler saw it
  std::vector<std::pair<uint8_t, uint8_t>> portWrites;  // port, value
  int frames = 0;

  void clear() { *this = BusLog{}; }
};

// A port's input value: a fixed function of all 16 address lines, so a wrong high byte shows.
constexpr uint8_t portValue(uint16_t port) {
  return static_cast<uint8_t>((port >> 8) * 7 + (port & 0xFF) * 3 + 1);
}

class TestMachine {
 public:
  // Clears processor 1 as the emulation start does and routes every access through the handlers.
  TestMachine() {
    instance_ = this;
    memory.fill(0);
    Z80Contexts[0] = Z80Context{};
    z.SP.w = 0xF000;
    z.RomLimit = 0;
    z.DirectReadLimit = 0xFFFF;
    z.MemoryImage = memory.data();
    z.ReadHandler = [](uint16_t a) {
      instance_->log.reads.push_back(a);
      return instance_->memory[a];
    };
    z.WriteHandler = [](uint8_t v, uint16_t a) {
      instance_->log.writes.emplace_back(a, v);
      instance_->memory[a] = v;
    };
    z.PortOutHandler = [](uint8_t v, uint8_t p) { instance_->log.portWrites.emplace_back(p, v); };
    z.PortInHandler = [](uint16_t p) {
      instance_->log.portReads.push_back(p);
      return instance_->portInput ? instance_->portInput(p) : portValue(p);
    };
    z.FrameHandler = [] {
      ++instance_->log.frames;
      if (instance_->onFrame) instance_->onFrame(instance_->z);
    };
  }

  void load(uint16_t address, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) memory[address++] = b;
  }

  // Places the bytes at PC and runs one StepInstruction.
  void run(std::initializer_list<uint8_t> bytes) {
    load(z.PC.w, bytes);
    StepInstruction(1);
  }

  Z80Context& z = Z80Contexts[0];
  std::array<uint8_t, 65536> memory{};
  BusLog log;
  uint8_t (*portInput)(uint16_t) = nullptr;
  void (*onFrame)(Z80Context&) = nullptr;

 private:
  static inline TestMachine* instance_ = nullptr;
};

}  // namespace tirvane::testing

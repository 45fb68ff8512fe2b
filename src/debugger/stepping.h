// SPDX-License-Identifier: GPL-3.0-or-later
// How the debugger's steps read the program: where "Step over" lands after an instruction, which
// instructions return, where a branch goes. Pure functions of the memory image.
#pragma once

#include <cstdint>
#include <optional>

namespace tirvane {

struct StepOverPlan {
  enum class Kind : uint8_t {
    Single,     // an ordinary instruction: one step
    RunTo,      // CALL, RST, DJNZ, the repeating block instructions: run until PC is Target with
                // the stack back where it was
    Interrupt,  // HALT: run until an interrupt takes the processor out of it
  };
  Kind What = Kind::Single;
  uint16_t Target = 0;
};

// The repeating block instructions (LDIR and the rest) run to the next instruction: the original
// processor gets there in one step, the Silicon one in one step per iteration.
StepOverPlan PlanStepOver(const uint8_t* memory, uint16_t pc);
// RET, RET cc, RETI, RETN (with or without a DD/FD prefix before it).
bool IsReturn(const uint8_t* memory, uint16_t pc);
// Where JP nn, JP cc,nn, JR, JR cc, DJNZ, CALL, CALL cc or RST at pc goes when it branches.
std::optional<uint16_t> BranchTarget(const uint8_t* memory, uint16_t pc);

}  // namespace tirvane

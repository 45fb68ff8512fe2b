// SPDX-License-Identifier: GPL-3.0-or-later
// Each board's handlers hand the right bus writes, and only those, to its sound devices.
#include <gtest/gtest.h>

#include "drivers/coleco.h"
#include "drivers/gberet.h"
#include "drivers/home_computer.h"
#include "drivers/ladybug.h"
#include "drivers/pacman.h"

namespace tirvane {
namespace {

TEST(SoundWiring, EachBoardsWritesReachItsSoundDevice) {
  Z80Contexts[0] = Z80Context{};
  ActiveContext = &Z80Contexts[0];
  ResetBoards();

  SpectrumPortOut(0x18, 0xFE);
  SpectrumPortOut(0x00, 0xFF);  // an odd port is not the machine's own
  EXPECT_EQ(Spectrum.Sound.Lines, 0x18);

  Coleco.Sound.Reset(ToneGenerator::ColecoClock);
  ColecoPortOut(0x9A, 0xFF);
  ColecoPortOut(0x95, 0xBF);  // the video chip's port
  EXPECT_EQ(Coleco.Sound.Attenuation[0], 0x0A);

  PacmanDriver.Routines.WriteHandler(0x1C, 0x505A);
  PacmanDriver.Routines.WriteHandler(0x01, 0x5001);
  PacmanDriver.Routines.WriteHandler(0x07, 0x5060);  // sprite coordinates, past the registers
  EXPECT_EQ(Pacman.Sound.Volume(1), 0x0C);
  EXPECT_EQ(Pacman.Sound.Enabled, 1);
  EXPECT_EQ(Pacman.Sound.Registers[0x1F], 0);

  for (ToneGenerator& chip : Ladybug.Sound) chip.Reset(4000000);
  LadybugDriver.Routines.WriteHandler(0x9A, 0xB000);
  LadybugDriver.Routines.WriteHandler(0xBB, 0xC123);
  EXPECT_EQ(Ladybug.Sound[0].Attenuation[0], 0x0A);
  EXPECT_EQ(Ladybug.Sound[1].Attenuation[1], 0x0B);

  Gberet.Sound.Reset(1536000);
  GberetDriver.Routines.WriteHandler(0x9C, 0xF400);
  GberetDriver.Routines.WriteHandler(0x93, 0xF401);
  EXPECT_EQ(Gberet.Sound.Attenuation[0], 0x0C);
}

}  // namespace
}  // namespace tirvane

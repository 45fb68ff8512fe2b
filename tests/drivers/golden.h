// Golden pictures: a description runs headless for a number of frames with scripted keys, and the
// visible region must equal a committed indexed PNG pixel for pixel (palette indices compared).
// Regenerate after a deliberate change with TIRVANE_UPDATE_GOLDENS=1, then look at every new picture.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace tirvane::testing {

// iniName: a description file in the bin folder (e.g. "invaders_demo.ini").
// keys: the headless runner's --keys syntax ("1-30:Left+Ctrl,40-40:3"), may be empty.
// goldenName: file name under tests/drivers/golden/.
::testing::AssertionResult MatchesGolden(const std::string& iniName, int frames, const std::string& keys,
                                         const std::string& goldenName);

}  // namespace tirvane::testing

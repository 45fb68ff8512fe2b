// SPDX-License-Identifier: GPL-3.0-or-later
// Golden pictures: a description runs headless for a number of frames with scripted keys, and the
// visible region must equal a committed indexed PNG pixel for pixel (palette indices compared).
// Regenerate after a deliberate change with TIRVANE_UPDATE_GOLDENS=1, then look at every new picture.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "video/png_image.h"

namespace tirvane::testing {

// iniName: a description file in the bin folder (e.g. "invaders_demo.ini"), or an absolute path.
// keys: the headless runner's --keys syntax ("1-30:Left+Ctrl,40-40:3"), may be empty.
// goldenName: file name under tests/drivers/golden/.
// On a mismatch the actual picture is written to golden-actual/ in the build folder.
::testing::AssertionResult MatchesGolden(const std::string& iniName, int frames, const std::string& keys,
                                         const std::string& goldenName);

// A picture made by the test itself against the committed golden, with the same update rule.
::testing::AssertionResult MatchesGoldenPicture(const IndexedImage& picture, const std::string& goldenName);

// The colours of `groups` lookup groups of `pens` pens from ColourLookup[first], a row per group and
// an 8 x 8 block per pen, as the screen indexes them: for groups the demo pictures cannot show.
IndexedImage ColourGroupSheet(int first, int groups, int pens);

// Same size and same palette index at every pixel; palette colours must agree for every index a
// pixel uses (the others may keep whatever an earlier run left in the colour table).
::testing::AssertionResult SamePicture(const IndexedImage& actual, const IndexedImage& expected);

}  // namespace tirvane::testing

// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/run_controls.h"

namespace tirvane {

RunControls& Controls() {
  static RunControls controls;
  return controls;
}

}  // namespace tirvane

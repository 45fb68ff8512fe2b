; SPDX-License-Identifier: GPL-3.0-or-later
; LADYBUG demo graphics, stored as the screen shows them ("#drvtag=" not 0).
UPRIGHT EQU 0
        INCLUDE "gfx.inc"

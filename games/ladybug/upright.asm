; SPDX-License-Identifier: GPL-3.0-or-later
; LADYBUG demo for the upright screen ("#drvtag=" 0).
UPRIGHT EQU 1
        INCLUDE "demo.inc"

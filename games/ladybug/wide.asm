; SPDX-License-Identifier: GPL-3.0-or-later
; LADYBUG demo for the wide screen ("#drvtag=" not 0).
UPRIGHT EQU 0
        INCLUDE "demo.inc"

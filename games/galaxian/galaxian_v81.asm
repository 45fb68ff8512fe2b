; SPDX-License-Identifier: GPL-3.0-or-later
; GALAXIAN demo, variant 81 (colour table B; sprite bank).
BOARD   EQU 1
VARIANT EQU 81
VRAM    EQU 5000h
ATTR    EQU 5800h
SPRRAM  EQU 5840h
BULRAM  EQU 5860h
NMIEN   EQU 7001h
STARS   EQU 7004h
        INCLUDE "demo.inc"

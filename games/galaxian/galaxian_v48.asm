; SPDX-License-Identifier: GPL-3.0-or-later
; GALAXIAN demo, variant 48 (colour table D; inputs at A000h and A800h; sprite code extension).
BOARD   EQU 1
VARIANT EQU 48
VRAM    EQU 5000h
ATTR    EQU 5800h
SPRRAM  EQU 5840h
BULRAM  EQU 5860h
NMIEN   EQU 7001h
STARS   EQU 7004h
        INCLUDE "demo.inc"

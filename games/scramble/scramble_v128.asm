; SPDX-License-Identifier: GPL-3.0-or-later
; SCRAMBLE demo, variant 128: horizontal bullets and a starfield that does not scroll.
BOARD   EQU 2
VARIANT EQU 80h
VRAM    EQU 4800h
ATTR    EQU 5000h
SPRRAM  EQU 5040h
BULRAM  EQU 5060h
NMIEN   EQU 6801h
STARS   EQU 6804h
        INCLUDE "../galaxian/demo.inc"

; The last ROM byte: the program's write to it must not change it.
        ORG 3FFFh
        DB 0A5h

; SPDX-License-Identifier: GPL-3.0-or-later
; Character and sprite ROM of the FROGGER demo: the Galaxian-family demo graphics (font, solid
; pens, sprites that show their own code), with character 10h made ripples in pen 1. The game
; fills empty cells with 10h: the board draws it in the river and leaves it out below.
HI0     EQU 0000h
LO0     EQU 0800h
HI1     EQU 1000h
LO1     EQU 1800h
        INCLUDE "../galaxian/gfx.inc"

; Two rows of ripples in pen 1 (source byte y is screen column 7 - y, bit b screen row 7 - b).
        ORG HI0+10h*8
        DS 8,0
        ORG LO0+10h*8
        DB 22h,22h,14h,14h,22h,22h,14h,14h

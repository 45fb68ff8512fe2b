; SPDX-License-Identifier: GPL-3.0-or-later
; The same graphics in the order of a variant-80 board, loaded at 3000h of the graphics region:
; the run moves 3000h-37FFh to 0800h, 3800h to 1800h, 4000h to 0000h and 4800h to 1000h before
; decoding, so this file holds bank 0 low, bank 1 low, bank 0 high, bank 1 high.
LO0     EQU 0000h
LO1     EQU 0800h
HI0     EQU 1000h
HI1     EQU 1800h
        INCLUDE "gfx.inc"

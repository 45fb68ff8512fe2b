; SPDX-License-Identifier: GPL-3.0-or-later
; Character and sprite ROM of the Galaxian-family demos, in the order the decoder reads it:
; bank 0 at 0000h (high plane) and 0800h (low plane), bank 1 at 1000h and 1800h.
HI0     EQU 0000h
LO0     EQU 0800h
HI1     EQU 1000h
LO1     EQU 1800h
        INCLUDE "gfx.inc"

; SPDX-License-Identifier: GPL-3.0-or-later
; Graphics ROM of the GBERET demo: 512 characters at 0000h, sprite bank 1 at 4000h and sprite
; bank 2 at 0C000h. Pixels are four bits, two a byte, the left one in the high nibble; a
; character is 8 rows of 4 bytes, a sprite four such 8 x 8 quarters (top left, top right,
; bottom left, bottom right). The board draws no sprites: they are here for the set viewer.

CHARBASE        EQU     0000h
SPRITE1         EQU     4000h
SPRITE2         EQU     0C000h
FONTPEN         EQU     1

; One font row: pen FONTPEN where a bit is set (or, inverted, where it is clear).
GROW    MACRO   bits, inverse
GB      DEFL    (bits) XOR (inverse)
        DB      ((GB SHR 7) AND 1) * FONTPEN * 16 + ((GB SHR 6) AND 1) * FONTPEN
        DB      ((GB SHR 5) AND 1) * FONTPEN * 16 + ((GB SHR 4) AND 1) * FONTPEN
        DB      ((GB SHR 3) AND 1) * FONTPEN * 16 + ((GB SHR 2) AND 1) * FONTPEN
        DB      ((GB SHR 1) AND 1) * FONTPEN * 16 + (GB AND 1) * FONTPEN
        ENDM

; Each glyph goes in twice: as drawn in the first bank, inverted in the second (codes 100h up).
GLYPH   MACRO   code, r0, r1, r2, r3, r4, r5, r6, r7
        ORG     CHARBASE + (code) * 32
        GROW    r0, 0
        GROW    r1, 0
        GROW    r2, 0
        GROW    r3, 0
        GROW    r4, 0
        GROW    r5, 0
        GROW    r6, 0
        GROW    r7, 0
        ORG     CHARBASE + (100h + (code)) * 32
        GROW    r0, 0FFh
        GROW    r1, 0FFh
        GROW    r2, 0FFh
        GROW    r3, 0FFh
        GROW    r4, 0FFh
        GROW    r5, 0FFh
        GROW    r6, 0FFh
        GROW    r7, 0FFh
        ENDM

; Sprite rows, top first, each as four groups of four pixels; SPRITE places the next sixteen.
SY      DEFL    0
SB      DEFL    0
SPRITE  MACRO   base
SB      DEFL    base
SY      DEFL    0
        ENDM
SROW    MACRO   p0, p1, p2, p3
        ORG     SB + (SY AND 8) * 8 + (SY AND 7) * 4
        DB      (p0) SHR 8, (p0) AND 0FFh, (p1) SHR 8, (p1) AND 0FFh
        ORG     SB + 32 + (SY AND 8) * 8 + (SY AND 7) * 4
        DB      (p2) SHR 8, (p2) AND 0FFh, (p3) SHR 8, (p3) AND 0FFh
SY      DEFL    SY + 1
        ENDM

; ---- characters ----
; 00h blank; it also anchors the image at address 0.
        ORG     CHARBASE
        DS      32, 0
; 20h-5Ah text, and inverted at 120h-15Ah.
        INCLUDE "font.inc"
; 80h-8Fh one solid tile per pen.
PN      DEFL    0
        REPT    16
        ORG     CHARBASE + (80h + PN) * 32
        DS      32, PN * 11h
PN      DEFL    PN + 1
        ENDM

; ---- sprites ----
; Bank 1, sprite 0: pennant.
        SPRITE  SPRITE1
        SROW    0E000h, 0000h, 0000h, 0000h
        SROW    0EEEEh, 0EEEEh, 0EE00h, 0000h
        SROW    0EDDDh, 0DDDDh, 0DDEEh, 0E000h
        SROW    0EDDDh, 0DDDDh, 0DDDDh, 0DEEEh
        SROW    0EDDDh, 0DDDDh, 0DDDDh, 0E000h
        SROW    0EDDDh, 0DDDDh, 0DDEEh, 0E000h
        SROW    0EEEEh, 0EEEEh, 0EE00h, 0000h
        SROW    0E000h, 0000h, 0000h, 0000h
        SROW    0E000h, 0000h, 0000h, 0000h
        SROW    0E000h, 0000h, 0000h, 0000h
        SROW    0E000h, 0000h, 0000h, 0000h
        SROW    0E000h, 0000h, 0000h, 0000h
        SROW    0E000h, 0000h, 0000h, 0000h
        SROW    0E000h, 0000h, 0000h, 0000h
        SROW    0ECCCh, 0CCCCh, 0000h, 0000h
        SROW    0CCCCh, 0CCCCh, 0000h, 0000h
; Bank 2, sprite 0: ball.
        SPRITE  SPRITE2
        SROW    0000h, 00CCh, 0CC00h, 0000h
        SROW    0000h, 0CCCCh, 0CCCCh, 0000h
        SROW    000Ch, 0CCCCh, 0CCCCh, 0C000h
        SROW    00CCh, 0EECCh, 0CCCCh, 0CC00h
        SROW    0CCCh, 0EECCh, 0CCCCh, 0CCC0h
        SROW    0CCCh, 0CCCCh, 0CCCCh, 0CCC0h
        SROW    0CCCCh, 0CCCCh, 0CCCCh, 0CCCCh
        SROW    0CCCCh, 0CCCCh, 0CCCCh, 0CCCCh
        SROW    0CCCCh, 0CCCCh, 0CCCCh, 0CCC2h
        SROW    0CCCCh, 0CCCCh, 0CCCCh, 0CC22h
        SROW    0CCCh, 0CCCCh, 0CCCCh, 0CC20h
        SROW    0CCCh, 0CCCCh, 0CCCCh, 2220h
        SROW    00CCh, 0CCCCh, 0CC22h, 2200h
        SROW    000Ch, 0CCC2h, 2222h, 2000h
        SROW    0000h, 2222h, 2222h, 0000h
        SROW    0000h, 0022h, 2200h, 0000h

; SPDX-License-Identifier: GPL-3.0-or-later
; Graphics ROMs of the POOYAN demo: 256 characters at 0000h, 64 sprites at 2000h, each set as
; two 4 KB halves (pen bits 0-1 in the first, bits 2-3 in the second).
;
; Tiles are written upright, one TROW line per pixel row. A row is given as two bit planes
; (high, low) whose bits select one of the three pens (0-15) the TILE8/TILE16 line names
; (1 1 = third). The macros store them as the board's ROMs hold them: turned a quarter, so a
; byte is one pixel column over four rows.

CHARBASE        EQU     0000h
SPRITEBASE      EQU     2000h
HALF            EQU     1000h           ; second half of each set
FONTPEN         EQU     4

        INCLUDE "../common/tile_rows.inc"

; One ROM byte: column col of four consecutive rows; the pen bits numbered hibit and lobit
; go to the upper and lower nibble.
COLBYTE MACRO   h0, l0, h1, l1, h2, l2, h3, l3, col, width, hibit, lobit
        PIX     h0, l0, col, width
CB      DEFL    (((PV SHR (hibit)) AND 1) SHL 7) OR (((PV SHR (lobit)) AND 1) SHL 3)
        PIX     h1, l1, col, width
CB      DEFL    CB OR (((PV SHR (hibit)) AND 1) SHL 6) OR (((PV SHR (lobit)) AND 1) SHL 2)
        PIX     h2, l2, col, width
CB      DEFL    CB OR (((PV SHR (hibit)) AND 1) SHL 5) OR (((PV SHR (lobit)) AND 1) SHL 1)
        PIX     h3, l3, col, width
CB      DEFL    CB OR (((PV SHR (hibit)) AND 1) SHL 4) OR ((PV SHR (lobit)) AND 1)
        DB      CB
        ENDM

; Eight bytes: columns first down to first - 7 of one band of four rows.
BAND    MACRO   h0, l0, h1, l1, h2, l2, h3, l3, first, width, hibit, lobit
CX      DEFL    first
        REPT    8
        COLBYTE h0, l0, h1, l1, h2, l2, h3, l3, CX, width, hibit, lobit
CX      DEFL    CX - 1
        ENDM
        ENDM

; Both halves of an 8 x 8 character: rows 0-3, then rows 4-7.
CHARHALF MACRO  hibit, lobit
        BAND    H0, L0, H1, L1, H2, L2, H3, L3, 7, 8, hibit, lobit
        BAND    H4, L4, H5, L5, H6, L6, H7, L7, 7, 8, hibit, lobit
        ENDM

TILE8   MACRO   code, pen1, pen2, pen3
P1      DEFL    pen1
P2      DEFL    pen2
P3      DEFL    pen3
        ORG     CHARBASE + (code) * 16
        CHARHALF 0, 1
        ORG     CHARBASE + HALF + (code) * 16
        CHARHALF 2, 3
TN      DEFL    0
        ENDM

; A 16 x 16 sprite half: the right half's columns over row bands 0-3 .. 12-15, then the left's.
SPRITEHALF MACRO hibit, lobit
        BAND    H0, L0, H1, L1, H2, L2, H3, L3, 15, 16, hibit, lobit
        BAND    H4, L4, H5, L5, H6, L6, H7, L7, 15, 16, hibit, lobit
        BAND    H8, L8, H9, L9, H10, L10, H11, L11, 15, 16, hibit, lobit
        BAND    H12, L12, H13, L13, H14, L14, H15, L15, 15, 16, hibit, lobit
        BAND    H0, L0, H1, L1, H2, L2, H3, L3, 7, 16, hibit, lobit
        BAND    H4, L4, H5, L5, H6, L6, H7, L7, 7, 16, hibit, lobit
        BAND    H8, L8, H9, L9, H10, L10, H11, L11, 7, 16, hibit, lobit
        BAND    H12, L12, H13, L13, H14, L14, H15, L15, 7, 16, hibit, lobit
        ENDM

TILE16  MACRO   code, pen1, pen2, pen3
P1      DEFL    pen1
P2      DEFL    pen2
P3      DEFL    pen3
        ORG     SPRITEBASE + (code) * 64
        SPRITEHALF 0, 1
        ORG     SPRITEBASE + HALF + (code) * 64
        SPRITEHALF 2, 3
TN      DEFL    0
        ENDM

GLYPH   MACRO   code, r0, r1, r2, r3, r4, r5, r6, r7
        TROW    r0, r0
        TROW    r1, r1
        TROW    r2, r2
        TROW    r3, r3
        TROW    r4, r4
        TROW    r5, r5
        TROW    r6, r6
        TROW    r7, r7
        TILE8   code, 0, 0, FONTPEN
        ENDM

; Solid character in one pen.
SOLID   MACRO   code, pen
        REPT    8
        TROW    11111111b, 11111111b
        ENDM
        TILE8   code, 0, 0, pen
        ENDM

; ---- characters ----
; 00h blank; it also anchors the image at address 0.
        ORG     CHARBASE
        DS      16, 0
; 20h-5Ah text.
        INCLUDE "font.inc"
; 80h-8Fh one solid tile per pen.
PN      DEFL    0
        REPT    16
        SOLID   80h + PN, PN
PN      DEFL    PN + 1
        ENDM

; ---- sprites ----
; 00h pennant, different in every flip: base, cloth, pole.
        TROW    1000000000000000b, 1000000000000000b   ; 3...............
        TROW    1111111111000000b, 1111111111000000b   ; 3333333333......
        TROW    1111111111111000b, 1000000000111000b   ; 3222222222333...
        TROW    1111111111111111b, 1000000000000111b   ; 3222222222222333
        TROW    1111111111111000b, 1000000000001000b   ; 3222222222223...
        TROW    1111111111111000b, 1000000000111000b   ; 3222222222333...
        TROW    1111111111000000b, 1111111111000000b   ; 3333333333......
        TROW    1000000000000000b, 1000000000000000b   ; 3...............
        TROW    1000000000000000b, 1000000000000000b   ; 3...............
        TROW    1000000000000000b, 1000000000000000b   ; 3...............
        TROW    1000000000000000b, 1000000000000000b   ; 3...............
        TROW    1000000000000000b, 1000000000000000b   ; 3...............
        TROW    1000000000000000b, 1000000000000000b   ; 3...............
        TROW    1000000000000000b, 1000000000000000b   ; 3...............
        TROW    1000000000000000b, 1111111100000000b   ; 31111111........
        TROW    0000000000000000b, 1111111100000000b   ; 11111111........
        TILE16  00h, 12, 4, 15
; 01h ball.
        TROW    0000001111000000b, 0000001111000000b   ; ......3333......
        TROW    0000111111110000b, 0000111111110000b   ; ....33333333....
        TROW    0001111111111000b, 0001111111111000b   ; ...3333333333...
        TROW    0011001111111100b, 0011111111111100b   ; ..331133333333..
        TROW    0111001111111110b, 0111111111111110b   ; .33311333333333.
        TROW    0111111111111110b, 0111111111111110b   ; .33333333333333.
        TROW    1111111111111111b, 1111111111111111b   ; 3333333333333333
        TROW    1111111111111111b, 1111111111111111b   ; 3333333333333333
        TROW    1111111111111111b, 1111111111111110b   ; 3333333333333332
        TROW    1111111111111111b, 1111111111111100b   ; 3333333333333322
        TROW    0111111111111110b, 0111111111111100b   ; .33333333333332.
        TROW    0111111111111110b, 0111111111110000b   ; .33333333333222.
        TROW    0011111111111100b, 0011111111000000b   ; ..333333332222..
        TROW    0001111111111000b, 0001111000000000b   ; ...3333222222...
        TROW    0000111111110000b, 0000000000000000b   ; ....22222222....
        TROW    0000001111000000b, 0000000000000000b   ; ......2222......
        TILE16  01h, 15, 6, 12

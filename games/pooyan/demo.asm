; SPDX-License-Identifier: GPL-3.0-or-later
; POOYAN board demo: the tilemap with per-cell flips, all 256 character colours, sprites from
; both attribute areas with flips and the position window, both input ports bit by bit, and a
; counter driven by the NMI. See README.md for what to expect.
;
; The tilemap is stored column by column: cell (r, c) shows at screen column 29 - r, row c.

ATTR    EQU     8000h           ; #attrram: bit 7 h-flip, bit 6 v-flip, bits 0-3 colour group
VRAM    EQU     8400h           ; #vram
STACK   EQU     8FF0h
SPR1    EQU     9010h           ; #spriteram: 24 x (Y, code)
SPR2    EQU     SPR1 + 400h     ; 24 x (attribute, X)
INA     EQU     0A0A0h
INB     EQU     0A0C0h
NMIEN   EQU     0A180h          ; #nmienable

count   EQU     8800h           ; word: NMIs taken
colour  EQU     8802h           ; print's colour group

; Colour groups for text (the font uses pen 4).
WHITE   EQU     00h
YELLOW  EQU     03h
ORANGE  EQU     07h
RED     EQU     0Dh

FLIPH   EQU     80h             ; cell attribute flips
FLIPV   EQU     40h
NOFLIP  EQU     0C0h            ; sprite attribute: the flip bits are active low

T_PEN0  EQU     80h             ; 80h-8Fh: solid tiles in pens 0-15
S_FLAG  EQU     00h
S_BALL  EQU     01h
SPRITES EQU     24

; HL := tilemap cell at screen row `row` (0-31), column `col` (0-27); BC := step right.
CELL    MACRO   row, col
        LD      HL, VRAM + (29 - (col)) * 32 + (row)
        LD      BC, -32
        ENDM

TEXT    MACRO   row, col, group, string
        CELL    row, col
        LD      DE, string
        LD      A, group
        CALL    print
        ENDM

        ORG     0000h
        DI
        JP      start

        ORG     0066h
nmi:    PUSH    AF
        PUSH    HL
        LD      HL, (count)
        INC     HL
        LD      (count), HL
        LD      A, L
        LD      (SPR2 + 1), A   ; sprite 0 X: the ball rolls a pixel a frame
        POP     HL
        POP     AF
        RETN

start:  LD      SP, STACK
        XOR     A
        LD      (NMIEN), A      ; no NMI while the screen is built
        LD      HL, 0
        LD      (count), HL

        LD      HL, ATTR        ; colours and tiles to 0
        LD      DE, ATTR + 1
        LD      BC, 07FFh
        LD      (HL), 0
        LDIR

        TEXT    0, 5, YELLOW, msg_title
        TEXT    1, 0, WHITE, msg_nmi
        TEXT    3, 0, ORANGE, msg_ina
        TEXT    4, 0, WHITE, msg_keys
        TEXT    5, 0, WHITE, msg_bits
        TEXT    7, 0, ORANGE, msg_inb
        TEXT    8, 0, WHITE, msg_keys
        TEXT    9, 0, WHITE, msg_bits
        TEXT    11, 0, ORANGE, msg_flips
        TEXT    12, 12, WHITE, msg_flipnames
        TEXT    13, 0, ORANGE, msg_colours
        TEXT    17, 20, WHITE, msg_none
        TEXT    17, 23, WHITE, msg_h
        TEXT    21, 20, WHITE, msg_v
        TEXT    21, 23, WHITE, msg_hv
        TEXT    31, 4, WHITE, msg_keynames

        ; The letter R in the four cell flips.
        LD      HL, flip_cells
        LD      B, 4
flips:  LD      E, (HL)
        INC     HL
        LD      D, (HL)
        INC     HL
        LD      A, 'R'
        LD      (DE), A
        RES     2, D            ; 84xxh-87xxh -> 80xxh-83xxh
        LD      A, (HL)
        INC     HL
        LD      (DE), A
        DJNZ    flips

        ; Character colours: group g on row 14 + g, pens 0-15 from column 3.
        LD      D, 0            ; group
palette_row:
        LD      A, D
        ADD     A, 14
        LD      L, A
        LD      H, 0
        LD      BC, VRAM + 28 * 32      ; column 1 of that row
        ADD     HL, BC
        LD      A, D            ; the group's hex digit
        ADD     A, '0'
        CP      '9' + 1
        JR      C, palette_digit
        ADD     A, 'A' - '9' - 1
palette_digit:
        LD      (HL), A
        LD      BC, -64         ; column 3
        ADD     HL, BC
        LD      E, T_PEN0
palette_cell:
        LD      (HL), E
        RES     2, H
        LD      (HL), D
        SET     2, H
        LD      BC, -32
        ADD     HL, BC
        INC     E
        LD      A, E
        CP      T_PEN0 + 16
        JR      NZ, palette_cell
        INC     D
        LD      A, D
        CP      16
        JR      NZ, palette_row

        ; Sprites: Y and code in the first area, attribute and X 400h above.
        LD      HL, SPR1        ; all hidden (Y = 0) first
        LD      DE, SPR1 + 1
        LD      BC, SPRITES * 2 - 1
        LD      (HL), 0
        LDIR
        LD      HL, SPR2
        LD      DE, SPR2 + 1
        LD      BC, SPRITES * 2 - 1
        LD      (HL), 0
        LDIR
        LD      HL, sprite_table
        LD      DE, SPR1
sprite_next:
        LD      A, (HL)         ; Y; 0 ends the table
        OR      A
        JR      Z, sprites_done
        LDI                     ; Y
        LDI                     ; code
        DEC     DE
        DEC     DE
        SET     2, D            ; the second area, 400h above
        LDI                     ; attribute
        LDI                     ; X
        RES     2, D
        JR      sprite_next
sprites_done:

        LD      A, 1
        LD      (NMIEN), A

main:   HALT                    ; until the next NMI
        CELL    1, 4
        LD      A, (count + 1)
        CALL    puthex
        LD      A, (count)
        CALL    puthex

        CELL    3, 5
        LD      A, (INA)
        CALL    puthex
        CELL    5, 5
        LD      A, (INA)
        CALL    putbits

        CELL    7, 5
        LD      A, (INB)
        CALL    puthex
        CELL    9, 5
        LD      A, (INB)
        CALL    putbits
        JR      main

; Text at HL stepping by BC, from DE up to a 0 byte, in colour group A.
print:  LD      (colour), A
print_next:
        LD      A, (DE)
        OR      A
        RET     Z
        LD      (HL), A
        RES     2, H            ; the attribute sits 400h below the code
        LD      A, (colour)
        LD      (HL), A
        SET     2, H
        ADD     HL, BC
        INC     DE
        JR      print_next

        INCLUDE "../common/puthex.inc"

; The bits of A, bit 7 first, as 0/1 every other column from HL; the key label in the row
; above turns yellow while its bit is 0 (inputs are active low).
putbits:
        LD      C, A
        LD      B, 8
        LD      DE, -64
putbit: RLC     C
        LD      A, '0'
        ADC     A, 0
        LD      (HL), A
        DEC     HL              ; the row above
        RES     2, H            ; its attribute
        CP      '1'
        LD      A, WHITE
        JR      Z, putbit_colour
        LD      A, YELLOW
putbit_colour:
        LD      (HL), A
        SET     2, H
        INC     HL
        ADD     HL, DE
        DJNZ    putbit
        RET

; Cell address, attribute: R at row 11, columns 12, 16, 19 and 22.
flip_cells:
        DW      VRAM + (29 - 12) * 32 + 11
        DB      WHITE
        DW      VRAM + (29 - 16) * 32 + 11
        DB      WHITE + FLIPH
        DW      VRAM + (29 - 19) * 32 + 11
        DB      WHITE + FLIPV
        DW      VRAM + (29 - 22) * 32 + 11
        DB      WHITE + FLIPH + FLIPV

; Y, code, attribute, X of sprites 0 up; a sprite shows at (X, Y) when both lie in 11h-EFh.
sprite_table:
        DB      78h, S_BALL, NOFLIP + 9, 0      ; 0 ball, X moved by the NMI
        DB      78h, S_FLAG, NOFLIP + 1, 0B0h   ; 1 pennant, no flip
        DB      78h, S_FLAG, 40h + 4, 0C8h      ; 2 h-flip (bit 7 clear)
        DB      98h, S_FLAG, 80h + 6, 0B0h      ; 3 v-flip (bit 6 clear)
        DB      98h, S_FLAG, 00h + 7, 0C8h      ; 4 both
        DB      0EFh, S_FLAG, NOFLIP + 1, 11h   ; 5 lowest and leftmost place shown
        DB      11h, S_FLAG, NOFLIP + 1, 0EFh   ; 6 highest and rightmost: one column shows
        DB      0C0h, S_FLAG, NOFLIP + 1, 10h   ; 7 X = 10h: hidden
        DB      0F0h, S_FLAG, NOFLIP + 1, 80h   ; 8 Y = F0h: hidden
        DB      0

msg_title:      DB      "POOYAN BOARD DEMO", 0
msg_nmi:        DB      "NMI 0000", 0
msg_ina:        DB      "A0A0", 0
msg_inb:        DB      "A0C0", 0
msg_keys:       DB      "KEY  - - - C D U - -", 0
msg_bits:       DB      "BIT  1 1 1 1 1 1 1 1", 0
msg_flips:      DB      "CELL FLIPS", 0
msg_flipnames:  DB      "--  H  V  HV", 0
msg_colours:    DB      "CHARACTER COLOURS", 0
msg_none:       DB      "--", 0
msg_h:          DB      "H", 0
msg_v:          DB      "V", 0
msg_hv:         DB      "HV", 0
msg_keynames:   DB      "KEYS CTRL UP DOWN", 0

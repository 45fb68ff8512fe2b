; SPDX-License-Identifier: GPL-3.0-or-later
; GBERET board demo: the 64 x 32 tilemap with per-cell flips and the second character bank,
; all 256 character colours, the 9-bit scroll of every tilemap column, and two counters: one
; for the maskable interrupt (mode 1), one for the NMI, which the board raises on alternate
; frames. See README.md for what to expect.
;
; Tilemap cell (r, c) shows at screen column 31 - r (moved left by the scroll of column c) and
; screen row c; columns 32-63 lie below the screen and never show.

ATTR    EQU     0C000h          ; #attrram: bit 6 code + 100h, bit 5 h-flip, bit 4 v-flip,
                                ; bits 0-3 colour group
VRAM    EQU     0C800h          ; #vram
STACK   EQU     0DFF0h
SCROLLL EQU     0E000h          ; column c: low byte at E000h + c, high byte at E020h + c
SCROLLH EQU     0E020h

irqs    EQU     0D000h          ; word: maskable interrupts taken
nmis    EQU     0D002h          ; word: NMIs taken
colour  EQU     0D004h          ; print's attribute

; Colour groups for text (the font uses pen 1).
RED     EQU     00h
TEAL    EQU     09h
WHITE   EQU     0Ah
YELLOW  EQU     0Eh
ORANGE  EQU     0Fh

BANK1   EQU     40h             ; cell attribute bits
FLIPH   EQU     20h
FLIPV   EQU     10h

T_PEN0  EQU     80h             ; 80h-8Fh: solid tiles in pens 0-15

WAVE    EQU     25              ; rows 25-30 sway with the interrupt count
WAVES   EQU     6

; HL := tilemap cell at screen row `row` (0-31), column `col` (0-31) before scrolling;
; BC := step right.
CELL    MACRO   row, col
        LD      HL, VRAM + (31 - (col)) * 64 + (row)
        LD      BC, -64
        ENDM

TEXT    MACRO   row, col, attribute, string
        CELL    row, col
        LD      DE, string
        LD      A, attribute
        CALL    print
        ENDM

        ORG     0000h
        DI
        JP      start

        ORG     0038h
        JP      irq

        ORG     0066h
nmi:    PUSH    HL
        LD      HL, (nmis)
        INC     HL
        LD      (nmis), HL
        POP     HL
        EI                      ; taking the NMI cleared both flip-flops: RETN alone would
        RETN                    ; leave the maskable interrupt off for good

irq:    PUSH    AF
        PUSH    BC
        PUSH    HL
        LD      HL, (irqs)
        INC     HL
        LD      (irqs), HL
        ; Rows WAVE.. sway: scroll = 2 * count + 8 * k, nine bits.
        ADD     HL, HL
        LD      BC, SCROLLL + WAVE
        LD      A, WAVES
wave:   PUSH    AF
        LD      A, L
        LD      (BC), A
        SET     5, C            ; E000h + c -> E020h + c
        LD      A, H
        AND     1
        LD      (BC), A
        RES     5, C
        INC     C
        LD      A, L
        ADD     A, 8
        LD      L, A
        JR      NC, wave_next
        INC     H
wave_next:
        POP     AF
        DEC     A
        JR      NZ, wave
        POP     HL
        POP     BC
        POP     AF
        EI
        RETI

start:  LD      SP, STACK
        IM      1
        LD      HL, 0
        LD      (irqs), HL
        LD      (nmis), HL
        LD      HL, SCROLLL     ; no scroll
        LD      DE, SCROLLL + 1
        LD      BC, 3Fh
        LD      (HL), 0
        LDIR

        LD      HL, ATTR        ; colours and tiles to 0
        LD      DE, ATTR + 1
        LD      BC, 0FFFh
        LD      (HL), 0
        LDIR

        ; Tilemap columns 32-63 (below the screen) hold red blocks that must never show.
        LD      HL, VRAM + 32
        LD      B, 32
hidden_row:
        PUSH    BC
        LD      B, 32
hidden_cell:
        LD      (HL), T_PEN0 + 1
        INC     HL
        DJNZ    hidden_cell
        LD      BC, 32
        ADD     HL, BC
        POP     BC
        DJNZ    hidden_row

        TEXT    0, 7, YELLOW, msg_title
        TEXT    1, 0, WHITE, msg_counts
        TEXT    3, 0, ORANGE, msg_colours
        TEXT    4, 20, ORANGE, msg_flips
        TEXT    6, 20, WHITE, msg_flipnames
        TEXT    8, 20, WHITE + BANK1, msg_bank1
        TEXT    9, 20, WHITE, msg_bank0
        TEXT    21, 0, TEAL, msg_scroll0
        TEXT    22, 0, TEAL, msg_scroll8
        TEXT    23, 0, TEAL, msg_scroll108
        TEXT    31, 0, WHITE, msg_hidden

        ; The letter R in the four cell flips.
        LD      HL, flip_cells
        LD      B, 4
flips:  LD      E, (HL)
        INC     HL
        LD      D, (HL)
        INC     HL
        LD      A, 'R'
        LD      (DE), A
        RES     3, D            ; C8xxh-CFxxh -> C0xxh-C7xxh
        LD      A, (HL)
        INC     HL
        LD      (DE), A
        DJNZ    flips

        ; Character colours: group g on row 4 + g, pens 0-15 from column 2.
        LD      D, 0
palette_row:
        LD      A, D
        ADD     A, 4
        LD      L, A
        LD      H, 0
        LD      BC, VRAM + 31 * 64      ; column 0 of that row
        ADD     HL, BC
        LD      A, D
        ADD     A, '0'
        CP      '9' + 1
        JR      C, palette_digit
        ADD     A, 'A' - '9' - 1
palette_digit:
        LD      (HL), A
        RES     3, H
        LD      (HL), WHITE
        SET     3, H
        LD      BC, -128        ; column 2
        ADD     HL, BC
        LD      E, T_PEN0
palette_cell:
        LD      (HL), E
        RES     3, H
        LD      (HL), D
        SET     3, H
        LD      BC, -64
        ADD     HL, BC
        INC     E
        LD      A, E
        CP      T_PEN0 + 16
        JR      NZ, palette_cell
        INC     D
        LD      A, D
        CP      16
        JR      NZ, palette_row

        ; The same offset two ways: 008h and 108h.
        LD      A, 08h
        LD      (SCROLLL + 22), A
        LD      (SCROLLL + 23), A
        LD      A, 01h
        LD      (SCROLLH + 23), A

        ; Swaying rows, text all the way round.
        LD      B, WAVES
        LD      HL, VRAM + 31 * 64 + WAVE
wave_rows:
        PUSH    BC
        PUSH    HL
        LD      DE, msg_wave
        LD      A, YELLOW
        LD      BC, -64
        CALL    print
        POP     HL
        INC     HL
        POP     BC
        DJNZ    wave_rows

        EI
main:   HALT                    ; until either interrupt
        CELL    1, 4
        LD      A, (irqs + 1)
        CALL    puthex
        LD      A, (irqs)
        CALL    puthex
        CELL    1, 15
        LD      A, (nmis + 1)
        CALL    puthex
        LD      A, (nmis)
        CALL    puthex
        JR      main

; Text at HL stepping by BC, from DE up to a 0 byte, with attribute A.
print:  LD      (colour), A
print_next:
        LD      A, (DE)
        OR      A
        RET     Z
        LD      (HL), A
        RES     3, H            ; the attribute sits 800h below the code
        LD      A, (colour)
        LD      (HL), A
        SET     3, H
        ADD     HL, BC
        INC     DE
        JR      print_next

        INCLUDE "../common/puthex.inc"

; Cell address, attribute: R at row 5, columns 20, 24, 27 and 30.
flip_cells:
        DW      VRAM + (31 - 20) * 64 + 5
        DB      WHITE
        DW      VRAM + (31 - 24) * 64 + 5
        DB      WHITE + FLIPH
        DW      VRAM + (31 - 27) * 64 + 5
        DB      WHITE + FLIPV
        DW      VRAM + (31 - 30) * 64 + 5
        DB      WHITE + FLIPH + FLIPV

msg_title:      DB      "GBERET BOARD DEMO", 0
msg_counts:     DB      "IRQ 0000   NMI 0000", 0
msg_colours:    DB      "CHARACTER COLOURS", 0
msg_flips:      DB      "CELL FLIPS", 0
msg_flipnames:  DB      "--  H  V  HV", 0
msg_bank1:      DB      "BANK 100", 0
msg_bank0:      DB      "BANK 000", 0
msg_scroll0:    DB      "SCROLL 000 ", 0
msg_scroll8:    DB      "SCROLL 008 ", 0
msg_scroll108:  DB      "SCROLL 108 ", 0
msg_wave:       DB      "SCROLL PER COLUMN - NINE BITS - ", 0
msg_hidden:     DB      "COLUMNS 32-63 NEVER SHOW", 0

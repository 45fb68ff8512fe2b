; SPDX-License-Identifier: GPL-3.0-or-later
; PACMAN board demo: the tilemap in all its regions, the 32 colour groups, sprites with flips
; and skip rules, both input ports bit by bit, and an interrupt counter driven through
; interrupt mode 2 with the vector written to port 0.
;
; Screen rows 0-1 and 34-35 are the strips above and below the playfield; rows 2-33 are the
; playfield, whose cells the board stores column by column. See README.md for what to expect.

VRAM    EQU     4000h           ; #vram
ATTR    EQU     4400h           ; #attrram
SPRRAM  EQU     4FF0h           ; #spriteram: 8 x (code << 2 | flips, colour group)
STACK   EQU     4FC0h
IN0     EQU     5000h           ; read: IN0; write: interrupt enable (#nmienable)
IN1     EQU     5040h
SPRXY   EQU     5060h           ; 8 x (X, Y)
MIRROR  EQU     8000h           ; C000h-C7EFh writes land 8000h lower
VECPAGE EQU     01h             ; I register
VECTOR  EQU     0FAh            ; written to port 0

; Colour groups (attribute values) used for text.
WHITE   EQU     0Fh
YELLOW  EQU     09h
CYAN    EQU     05h
BLUE    EQU     10h
RED     EQU     01h
CHECKS  EQU     11h             ; pens 1 and 2 green and blue

; Tiles
T_BLOCK EQU     01h
T_PENS  EQU     02h
T_CHECK EQU     03h

; Sprite codes
S_BLOCK EQU     00h
S_FLAG  EQU     01h
S_BALL  EQU     02h

count   EQU     4C00h           ; word: interrupts taken
colour  EQU     4C02h           ; print's colour group

; HL := tilemap cell shown at screen row `row` (0-35), column `col` (0-27);
; BC := distance to the cell on its right.
CELL    MACRO   row, col
        IF (row) < 2
        LD      HL, VRAM + ((row) + 30) * 32 + 29 - (col)
        LD      BC, -1
        ELSE
        IF (row) > 33
        LD      HL, VRAM + ((row) - 34) * 32 + 29 - (col)
        LD      BC, -1
        ELSE
        LD      HL, VRAM + (29 - (col)) * 32 + (row) - 2
        LD      BC, -32
        ENDIF
        ENDIF
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

        ORG     0038h           ; interrupt mode 1 would land here
        PUSH    AF
        PUSH    BC
        PUSH    DE
        PUSH    HL
        TEXT    35, 0, RED, msg_im1
        JP      fault_end

        ORG     0066h           ; the board never raises an NMI
        PUSH    AF
        PUSH    BC
        PUSH    DE
        PUSH    HL
        TEXT    35, 0, RED, msg_nmi
        POP     HL
        POP     DE
        POP     BC
        POP     AF
        RETN

; Vector page: every entry but the one the latch selects leads to 0303h.
        ORG     VECPAGE * 256
        DS      257, 03h
        ORG     VECPAGE * 256 + VECTOR
        DW      irq

        ORG     0303h           ; any other vector
        PUSH    AF
        PUSH    BC
        PUSH    DE
        PUSH    HL
        TEXT    35, 0, RED, msg_vector
fault_end:
        POP     HL
        POP     DE
        POP     BC
        POP     AF
        EI
        RETI

irq:    PUSH    AF
        PUSH    HL
        LD      HL, (count)
        INC     HL
        LD      (count), HL
        LD      A, L
        LD      (SPRXY), A      ; the ball rolls one pixel a frame
        POP     HL
        POP     AF
        EI
        RETI

start:  LD      SP, STACK
        XOR     A
        LD      (IN0), A        ; interrupts off while the screen is built
        LD      HL, 0
        LD      (count), HL

        LD      HL, VRAM        ; tiles and colours to 0
        LD      DE, VRAM + 1
        LD      BC, 07FFh
        LD      (HL), 0
        LDIR

        ; The outer two cells of the strip rows are not wired to the screen: fill them with
        ; bright blocks that must stay invisible.
        LD      HL, corner_cells
corners:
        LD      E, (HL)
        INC     HL
        LD      D, (HL)
        INC     HL
        LD      A, D
        OR      E
        JR      Z, corners_done
        LD      A, T_BLOCK
        LD      (DE), A
        SET     2, D
        LD      A, RED
        LD      (DE), A
        JR      corners
corners_done:

        TEXT    0, 5, YELLOW, msg_title
        TEXT    1, 0, WHITE, msg_irq
        TEXT    1, 16, WHITE, msg_vec
        TEXT    3, 0, CYAN, msg_in0
        TEXT    4, 0, WHITE, msg_key0
        TEXT    5, 0, WHITE, msg_bits
        TEXT    7, 0, CYAN, msg_in1
        TEXT    8, 0, WHITE, msg_key1
        TEXT    9, 0, WHITE, msg_bits
        TEXT    11, 0, CYAN, msg_groups
        TEXT    12, 0, WHITE, msg_00
        TEXT    13, 0, WHITE, msg_10
        TEXT    17, 0, CYAN, msg_sprites
        TEXT    32, 0, WHITE, msg_ball
        TEXT    34, 0, WHITE, msg_keys
        TEXT    35, 0, CYAN, msg_ok

        ; Mirror: this line is written 8000h higher, through C000h-C7EFh.
        CELL    15, 0
        LD      DE, MIRROR
        ADD     HL, DE
        LD      DE, msg_mirror
        LD      A, WHITE
        CALL    print

        ; The mirror's last byte and the one past it: the attributes of two blocks on row 1.
        ; 47EFh is reached through C7EFh (cyan); C7F0h is not mirrored, so 47F0h stays blue.
        LD      A, T_BLOCK
        LD      (VRAM + 03EFh), A
        LD      (VRAM + 03F0h), A
        LD      A, CYAN
        LD      (ATTR + 03EFh + MIRROR), A
        LD      A, BLUE
        LD      (ATTR + 03F0h), A
        LD      A, RED
        LD      (ATTR + 03F0h + MIRROR), A

        ; All 32 colour groups, four pens each.
        CELL    12, 4
        XOR     A
        CALL    pens_row
        CELL    13, 4
        LD      A, 10h
        CALL    pens_row

        ; Checked field behind the sprites, rows 18-31, with the flip labels on row 22.
        LD      D, 18
field_row:
        LD      A, D
        SUB     2
        LD      L, A
        LD      H, 0
        LD      BC, VRAM + 29 * 32      ; column 0 of row D
        ADD     HL, BC
        LD      E, 28
field_cell:
        LD      (HL), T_CHECK
        SET     2, H
        LD      (HL), CHECKS
        RES     2, H
        LD      BC, -32
        ADD     HL, BC
        DEC     E
        JR      NZ, field_cell
        INC     D
        LD      A, D
        CP      32
        JR      NZ, field_row
        TEXT    22, 2, WHITE, msg_none
        TEXT    22, 9, WHITE, msg_x
        TEXT    22, 16, WHITE, msg_y
        TEXT    22, 23, WHITE, msg_xy

        LD      HL, sprite_codes
        LD      DE, SPRRAM
        LD      BC, 16
        LDIR
        LD      HL, sprite_places
        LD      DE, SPRXY
        LD      BC, 16
        LDIR

        ; Interrupts. The line may still be raised from power-on with vector 00h until the
        ; first frame end, so wait past it before enabling.
        LD      A, VECPAGE
        LD      I, A
        IM      2
        LD      A, VECTOR
        OUT     (0), A
        LD      A, 1
        LD      (IN0), A
        LD      BC, 2600        ; 26 T-states a pass: longer than one frame
settle: DEC     BC
        LD      A, B
        OR      C
        JR      NZ, settle
        EI

main:   HALT
        CELL    1, 4            ; interrupt count
        LD      A, (count + 1)
        CALL    puthex
        LD      A, (count)
        CALL    puthex

        CELL    3, 9
        LD      A, (IN0)
        CALL    puthex
        CELL    5, 5
        LD      A, (IN0)
        CALL    putbits

        CELL    7, 9
        LD      A, (IN1)
        CALL    puthex
        CELL    9, 5
        LD      A, (IN1)
        CALL    putbits
        JR      main

; Text at HL stepping by BC, from DE up to a 0 byte, in colour group A.
print:  LD      (colour), A
print_next:
        LD      A, (DE)
        OR      A
        RET     Z
        LD      (HL), A
        PUSH    HL
        LD      A, H            ; the colour sits 400h above the code
        ADD     A, 4
        LD      H, A
        LD      A, (colour)
        LD      (HL), A
        POP     HL
        ADD     HL, BC
        INC     DE
        JR      print_next

        INCLUDE "../common/puthex.inc"

; The bits of A, bit 7 first, as 0/1 every other playfield column from HL; the key label in
; the row above turns yellow while its bit is 0 (inputs are active low).
putbits:
        LD      C, A
        LD      B, 8
        LD      DE, -64
putbit: RLC     C
        LD      A, '0'
        ADC     A, 0
        LD      (HL), A
        DEC     HL              ; the row above
        SET     2, H            ; its colour
        CP      '1'
        LD      A, WHITE
        JR      Z, putbit_colour
        LD      A, YELLOW
putbit_colour:
        LD      (HL), A
        RES     2, H
        INC     HL
        ADD     HL, DE
        DJNZ    putbit
        RET

; Sixteen colour-pen tiles from HL (step BC), colour groups A to A + 15.
pens_row:
        LD      E, 16
pens_cell:
        LD      (HL), T_PENS
        SET     2, H
        LD      (HL), A
        RES     2, H
        INC     A
        ADD     HL, BC
        DEC     E
        JR      NZ, pens_cell
        RET

; Cells at columns 0, 1, 30 and 31 of tilemap rows 0, 1, 30 and 31 (never drawn).
corner_cells:
        DW      VRAM + 0, VRAM + 1, VRAM + 30, VRAM + 31
        DW      VRAM + 32, VRAM + 33, VRAM + 62, VRAM + 63
        DW      VRAM + 960, VRAM + 961, VRAM + 990, VRAM + 991
        DW      VRAM + 992, VRAM + 993, VRAM + 1022, VRAM + 1023
        DW      0

; Sprite i: code << 2 | h-flip << 1 | v-flip, colour group.
sprite_codes:
        DB      S_BALL * 4, YELLOW      ; 0 ball, moved by the interrupt
        DB      S_FLAG * 4, 01h         ; 1 no flip
        DB      S_FLAG * 4 + 2, 0Fh     ; 2 horizontal flip
        DB      S_FLAG * 4 + 1, 14h     ; 3 vertical flip
        DB      S_FLAG * 4 + 3, 16h     ; 4 both
        DB      S_BLOCK * 4, RED        ; 5 code 0: never drawn
        DB      S_FLAG * 4, 01h         ; 6 X = 17: two columns show at the right edge
        DB      S_FLAG * 4, RED         ; 7 Y = 0: never drawn
; Sprite i: X, Y; it shows at 255 - X, 271 - Y (screen column 239 - X).
sprite_places:
        DB      0, 55
        DB      223, 119
        DB      167, 119
        DB      111, 119
        DB      55, 119
        DB      139, 71
        DB      17, 55
        DB      100, 0

msg_title:      DB      "PACMAN BOARD DEMO", 0
msg_irq:        DB      "IRQ 0000 IM2", 0
msg_vec:        DB      "VEC FA", 0
msg_in0:        DB      "IN0 5000 FF", 0
msg_in1:        DB      "IN1 5040 7F", 0
msg_key0:       DB      "KEY  5 4 3 - D R L U", 0
msg_key1:       DB      "KEY  - 2 1 - D R L U", 0
msg_bits:       DB      "BIT  1 1 1 1 1 1 1 1", 0
msg_groups:     DB      "COLOUR GROUPS", 0
msg_00:         DB      "00", 0
msg_10:         DB      "10", 0
msg_mirror:     DB      "MIRROR C000 OK", 0
msg_sprites:    DB      "SPRITE FLIPS", 0
msg_none:       DB      "--", 0
msg_x:          DB      "X", 0
msg_y:          DB      "Y", 0
msg_xy:         DB      "XY", 0
msg_ball:       DB      "BALL MOVES ON IRQ", 0
msg_keys:       DB      "KEYS ARROWS 1 2 3 4 5", 0
msg_ok:         DB      "STATUS OK     ", 0
msg_vector:     DB      "BAD VECTOR    ", 0
msg_nmi:        DB      "UNEXPECTED NMI", 0
msg_im1:        DB      "WRONG MODE    ", 0

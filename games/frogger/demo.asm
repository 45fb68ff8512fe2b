; SPDX-License-Identifier: GPL-3.0-or-later
; FROGGER demo program. Frames are counted by the NMI, which the board raises at every frame end
; while the enable byte ("#nmienable=") is non-zero; holding key 2 clears it and the count stops
; while the loop counter runs on.
;
; What it shows: every bit of the three inputs as it is read, writes to 6000h ignored and to
; 6002h stored, column scroll bytes stored with their nibbles swapped (20h moves a line 2 pixels,
; 02h 32 pixels, and a line scrolling one pixel a frame), the river: the upper 17 lines use the
; second palette bank with dark blue behind every drawn cell, empty cells (code 10h) show ripples
; there and nothing below, the eight colour groups with pens 1-3, a colour byte of 8 (used whole:
; second bank, dark blue, even below the river), and the sprites: sprite 0 on top and moved by
; the joystick, overlapping sprites 1 and 2, sprite 4 off (Y = 0) though its code is set, sprite 5
; crossing the screen one pixel a frame (X nibble-swapped), sprite 6 with code byte FFh (code 3Fh,
; the top bits neither flip nor bank).

RAM     EQU 8000h
STACK   EQU 8800h
VRAM    EQU 0A800h              ; "#vram="
NMIEN   EQU 0B808h              ; "#nmienable="
COLUMNS EQU 0B000h              ; per line: scroll, colour
SPRRAM  EQU 0B040h              ; 8 x (X, code, colour, Y)
IN0     EQU 0E000h
IN1     EQU 0E002h
IN2     EQU 0E004h
EMPTY   EQU 10h

FRAMES  EQU RAM+0               ; word, counted by the NMI
LOOPS   EQU RAM+2               ; word
JX      EQU RAM+4
JY      EQU RAM+5

; Tilemap cell of text column tx (0-27, left to right) and line ty (0-31, top down): the board
; draws tilemap row r at x = 8 x (31 - r) and tilemap column c at y = 8 x c.
CELLAD  MACRO ty,tx
        DW VRAM+(29-(tx))*32+(ty)
        ENDM
AT      MACRO ty,tx
        ld hl,VRAM+(29-(tx))*32+(ty)
        ENDM

        ORG 0
        di
        ld sp,STACK
        jp start

        ORG 66h
nmi:    push hl
        ld hl,(FRAMES)
        inc hl
        ld (FRAMES),hl
        pop hl
        retn

        ORG 100h
start:  xor a                   ; no NMI while the screen is set up
        ld (NMIEN),a
        ld hl,RAM               ; memory survives from run to run: clear what the picture uses
        ld de,RAM+1
        ld bc,7FFh
        ld (hl),0
        ldir
        ld hl,VRAM
        ld de,VRAM+1
        ld bc,3FFh
        ld (hl),EMPTY
        ldir
        ld hl,COLUMNS           ; scroll 0 and the line colours
        ld de,linecolours
        ld b,32
cols:   ld (hl),0
        inc hl
        ld a,(de)
        ld (hl),a
        inc hl
        inc de
        djnz cols
        ld hl,sprites
        ld de,SPRRAM
        ld bc,32
        ldir
        ld a,20h                ; the two fixed scroll lines: 2 and 32 pixels
        ld (COLUMNS+2*12),a
        ld a,02h
        ld (COLUMNS+2*13),a

        ld hl,statictext
        call printlist
        ld c,15                 ; pens 1-3 on the colour lines 15-24, columns 9-11
bars:   ld h,0
        ld l,c
        ld de,VRAM+(29-9)*32
        add hl,de
        ld de,-32
        ld (hl),1
        add hl,de
        ld (hl),2
        add hl,de
        ld (hl),3
        inc c
        ld a,c
        cp 25
        jr nz,bars
        AT 16,13                ; a blank cell (code 0) in the river: plain dark blue
        ld (hl),0
        ld hl,VRAM+25           ; line 25: blank cells, so the whole line shows its backdrop
        ld b,32
blank:  ld a,(hl)
        cp EMPTY
        jr nz,blank1
        ld (hl),0
blank1: ld de,32
        add hl,de
        djnz blank

        ld a,5Ah                ; 6000h ignores writes (it keeps the ROM's C3h), 6002h stores
        ld (6000h),a
        ld (6002h),a
        ld a,40
        ld (JX),a
        ld a,228
        ld (JY),a

main:   call update
        ld a,(IN1)              ; key 2 held: NMI off, the loop no longer waits
        bit 6,a
        jr z,nonmi
        ld a,1
        ld (NMIEN),a
        halt
        jr main
nonmi:  xor a
        ld (NMIEN),a
        jr main

update: ld hl,(LOOPS)
        inc hl
        ld (LOOPS),hl
        ld de,(FRAMES)
        AT 1,6
        call hex16
        ld de,(LOOPS)
        AT 2,6
        call hex16
        ld a,(IN0)
        ld b,a
        AT 4,4
        call bin8
        ld a,(IN1)
        AT 6,4
        call bin8
        ld a,(IN2)
        ld c,a
        AT 8,4
        call bin8
        ld a,(6000h)
        AT 9,5
        call hex8
        ld a,(6002h)
        AT 9,13
        call hex8

        ld a,(FRAMES)           ; line 14 scrolls a pixel a frame: the byte holds it swapped
        rrca
        rrca
        rrca
        rrca
        ld (COLUMNS+2*14),a

        ld hl,JX                ; joystick: IN0 bit 5 Left, bit 4 Right; IN2 bit 4 Up, bit 6 Down
        bit 5,b
        jr nz,j1
        dec (hl)
j1:     bit 4,b
        jr nz,j2
        inc (hl)
j2:     inc hl
        bit 4,c
        jr nz,j3
        dec (hl)
j3:     bit 6,c
        jr nz,j4
        inc (hl)
j4:     ld a,(JX)
        rrca
        rrca
        rrca
        rrca
        ld (SPRRAM+0),a
        ld a,(JY)
        ld (SPRRAM+3),a
        ld a,(FRAMES)
        rrca
        rrca
        rrca
        rrca
        ld (SPRRAM+4*5),a
        ret

; ---- printing: HL a tilemap cell ---------------------------------------------------------------

; A at HL; HL moves one column right (32 bytes down in memory).
putc:   ld (hl),a
        push de
        ld de,-32
        add hl,de
        pop de
        ret

hex16:  ld a,d
        call hex8
        ld a,e
hex8:   push af
        rrca
        rrca
        rrca
        rrca
        call hexdig
        pop af
hexdig: and 0Fh
        add a,'0'
        cp '9'+1
        jr c,putc
        add a,7
        jr putc

bin8:   push bc
        ld b,8
bin1:   rlca
        push af
        ld a,'0'
        adc a,0
        call putc
        pop af
        djnz bin1
        pop bc
        ret

; Entries: cell (word), text, 0; a cell of 0 ends the list.
printlist:
        ld e,(hl)
        inc hl
        ld d,(hl)
        inc hl
        ld a,d
        or e
        ret z
        ex de,hl
pl1:    ld a,(de)
        inc de
        or a
        jr z,pl2
        call putc
        jr pl1
pl2:    ex de,hl
        jr printlist

; Colour byte of each line (the board uses it whole).
linecolours:
        DB 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 4, 4, 1
        DB 2, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 0, 0, 0

; Sprites 0-7: X (nibbles swapped), code, colour, Y.
SWAP    MACRO x
        DB (((x) SHL 4) AND 0F0h) OR (((x) SHR 4) AND 0Fh)
        ENDM
sprites:
        SWAP 40
        DB 24, 0, 228
        SWAP 112
        DB 25, 1, 224
        SWAP 120
        DB 26, 2, 232
        SWAP 152
        DB 27, 3, 228
        SWAP 176
        DB 28, 4, 0             ; Y = 0: not shown
        SWAP 0
        DB 29, 5, 240
        SWAP 200
        DB 0FFh, 6, 228         ; code 3Fh
        SWAP 80
        DB 30, 7, 228

statictext:
        CELLAD 0,0
        DB "FROGGER DEMO",0
        CELLAD 1,0
        DB "NMI",0
        CELLAD 2,0
        DB "LOOP",0
        CELLAD 3,0
        DB "KEY 34LRC3SA",0
        CELLAD 4,0
        DB "IN0",0
        CELLAD 5,0
        DB "KEY 12ADTC  ",0
        CELLAD 6,0
        DB "IN1",0
        CELLAD 7,0
        DB "KEY  D U   K",0
        CELLAD 8,0
        DB "IN2",0
        CELLAD 9,0
        DB "6000",0
        CELLAD 9,8
        DB "6002",0
        CELLAD 10,0
        DB "KEY 2 STOPS NMI",0
        CELLAD 12,0
        DB "SCROLL 20 2PX",0
        CELLAD 13,0
        DB "SCROLL 02 32PX",0
        CELLAD 14,0
        DB "SCROLLING",0
        CELLAD 15,0
        DB "RIVER 1",0
        CELLAD 16,0
        DB "RIVER 2",0
        CELLAD 17,0
        DB "COLOUR 0",0
        CELLAD 18,0
        DB "COLOUR 1",0
        CELLAD 19,0
        DB "COLOUR 2",0
        CELLAD 20,0
        DB "COLOUR 3",0
        CELLAD 21,0
        DB "COLOUR 4",0
        CELLAD 22,0
        DB "COLOUR 5",0
        CELLAD 23,0
        DB "COLOUR 6",0
        CELLAD 24,0
        DB "COLOUR 7",0
        CELLAD 25,0
        DB "COLOUR BYTE 08",0
        CELLAD 26,0
        DB "SPRITES",0
        DW 0

; ROM bytes at the addresses the board ignores writes to.
        ORG 6000h
        DB 0C3h,0C3h

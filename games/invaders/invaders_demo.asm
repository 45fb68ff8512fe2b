; SPDX-License-Identifier: GPL-3.0-or-later
; INVADERS demo: our own test program for the bitmap board.
;
; What it shows: two counters driven by the two interrupt routines (RST 08h and RST 10h come in
; turn), ports 1 and 2 bit by bit as they are read, the shift register (a table of all eight
; shift amounts and a glyph that rises through it pixel by pixel), the three colour bands, the
; video mirror above 6000h (the strip on the right, and the dotted line at x = 0 written through
; E400h), and a write to ROM that does not stick.
;
; Video RAM is column-major: byte b of column x is at 2400h + 32x + b, bit 0 of byte 0 at the
; bottom. A text cell (tx, ty) therefore starts at (24h + tx) x 256 + 31 - ty, and from tx 28 on
; the columns continue at 6000h.

RAM     EQU 2000h
CNT08   EQU 2000h               ; word: interrupts taken at 08h
CNT10   EQU 2002h               ; word: interrupts taken at 10h
STACK   EQU 2400h

CELL    MACRO tx,ty
        IF (24h + (tx)) GE 40h
        ld hl,256 * (44h + (tx)) + 31 - (ty)
        ELSE
        ld hl,256 * (24h + (tx)) + 31 - (ty)
        ENDIF
        ENDM

        ORG 0
        jp start

        ORG 8
        push hl
        ld hl,(CNT08)
        jr count

        ORG 10h
        push hl
        ld hl,(CNT10)
        inc hl
        ld (CNT10),hl
        pop hl
        ei
        ret

count:  inc hl
        ld (CNT08),hl
        pop hl
        ei
        ret

start:  ld sp,STACK
        ld hl,RAM               ; nothing of an earlier run shows through
        ld de,RAM+1
        ld bc,3FFh
        ld (hl),0
        ldir
        ld hl,2400h             ; clear the bitmap, mirror columns included
        ld de,2401h
        ld bc,1BFFh
        ld (hl),0
        ldir
        ld hl,6000h
        ld de,6001h
        ld bc,3FFh
        ld (hl),0
        ldir

        ld hl,statictext
        call printlist

        CELL 0,13               ; 3412h shifted by 0-7
        ld c,0
shtab:  ld a,12h
        out (4),a
        ld a,34h
        out (4),a
        ld a,c
        out (2),a
        in a,(3)
        call hex8
        call skip
        inc c
        ld a,c
        cp 8
        jr nz,shtab

        ld a,5Ah                ; ROM keeps its byte
        ld (1000h),a
        ld a,(1000h)
        CELL 18,15
        call hex8

        ld hl,6200h             ; columns 240-255, every byte: a bar through all three bands
        ld de,6201h
        ld bc,1FFh
        ld (hl),0FFh
        ldir
        ld hl,0E400h            ; E400h lands on column 0: the column is taken modulo 256
        ld b,32
dots:   ld (hl),55h
        inc hl
        djnz dots

        ei
main:   halt
        call update
        jr main

update: CELL 7,1
        ld de,(CNT08)
        call hex16
        CELL 21,1
        ld de,(CNT10)
        call hex16

        in a,(1)
        push af
        CELL 7,4
        call hex8
        pop af
        CELL 7,6
        call bits8
        in a,(2)
        push af
        CELL 7,8
        call hex8
        pop af
        CELL 7,10
        call bits8

        ld a,(CNT08)            ; the sound latches take a byte and play nothing
        out (3),a
        out (5),a

        ld a,(CNT08)            ; a glyph shifted up by 0-7 pixels, two bytes per column
        ld hl,CNT10
        add a,(hl)
        and 7
        out (2),a
        ld de,shiftglyph
        CELL 16,18
        ld b,8
sglyph: ld a,(de)
        ld c,a
        xor a
        out (4),a
        ld a,c
        out (4),a               ; high = column, low = 0: the part that stays in this byte
        in a,(3)
        ld (hl),a
        xor a
        out (4),a               ; high = 0, low = column: the part pushed into the byte above
        in a,(3)
        inc l
        ld (hl),a
        dec l
        ld a,l
        add a,32
        ld l,a
        inc de
        djnz sglyph
        ret

; ---- text ---------------------------------------------------------------------------------------
; putc: A = character, HL = its cell; HL moves to the next cell.
putc:   push bc
        push de
        sub 20h
        ld e,a
        ld d,0
        ex de,hl
        add hl,hl
        add hl,hl
        add hl,hl
        ld bc,font
        add hl,bc
        ex de,hl
        ld b,8
putc1:  ld a,(de)
        ld (hl),a
        inc de
        ld a,l                  ; next column: 32 bytes on
        add a,32
        ld l,a
        djnz putc1
        pop de
        pop bc
; skip: HL to the next cell, across the gap from 3FFFh to 6000h.
skip:   inc h
        ld a,h
        cp 40h
        ret nz
        ld h,60h
        ret

print:  ld a,(de)
        or a
        ret z
        call putc
        inc de
        jr print

; printlist: HL = list of (cell address, zero-terminated text), ended by address 0.
printlist:
        ld e,(hl)
        inc hl
        ld d,(hl)
        inc hl
        ld a,d
        or e
        ret z
        ex de,hl
        call print
        ex de,hl
        inc hl
        jr printlist

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
        jr c,hexd1
        add a,7
hexd1:  jr putc

; bits8: A = value, HL = cell of bit 7; each bit three cells after the one before.
bits8:  ld b,8
bits1:  rlca
        push af
        ld a,'0'
        adc a,0
        call putc
        call skip
        call skip
        pop af
        djnz bits1
        ret

; ---- data ---------------------------------------------------------------------------------------
TEXT    MACRO tx,ty,str
        IF (24h + (tx)) GE 40h
        DW (44h + (tx)) * 256 + 31 - (ty)
        ELSE
        DW (24h + (tx)) * 256 + 31 - (ty)
        ENDIF
        DB str,0
        ENDM

statictext:
        TEXT 0,0,"INVADERS DEMO"
        TEXT 0,1,"RST 08"
        TEXT 14,1,"RST 10"
        TEXT 0,4,"PORT 1"
        TEXT 0,5,"       -- RT LT CT -- 1  2  3"
        TEXT 0,8,"PORT 2"
        TEXT 0,9,"       -- -- -- -- P  T  -- --"
        TEXT 0,12,"SHIFT 3412 BY 0 TO 7"
        TEXT 0,15,"WRITE 5A TO 1000:"
        TEXT 0,18,"SHIFTED BY 0-7:"
        TEXT 0,20,"E400 DRAWS AT X 0"
        TEXT 0,21,"6000-63FF: X 224-255"
        TEXT 0,24,"THE BOTTOM 64 ROWS"
        TEXT 0,25,"ARE THE THIRD BAND"
        TEXT 0,29,"\\\\\\\\^^^^ 0123456789"
        DW 0

; The shifted glyph, column by column, bit 0 at the bottom.
shiftglyph:
        DB 18h,3Ch,7Eh,0DBh,0FFh,24h,5Ah,0A5h

; The font as column bytes: column 0 first, bit 7 the top row.
FONTCHAR MACRO code
        ORG font+((code)-20h)*8
        TBYTE G0,G1,G2,G3,G4,G5,G6,G7,7
        TBYTE G0,G1,G2,G3,G4,G5,G6,G7,6
        TBYTE G0,G1,G2,G3,G4,G5,G6,G7,5
        TBYTE G0,G1,G2,G3,G4,G5,G6,G7,4
        TBYTE G0,G1,G2,G3,G4,G5,G6,G7,3
        TBYTE G0,G1,G2,G3,G4,G5,G6,G7,2
        TBYTE G0,G1,G2,G3,G4,G5,G6,G7,1
        TBYTE G0,G1,G2,G3,G4,G5,G6,G7,0
        ENDM

        INCLUDE "../common/transpose.inc"
font:
        INCLUDE "../common/font_glyphs.inc"

; A known ROM byte for the write test.
        ORG 1000h
        DB 0A5h

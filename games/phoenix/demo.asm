; SPDX-License-Identifier: GPL-3.0-or-later
; PHOENIX demo program. The board has no interrupts: the program counts frames by polling the
; vertical-blank flag at 7800h, which reads 80h once after each frame end and 00h otherwise.
;
; What it shows (foreground, fixed): the frame counter, how many polls the last wait took, the
; poll that saw 80h and an immediate second read (00h), every bit of IN0, the two latches read
; back through their mirrors, the unanswered addresses, a write below the RAM that is ignored,
; the palette bank (held high by Ctrl) and the eight foreground colour groups with pens 1-3.
; Background: every line shows its own line number (hex digit), every fourth line the eight
; background colour groups; it scrolls up one pixel a frame, written through a mirror of 5800h.

FG      EQU 4000h               ; 26 columns of 32 lines, rightmost screen column first
BG      EQU 4800h
VARS    EQU 4400h               ; RAM between the two maps
STACK   EQU 4800h
PALETTE EQU 5000h
SCROLL  EQU 5800h
INPUT   EQU 7000h
VBLANK  EQU 7800h

FRAMES  EQU VARS+0              ; word
WAITS   EQU VARS+2              ; word
VBL1    EQU VARS+4
VBL2    EQU VARS+5
KEYS    EQU VARS+6

WHITE   EQU 0                   ; code offsets: font at 20h (white) or A0h (yellow and magenta)
COLOUR  EQU 80h
SAMPLE  EQU 1Fh                 ; sampler of colour group g: 1Fh + 20h x g

; Screen line ly (0-31, top down), column cx (0-25, left to right).
FGAD    MACRO ly,cx
        DW FG+(25-(cx))*32+(ly)
        ENDM
AT      MACRO ly,cx
        ld hl,FG+(25-(cx))*32+(ly)
        ENDM

        ORG 0
        di
        ld sp,STACK
        jp start

        ORG 66h                 ; never taken: nothing on the board raises an NMI
        retn

        ORG 100h
start:  ld hl,FG                ; both maps and the variables; memory survives from run to run
        ld de,FG+1
        ld bc,0FFFh
        ld (hl),0
        ldir
        ld a,(VBLANK)           ; the flag may still be up from an earlier run: use it up
        ld a,5Ah                ; below 3FFFh writes are ignored; 3FFFh itself is RAM
        ld (3FFEh),a
        ld (3FFFh),a

        ld hl,statictext
        call printlist
        AT 11,3                 ; foreground colour groups
        ld c,0
        ld a,SAMPLE
        ld b,8
fgs:    push af
        call putc
        pop af
        add a,20h
        djnz fgs
        call background

main:   ld hl,0                 ; wait for the frame end, counting the polls
poll:   inc hl
        ld a,(VBLANK)
        or a
        jp p,poll
        ld (VBL1),a
        ld (WAITS),hl
        ld a,(VBLANK)           ; the flag was used up by the poll
        ld (VBL2),a
        ld hl,(FRAMES)
        inc hl
        ld (FRAMES),hl

        ld a,l                  ; scroll through the last mirror of the latch
        ld (SCROLL+3FFh),a
        ld a,(INPUT)
        ld (KEYS),a
        and 10h                 ; Ctrl held: palette bank 1 (bit 1), through a mirror
        ld a,0
        jr nz,bank0
        ld a,2
bank0:  ld (PALETTE+123h),a

        ld c,COLOUR
        ld de,(FRAMES)
        AT 1,6
        call hex16
        ld de,(WAITS)
        AT 2,6
        call hex16
        ld a,(VBL1)
        AT 3,6
        call hex8
        ld a,(VBL2)
        AT 3,9
        call hex8
        ld a,(KEYS)
        AT 5,4
        call bin8
        ld a,(PALETTE)
        AT 6,5
        call hex8
        ld a,(PALETTE+123h)
        AT 6,13
        call hex8
        ld a,(SCROLL)
        AT 7,5
        call hex8
        ld a,(SCROLL+3FFh)
        AT 7,13
        call hex8
        ld a,(7400h)
        AT 8,5
        call hex8
        ld a,(7C00h)
        AT 8,13
        call hex8
        ld a,(3FFEh)
        AT 9,5
        call hex8
        ld a,(3FFFh)
        AT 9,13
        call hex8
        ld a,(PALETTE)
        rrca
        and 1
        AT 10,5
        call hexdig
        jp main

; ---- printing: HL a foreground cell, C the code offset ------------------------------------------

; A + C at HL; HL moves one column right (32 bytes down in memory).
putc:   add a,c
        ld (hl),a
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

bin8:   ld b,8
bin1:   rlca
        push af
        ld a,'0'
        adc a,0
        call putc
        pop af
        djnz bin1
        ret

; Entries: cell (word), code offset, text, 0; a cell of 0 ends the list.
printlist:
        ld e,(hl)
        inc hl
        ld d,(hl)
        inc hl
        ld a,d
        or e
        ret z
        ld c,(hl)
        inc hl
        ex de,hl
pl1:    ld a,(de)
        inc de
        or a
        jr z,pl2
        call putc
        jr pl1
pl2:    ex de,hl
        jr printlist

; Every fourth background line: samplers of groups 0-7 in columns 17-24; every line: its number
; in column 25.
background:
        ld e,0                  ; line
bgl:    ld h,0
        ld l,e
        ld bc,BG+(25-17)*32
        add hl,bc
        ld a,e
        and 3
        ld a,SAMPLE
        jr z,bgs0
        xor a
bgs0:   ld b,8
bgs:    ld (hl),a
        or a
        jr z,bgs1
        add a,20h
bgs1:   push de
        ld de,-32
        add hl,de
        pop de
        djnz bgs
        ld a,e
        and 0Fh
        add a,'0'
        cp '9'+1
        jr c,bgd
        add a,7
bgd:    ld (hl),a
        inc e
        ld a,e
        cp 32
        jr nz,bgl
        ret

statictext:
        FGAD 0,0
        DB COLOUR,"PHOENIX DEMO",0
        FGAD 1,0
        DB WHITE,"FRAME",0
        FGAD 2,0
        DB WHITE,"WAIT",0
        FGAD 3,0
        DB WHITE,"VBL",0
        FGAD 4,0
        DB WHITE,"KEY SLRC-213",0
        FGAD 5,0
        DB WHITE,"IN0",0
        FGAD 6,0
        DB WHITE,"5000",0
        FGAD 6,8
        DB WHITE,"5123",0
        FGAD 7,0
        DB WHITE,"5800",0
        FGAD 7,8
        DB WHITE,"5BFF",0
        FGAD 8,0
        DB WHITE,"7400",0
        FGAD 8,8
        DB WHITE,"7C00",0
        FGAD 9,0
        DB WHITE,"3FFE",0
        FGAD 9,8
        DB WHITE,"3FFF",0
        FGAD 10,0
        DB WHITE,"BANK",0
        FGAD 10,7
        DB WHITE,"CTRL=1",0
        FGAD 11,0
        DB WHITE,"FG",0
        FGAD 31,0
        DB COLOUR,"FIXED FOREGROUND",0
        DW 0

; A ROM byte where the program writes: the write must leave it unchanged.
        ORG 3FFEh
        DB 0C3h

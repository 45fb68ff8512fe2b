; SPDX-License-Identifier: GPL-3.0-or-later
; CPU-bound workload for the core benchmark: a mix of what games run most. Each pass of the outer
; loop ends with OUT (0),A, so the benchmark counts passes as the unit of work.
RAM     equ 8000h
TABLE   equ RAM
BUFFER  equ RAM + 100h
SOURCE  equ RAM + 200h
DEST    equ RAM + 300h

        org 0
start:  ld sp, 0F000h
        ld c, 0
        ld de, 1357h
outer:  ld ix, TABLE
        ld iy, BUFFER
        ld b, 64
inner:  ld a, (ix+0)            ; indexed loads and arithmetic
        add a, (iy+1)
        ld (iy+2), a
        xor c
        ld c, a
        rlc (ix+3)              ; CB forms, indexed and plain
        srl d
        set 1, e
        bit 3, e
        jr z, skip
        inc e
skip:   call mix
        inc ix
        inc iy
        djnz inner
        ld hl, SOURCE           ; block move
        ld de, DEST
        ld bc, 64
        ldir
        ld de, 1357h
        out (0), a
        jp outer

mix:    push bc                 ; 16-bit arithmetic, logic, exchanges, conditional return
        ld hl, 1234h
        add hl, de
        ex de, hl
        or a
        sbc hl, bc
        ld a, h                 ; keep the store inside the 9000h-9FFFh scratch area
        and 0Fh
        or 90h
        ld h, a
        ld a, l
        cp 80h
        jr nc, nostore
        rla
        ld (hl), a
nostore: inc (hl)
        pop bc
        ret nz
        ret

; SPDX-License-Identifier: GPL-3.0-or-later
; The tape test: pasmo writes it as a .tap with its BASIC loader (CLEAR, LOAD ""CODE, RANDOMIZE
; USR), so loading it goes through the ROM twice, a program and a block of code. Once running it
; shows stripes and a red border, marks that it started and counts frames.

started         EQU 5B00h           ; 1 once the code runs
frames          EQU 5B01h           ; counted by the loop below, one per interrupt

        ORG 8000h
start:
        ld a,2
        out (0FEh),a                ; red border
        ld hl,4000h                 ; stripes: every pixel row alternating
        ld de,4001h
        ld bc,1800h-1
        ld (hl),0AAh
        ldir
        ld hl,5800h                 ; white ink on blue paper
        ld de,5801h
        ld bc,300h-1
        ld (hl),0Fh
        ldir
        ld a,1
        ld (started),a
        ld hl,0
        ld (frames),hl
        ei
count:
        halt
        ld hl,(frames)
        inc hl
        ld (frames),hl
        jr count

; A few KB of known bytes make the code block long enough to cross a frame while it loads.
pattern:
        REPT 256
        DB 00h,11h,22h,33h,44h,55h,66h,77h,88h,99h,0AAh,0BBh,0CCh,0DDh,0EEh,0FFh
        ENDM
pattern_end:

        END start

; SPDX-License-Identifier: GPL-3.0-or-later
; The keyboard test as a 48K snapshot: a 27-byte header, then memory 4000h-FFFFh. It runs on
; any ROM: interrupt mode 2 sends the frame interrupt to our own routine, and the program
; resumes by the return address waiting on the stack, as if the snapshot had been taken inside
; an interrupt.

frames          EQU 5B00h
RESUME_SP       EQU 0FCFEh
VECTORS         EQU 0FE00h          ; I = FEh: 257 bytes of FDh, so any bus byte finds FDFDh

        ORG 4000h-27
        DB VECTORS/256              ; I
        DW 0,0,0,0                  ; HL' DE' BC' AF'
        DW 0,0,0                    ; HL DE BC
        DW 5C3Ah,0                  ; IY IX
        DB 04h                      ; bit 2: interrupts enabled
        DB 0                        ; R
        DB 0,0                      ; F A
        DW RESUME_SP                ; SP
        DB 2                        ; interrupt mode
        DB 7                        ; border (unused)

        ; The picture that builds up while the snapshot loads: stripes in blue on cyan.
        DS 6144,0F0h
        DS 768,29h

        ORG 8000h
title_text:
        DB "TIRVANE KEYBOARD TEST (SNAPSHOT)",0

        INCLUDE "keytest.inc"
        INCLUDE "screen.inc"
        INCLUDE "../common/font.inc"

        ORG RESUME_SP
        DW keytest_start

        ORG 0FDFDh
        JP frame_interrupt
        ORG VECTORS
        DS 257,0FDh
        DS 0FFh,0                   ; memory runs to FFFFh

; SPDX-License-Identifier: GPL-3.0-or-later
; AY sound chip demo ROM: notes of known registers, each 15 frames long and followed by 5 frames of
; silence, for the pitch, level and envelope tests; then it halts in silence. It runs as ROM 0 of
; the 128K (ay_demo_128k.ini) and as the system ROM of a 48K with the chip added (ay_demo_48k.ini):
; both reach the chip at FFFDh (register) and BFFDh (data). Frames are counted by HALT.

REGISTER        EQU 0FFFDh
DATA_HIGH       EQU 0BFh
WAIT            EQU 0FFh
FINISH          EQU 0FEh

        ORG 0000h
        DI
        JP start

        ORG 0038h
        EI
        RET

start:
        LD SP,8000h
        IM 1
        LD HL,script
next:
        LD A,(HL)
        INC HL
        CP WAIT
        JR Z,wait_frames
        CP FINISH
        JR Z,finished
        LD BC,REGISTER
        OUT (C),A
        LD A,(HL)
        INC HL
        LD B,DATA_HIGH
        OUT (C),A
        JR next
wait_frames:
        LD B,(HL)
        INC HL
        EI
wait_loop:
        HALT
        DJNZ wait_loop
        DI
        JR next
finished:
        HALT
        JR finished

; register, value pairs; WAIT, frames; FINISH.
script:
        DB 7,3Eh, 0,1Ch, 1,01h, 8,0Fh, WAIT,15, 8,0, WAIT,5     ; tone A, period 284, level 15
        DB 7,3Dh, 2,0D5h, 3,0, 9,0Fh, WAIT,15, 9,0, WAIT,5      ; tone B, period 213
        DB 7,3Bh, 4,0E8h, 5,03h, 10,0Fh, WAIT,15, 10,0, WAIT,5  ; tone C, period 1000
        DB 7,3Eh, 8,0Dh, WAIT,15, 8,0, WAIT,5                   ; tone A at level 13
        DB 8,0Bh, WAIT,15, 8,0, WAIT,5                          ; tone A at level 11
        DB 7,3Fh, 11,10, 12,0, 13,0Eh, 8,10h, WAIT,15, 8,0, WAIT,5  ; envelope /\/\ alone, period 10
        DB 13,0Ch, 8,10h, WAIT,15, 8,0, WAIT,5                  ; envelope ////, period 10
        DB 7,37h, 6,1, 8,0Fh, WAIT,15, 8,0, WAIT,5              ; noise A, period 1
        DB FINISH

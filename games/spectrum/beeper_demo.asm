; SPDX-License-Identifier: GPL-3.0-or-later
; SPECTRUM beeper demo ROM: a C major scale from C6 to C7 on the speaker line (port FEh bit 4),
; then one note on the quieter line (bit 3), each note followed by a short silence; then it halts.
; Interrupts stay off, so every half period lasts exactly 13 * count + 46 T-states (see note).

        ORG 0000h
        DI
        LD SP,0000h
        XOR A
        OUT (0FEh),A
        LD IX,notes
next_note:
        LD C,(IX+0)                 ; delay count
        LD A,C
        OR A
        JR Z,finished
        LD L,(IX+1)                 ; line to toggle
        LD E,(IX+2)
        LD D,(IX+3)                 ; half periods
        CALL note
        CALL pause
        LD DE,4
        ADD IX,DE
        JR next_note
finished:
        HALT
        JR finished

; DE half periods of C delay steps on line L. Per half period:
; XOR L 4, OUT 11, LD B,C 4, DJNZ 13 * (C - 1) + 8, DEC DE 6, LD H,A 4, LD A,D 4, OR E 4,
; LD A,H 4, JP NZ 10: 13 * C + 46.
note:
        XOR A
half_period:
        XOR L
        OUT (0FEh),A
        LD B,C
delay:
        DJNZ delay
        DEC DE
        LD H,A
        LD A,D
        OR E
        LD A,H
        JP NZ,half_period
        XOR A
        OUT (0FEh),A
        RET

; About 60 ms of silence at 3.5 MHz.
pause:
        LD BC,8000
pause_loop:
        DEC BC
        LD A,B
        OR C
        JR NZ,pause_loop
        RET

; delay count, line, half periods (about a quarter of a second each at 3.5 MHz)
notes:
        DB 125,10h
        DW 520
        DB 111,10h
        DW 588
        DB 98,10h
        DW 660
        DB 92,10h
        DW 698
        DB 82,10h
        DW 784
        DB 73,10h
        DW 880
        DB 64,10h
        DW 988
        DB 60,10h
        DW 1046
        DB 98,08h
        DW 660
        DB 0

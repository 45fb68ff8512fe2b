; SPDX-License-Identifier: GPL-3.0-or-later
; Our sound cartridge for the COLECO test BIOS: on the sound generator (port FFh), C5, E5 and G5
; one channel at a time, the three as a chord, C5 again 12 dB quieter, a burst of white noise and
; one of periodic noise, each followed by silence; then the generator stays silent.

        ORG 8000h
        DB 0AAh,55h
        DW start

; Dividers: clock / (32 * n) with a 3,579,545 Hz clock.
C5              EQU 214             ; 522.7 Hz
E5              EQU 170             ; 658.0 Hz
G5              EQU 143             ; 782.2 Hz

start:
        CALL silence
        LD HL,steps
step:
        LD A,(HL)
        INC HL
        OR A
        JR Z,done
        LD B,A                      ; bytes of this step
write:
        LD A,(HL)
        INC HL
        OUT (0FFh),A
        DJNZ write
        PUSH HL
        LD HL,40000                 ; the sound holds about 0.3 s
        CALL wait
        CALL silence
        LD HL,10000                 ; then silence for about 0.07 s
        CALL wait
        POP HL
        JR step
done:
        JR done

; Attenuation 15 (off) on all four channels.
silence:
        LD A,9Fh
        OUT (0FFh),A
        LD A,0BFh
        OUT (0FFh),A
        LD A,0DFh
        OUT (0FFh),A
        LD A,0FFh
        OUT (0FFh),A
        RET

; HL times 26 T-states.
wait:
        DEC HL
        LD A,H
        OR L
        JR NZ,wait
        RET

; Each step: a count, then the bytes for port FFh. Tone: latch 80h + channel * 20h + low nibble,
; then data = the divider's upper six bits. Attenuation: 90h + channel * 20h + level.
steps:
        DB 3, 80h+(C5 AND 0Fh), C5/16, 90h
        DB 3, 0A0h+(E5 AND 0Fh), E5/16, 0B0h
        DB 3, 0C0h+(G5 AND 0Fh), G5/16, 0D0h
        DB 3, 90h, 0B0h, 0D0h
        DB 1, 96h
        DB 2, 0E4h, 0F0h            ; white noise, shift rate clock / 512
        DB 2, 0E2h, 0F0h            ; periodic noise, shift rate clock / 2048
        DB 0

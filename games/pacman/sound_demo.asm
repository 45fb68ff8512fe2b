; SPDX-License-Identifier: GPL-3.0-or-later
; PACMAN sound demo: the first voice plays each of the eight waveforms of our PROM (waves.prom)
; at 440 Hz, then the sine again at a third of the volume; then the second voice at 656.25 Hz and
; the third at 878.91 Hz. Every note holds about 0.3 s and is followed by silence. Interrupts stay
; off; the picture is whatever the empty tilemap shows.

SOUND   EQU     5040h           ; 32 nibble registers
ENABLE  EQU     5001h           ; bit 0: sound on
WAVE1   EQU     5045h
FREQ1   EQU     5050h           ; five nibbles, lowest first: 20-bit frequency
VOL1    EQU     5055h
WAVE2   EQU     504Ah
FREQ2   EQU     5056h           ; four nibbles: bits 4-19
VOL2    EQU     505Ah
WAVE3   EQU     504Fh
FREQ3   EQU     505Bh
VOL3    EQU     505Fh

        ORG     0
        DI
        LD      SP,4FC0h
        LD      HL,SOUND
        LD      B,32
        XOR     A
clear:  LD      (HL),A
        INC     HL
        DJNZ    clear
        LD      A,1
        LD      (ENABLE),A

        ; 12C6h * 96000 / 2^20 = 440.0 Hz
        LD      HL,FREQ1
        LD      DE,freq1
        LD      B,5
        CALL    nibbles
        XOR     A
waves:  LD      (WAVE1),A
        PUSH    AF
        LD      A,15
        CALL    play1
        POP     AF
        INC     A
        CP      8
        JR      NZ,waves
        XOR     A
        LD      (WAVE1),A
        LD      A,5
        CALL    play1

        ; 1C00h: 656.25 Hz on the second voice, sine
        LD      HL,FREQ2
        LD      DE,freq2
        LD      B,4
        CALL    nibbles
        LD      HL,VOL2
        CALL    play
        ; 2580h: 878.91 Hz on the third voice, sine
        LD      HL,FREQ3
        LD      DE,freq3
        LD      B,4
        CALL    nibbles
        LD      HL,VOL3
        CALL    play
done:   JR      done

; B nibbles from DE to HL onwards.
nibbles:
        LD      A,(DE)
        LD      (HL),A
        INC     DE
        INC     HL
        DJNZ    nibbles
        RET

; The first voice at volume A for a note, then silence.
play1:  LD      (VOL1),A
        JR      hold
; The voice whose volume register HL is, at full volume.
play:   LD      (HL),15
hold:   PUSH    HL
        LD      HL,35000        ; about 0.3 s
        CALL    wait
        POP     HL
        XOR     A
        LD      (VOL1),A
        LD      (VOL2),A
        LD      (VOL3),A
        LD      HL,8000         ; about 0.07 s of silence
        ; falls through

; HL times 26 T-states.
wait:   DEC     HL
        LD      A,H
        OR      L
        JR      NZ,wait
        RET

freq1:  DB      6,0Ch,2,1,0
freq2:  DB      0,0Ch,1,0
freq3:  DB      8,5,2,0

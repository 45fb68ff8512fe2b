; SPDX-License-Identifier: GPL-3.0-or-later
; ROM 0 of the SPECTRUM 128K description: our own, in place of the 128K's editor ROM, which is not
; free to ship. It starts the machine with ROM 0, RAM page 0 at C000h and the normal screen,
; writes the 128K's system variables above the printer buffer (5B5Ch-5B7Fh: BANKM, the copy of the
; last byte sent to port 7FFDh, and the serial and editor settings beside it) and hands over to
; 48K BASIC in ROM 1 through a four-instruction stub at 5B00h (the switch must run from RAM: the
; next opcode after the OUT comes from the other ROM).
;
; While this ROM is paged in later (a program that pages it on purpose), the frame interrupt
; counts FRAMES as BASIC does and returns, and the NMI returns at once.

PORT_7FFD       EQU 7FFDh
BANKM           EQU 5B5Ch
FRAMES          EQU 5C78h
STUB            EQU 5B00h
ROM1_PAGE0      EQU 10h             ; ROM 1, RAM page 0 at C000h, normal screen, unlocked

        ORG 0000h
        DI
        JP start

        ORG 0038h
        PUSH HL
        LD HL,(FRAMES)
        INC HL
        LD (FRAMES),HL
        POP HL
        EI
        RET

        ORG 0066h
        RETN

; Found by the tests and by the debugger's memory pane: which ROM is in.
        DB "TIRVANE 128K ROM 0",0

start:
        LD SP,5C00h
        IM 1
        LD BC,PORT_7FFD
        XOR A
        OUT (C),A
        LD HL,system_variables
        LD DE,BANKM
        LD BC,system_variables_end-system_variables
        LDIR
        LD HL,stub
        LD DE,STUB
        LD BC,stub_end-stub
        LDIR
        JP STUB

stub:
        LD BC,PORT_7FFD
        LD A,ROM1_PAGE0
        OUT (C),A
        JP 0000h
stub_end:

; 5B5Ch onwards as the 128K's editor leaves them for programs that page.
system_variables:
        DB ROM1_PAGE0               ; 5B5C BANKM: the last byte sent to 7FFDh
        DB 0CFh                     ; 5B5D RAMRST: RST 08h, for error reports from RAM
        DB 0FFh                     ; 5B5E RAMERR: no error
        DW 12                       ; 5B5F BAUD: 9600 baud
        DW 0                        ; 5B61 SERFL: no byte waiting from the serial port
        DB 0                        ; 5B63 COL: printer column
        DB 80                       ; 5B64 WIDTH: printer width
        DB 0                        ; 5B65 TVPARS
        DB 0                        ; 5B66 FLAGS3
system_variables_end:

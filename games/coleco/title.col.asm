; SPDX-License-Identifier: GPL-3.0-or-later
; A cartridge that asks for the console BIOS's title screen (55h AAh) and, once started, says so
; on a graphics I screen of its own.

LOAD_ASCII      EQU 1F7Fh
FILL_VRAM       EQU 1F82h
MODE_1          EQU 1F85h
WRITE_REGISTER  EQU 1FD9h
WRITE_VRAM      EQU 1FDFh

        ORG 8000h
        DB 55h,0AAh                 ; the title screen first
        DW 0, 0, 0, 0
        DW start
        DS 21, 0C9h                 ; RST 08h-30h and RST 38h: RET
        RETN                        ; 8021h: the NMI (never enabled)
        NOP
        DB "A TITLE OF OUR OWN/TIRVANE PRESENTS/2026"

start:
        CALL MODE_1
        CALL LOAD_ASCII
        LD HL,2000h
        LD DE,32
        LD A,0A1h                   ; dark yellow on black
        CALL FILL_VRAM
        LD HL,1800h
        LD DE,768
        LD A,' '
        CALL FILL_VRAM
        LD HL,started_text
        LD DE,1800h+11*32+4
        LD BC,started_end-started_text
        CALL WRITE_VRAM
        LD BC,1*256+0C0h
        CALL WRITE_REGISTER
idle:
        JR idle

started_text:
        DB "STARTED AFTER THE TITLE"
started_end:

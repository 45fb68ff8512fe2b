; SPDX-License-Identifier: GPL-3.0-or-later
; Our own test BIOS for the COLECO driver (there is no free console BIOS). It sets up graphics II
; through the ports, draws a title, counts frame interrupts (NMIs) on screen and starts a
; cartridge as soon as one lies at 8000h: from the description, or loaded later with the
; Cartridge button while the BIOS waits.
;
; Our cartridge header: 8000h  DB 0AAh,55h   signature
;                       8002h  DW start      entered with NMIs off, stack at 8000h
; The BIOS's NMI routine keeps counting for the cartridge: nmi_count (two bytes at 7000h).

nmi_count       EQU 7000h
CARTRIDGE       EQU 8000h

        ORG 0000h
        DI
        LD SP,8000h
        IM 1
        JP boot

        ORG 0038h
        EI
        RETI

        ORG 0066h
        PUSH AF
        PUSH HL
        IN A,(VDP_CONTROL)          ; acknowledges the frame flag
        LD HL,(nmi_count)
        INC HL
        LD (nmi_count),HL
        POP HL
        POP AF
        RETN

boot:
        LD HL,6000h                 ; RAM keeps an earlier run's bytes: start clean
        LD DE,6001h
        LD BC,1FFFh
        LD (HL),0
        LDIR
        CALL cartridge_check
        CALL vdp_graphics2
        LD HL,PATTERNS
        CALL vdp_font
        LD HL,PATTERNS+800h
        CALL vdp_font
        LD HL,PATTERNS+1000h
        CALL vdp_font

        LD B,0
        LD E,CHECKER
        CALL vdp_row
        LD B,23
        LD E,CHECKER
        CALL vdp_row
        LD BC,2*256+7
        LD DE,title_text
        CALL vdp_print
        LD BC,4*256+9
        LD DE,mode_text
        CALL vdp_print
        LD BC,11*256+7
        LD DE,insert_text
        CALL vdp_print
        LD E,SOLID
        LD B,12
        LD C,7
        CALL vdp_cell
        LD BC,18
        CALL vdp_fill
        LD BC,20*256+9
        LD DE,nmi_text
        CALL vdp_print
        LD BC,1*256+R1_INTERRUPT
        CALL vdp_register

waiting:
        HALT
        CALL cartridge_check
        LD HL,(nmi_count)
        LD BC,20*256+19
        CALL vdp_hex16
        JR waiting

; Starts the cartridge when its signature is there; returns otherwise.
cartridge_check:
        LD HL,(CARTRIDGE)
        LD DE,55AAh
        OR A
        SBC HL,DE
        RET NZ
        LD BC,1*256+R1_QUIET
        CALL vdp_register
        LD SP,8000h
        LD HL,(CARTRIDGE+2)
        JP (HL)

title_text:
        DB "TIRVANE TEST BIOS",0
mode_text:
        DB "GRAPHICS II",0
insert_text:
        DB "INSERT A CARTRIDGE",0
nmi_text:
        DB "NMI COUNT",0

        INCLUDE "vdp.inc"
        INCLUDE "../common/font.inc"

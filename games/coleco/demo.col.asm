; SPDX-License-Identifier: GPL-3.0-or-later
; Our demo cartridge for the COLECO test BIOS: graphics II with a different picture in each
; third of the screen: text, a bitmap (a Sierpinski triangle computed into the middle third's own
; pattern table) and a block that moves one column per frame interrupt.

nmi_count       EQU 7000h           ; counted by the BIOS
BAR_ROW         EQU 20

        ORG 8000h
        DB 0AAh,55h
        DW start

start:
        CALL vdp_graphics2
        LD HL,PATTERNS
        CALL vdp_font
        LD HL,PATTERNS+1000h
        CALL vdp_font

        LD BC,1*256+5
        LD DE,title_text
        CALL vdp_print
        LD BC,3*256+5
        LD DE,mode_text
        CALL vdp_print
        LD BC,5*256+5
        LD DE,nmi_text
        CALL vdp_print
        LD B,7
        LD E,CHECKER
        CALL vdp_row
        LD B,16
        LD E,CHECKER
        CALL vdp_row

        ; Middle third: names 0-255 in order, so its 2 KB of patterns is a 256 x 64 bitmap.
        LD HL,NAMES+256
        CALL vdp_write_at
        XOR A
names_next:
        OUT (VDP_DATA),A
        INC A
        JR NZ,names_next

        ; Pixel (x, y) is ink when x AND y is 0. Cell row D, column E, line C: y = 8D + C, and
        ; the byte's eight x share their upper bits (8E AND y) and differ in the low three.
        LD HL,PATTERNS+800h
        CALL vdp_write_at
        LD D,0
triangle_row:
        LD E,0
triangle_column:
        LD C,0
triangle_line:
        LD A,D
        ADD A,A
        ADD A,A
        ADD A,A
        OR C
        LD B,A                      ; y
        LD A,E
        ADD A,A
        ADD A,A
        ADD A,A
        AND B
        JR NZ,triangle_blank
        LD A,B
        AND 07h
        LD HL,low_bits
        ADD A,L
        LD L,A
        LD A,H
        ADC A,0
        LD H,A
        LD A,(HL)
        JR triangle_put
triangle_blank:
        XOR A
triangle_put:
        OUT (VDP_DATA),A
        INC C
        LD A,C
        CP 8
        JR NZ,triangle_line
        INC E
        LD A,E
        CP 32
        JR NZ,triangle_column
        INC D
        LD A,D
        CP 8
        JR NZ,triangle_row

        LD BC,1*256+R1_INTERRUPT
        CALL vdp_register

running:
        HALT
        LD HL,(nmi_count)
        LD BC,5*256+16
        CALL vdp_hex16
        ; The block: row BAR_ROW blank but one SOLID cell at column (count AND 31).
        LD B,BAR_ROW
        LD C,0
        CALL vdp_cell
        CALL vdp_write_at
        LD A,(nmi_count)
        AND 1Fh
        LD C,A
        LD B,32
bar_next:
        LD A,C
        OR A
        LD A,' '
        JR NZ,bar_put
        LD A,SOLID
bar_put:
        OUT (VDP_DATA),A
        DEC C
        DJNZ bar_next
        JR running

; Byte of the eight pixels x = 8E + k (k = 0 leftmost) for y AND 7 = index, when (8E AND y) is 0.
low_bits:
        DB 0FFh,0AAh,0CCh,88h,0F0h,0A0h,0C0h,80h

title_text:
        DB "TIRVANE DEMO CARTRIDGE",0
mode_text:
        DB "GRAPHICS II, THREE THIRDS",0
nmi_text:
        DB "NMI COUNT",0

        INCLUDE "vdp.inc"
        INCLUDE "../common/font.inc"

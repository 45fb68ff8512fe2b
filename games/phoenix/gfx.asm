; SPDX-License-Identifier: GPL-3.0-or-later
; Character ROM of the PHOENIX demo, 8 KB: bank 0 (foreground) at 0000h, bank 1 (background) at
; 1000h; in each bank the high pen bit of character n at 8n, the low pen bit at 800h + 8n.
; Byte y of a character is screen column 7-y, its bit b screen row b.
;
; Bank 0: the font in pen 3 at 20h-5Fh and again at A0h-DFh (other colour groups: the colour
;         group is the code's top three bits); 1Fh, 3Fh, ... FFh a pen sampler for each group.
; Bank 1: the font at 20h-5Fh, the same samplers.
; The sampler shows pen 1 in rows 0-1, pen 2 in rows 2-4, pen 3 in rows 5-6 (overlapping rows
; 2-4 with pen 1 make rows 5-6 pen 3).

BANK0   EQU 0000h
BANK1   EQU 1000h
LOPLANE     EQU 800h

; One character byte: column sh of the glyph G0-G7, top row into bit 0.
CBYTE   MACRO sh
        DB (((G0 SHR (sh)) AND 1)) OR (((G1 SHR (sh)) AND 1) SHL 1) OR (((G2 SHR (sh)) AND 1) SHL 2) OR (((G3 SHR (sh)) AND 1) SHL 3) OR (((G4 SHR (sh)) AND 1) SHL 4) OR (((G5 SHR (sh)) AND 1) SHL 5) OR (((G6 SHR (sh)) AND 1) SHL 6) OR (((G7 SHR (sh)) AND 1) SHL 7)
        ENDM

GLYPH   MACRO at
        ORG at
        CBYTE 0
        CBYTE 1
        CBYTE 2
        CBYTE 3
        CBYTE 4
        CBYTE 5
        CBYTE 6
        CBYTE 7
        ENDM

; Pen 3: the same glyph in both planes.
FONTCHAR MACRO code
        GLYPH BANK0+(code)*8
        GLYPH BANK0+LOPLANE+(code)*8
        GLYPH BANK0+((code)+80h)*8
        GLYPH BANK0+LOPLANE+((code)+80h)*8
        GLYPH BANK1+(code)*8
        GLYPH BANK1+LOPLANE+(code)*8
        ENDM

SAMPLER MACRO bank,code
        ORG (bank)+(code)*8
        DB 0,7Ch,7Ch,7Ch,7Ch,7Ch,7Ch,7Ch
        ORG (bank)+LOPLANE+(code)*8
        DB 0,63h,63h,63h,63h,63h,63h,63h
        ENDM

; The whole file is written, gaps included: its first and last bytes are placed explicitly.
        ORG 0
        DB 0
        ORG 1FFFh
        DB 0

        INCLUDE "../common/font_glyphs.inc"

SC      DEFL 1Fh
        REPT 8
        SAMPLER BANK0,SC
        SAMPLER BANK1,SC
SC      DEFL SC+20h
        ENDM

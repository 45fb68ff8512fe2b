; SPDX-License-Identifier: GPL-3.0-or-later
; SPECTRUM demo ROM: replaces the 16 KB system ROM with our keyboard test, run from reset with
; interrupt mode 1.

frames          EQU 5B00h           ; first RAM byte after the screen

        ORG 0000h
        DI
        LD SP,0000h                 ; first push lands at FFFFh
        IM 1
        JP keytest_start

        ORG 0038h
        JP frame_interrupt

title_text:
        DB "TIRVANE KEYBOARD TEST (ROM)",0

        INCLUDE "keytest.inc"
        INCLUDE "screen.inc"
        INCLUDE "../common/font.inc"

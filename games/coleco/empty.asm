; SPDX-License-Identifier: GPL-3.0-or-later
; An empty cartridge slot: two bytes that are not the signature, loaded at 8000h so that a
; cartridge left in memory by an earlier run does not start.
        ORG 8000h
        DB 0,0

; SPDX-License-Identifier: GPL-3.0-or-later
; The debugger's stepping and watchpoint tests run this: nested calls, an RST, a DJNZ loop, an LDIR,
; memory and port accesses, a HALT woken by the frame's mode-1 interrupt, and a recursive routine.
; Interrupts are on from the start, so the one a fresh machine has pending is taken at once.
; Tests find every place by its label in the symbol table pasmo writes beside the binary.

ticks:  equ 8000h           ; interrupts taken
result: equ 8001h           ; written by outer
copy:   equ 8100h           ; the LDIR's destination

        org 0
start:  ld sp,0F000h
        im 1
        jp init

        org 8
rst8:   ld a,55h
        ret

        org 38h
irq:    push af
        ld a,(ticks)
        inc a
        ld (ticks),a
        pop af
        ei
irq_ret:
        ret                 ; runs inside the EI on the original processor

        org 100h
main:   call outer
after_outer:
        rst 8
after_rst:
        ld b,4
loop:   djnz loop
after_djnz:
        ld hl,source
        ld de,copy
        ld bc,16
block:  ldir
after_ldir:
        ld a,(copy+5)       ; a read through the handler
direct_read:
        ld a,(source+2)     ; a read served from the memory image
port_out:
        out (10h),a
port_in:
        in a,(20h)
rom_write:
        ld (0010h),a        ; dropped: below RomLimit
        nop                 ; not EI: the instruction after an EI runs within it
wait:   halt
after_halt:
        ld c,3
        call recurse
after_recurse:
done:   jr done

outer:  call inner
after_inner:
store:  ld (result),a
        ret

inner:  ld a,3
        ret

; Calls itself C times; stepping over its inner call must not stop at a deeper level's return.
recurse:
        dec c
        ret z
inner_call:
        call recurse
after_inner_call:
        ret

source: db 10h,11h,12h,13h,14h,15h,16h,17h,18h,19h,1Ah,1Bh,1Ch,1Dh,1Eh,1Fh

; After everything above, so that adding to it moves no address the tests name.
init:   xor a
        ld (ticks),a
        ei
        inc a               ; NZ, and a value to write
ram_write:
        ld (4000h),a        ; the first byte above RomLimit
cc_call:
        call nz,leaf        ; a taken conditional call is stepped over like CALL
after_cc_call:
        call twice
after_twice:
        jp main

; Step out from here passes by the return of the routine it calls.
twice:
out_from:
        call leaf
        ret

leaf:   ret

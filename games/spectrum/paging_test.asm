; SPDX-License-Identifier: GPL-3.0-or-later
; 128K paging test as ROM 0: a marker (A0h + page) at C000h and FFFFh of every RAM page, read back
; in reverse order into 8100h-8107h (page 2); then the second screen in page 7 filled red and
; shown; then port 7FFDh locked with page 1 in, and a later write that must be ignored, its
; result (page 1's marker) at 8108h. It ends in a loop with interrupts off.

PORT_7FFD       EQU 7FFDh
RESULTS         EQU 8100h

        ORG 0000h
        DI
        LD SP,8000h
        LD BC,PORT_7FFD
        LD D,0
mark:
        LD A,D
        OUT (C),A
        ADD A,0A0h
        LD (0C000h),A
        LD (0FFFFh),A
        INC D
        LD A,D
        CP 8
        JR NZ,mark

        LD D,7
        LD HL,RESULTS+7
read_back:
        LD A,D
        OUT (C),A
        LD A,(0C000h)
        LD (HL),A
        DEC HL
        DEC D
        JP P,read_back

        LD A,7                      ; page 7 in, still the normal screen
        OUT (C),A
        LD HL,0C000h
        LD DE,0C001h
        LD BC,1800h-1
        LD (HL),0FFh
        LDIR
        LD HL,0D800h
        LD DE,0D801h
        LD BC,300h-1
        LD (HL),0Ah                 ; red ink on blue paper
        LDIR
        LD BC,PORT_7FFD
        LD A,0Fh                    ; page 7, second screen
        OUT (C),A

        LD A,29h                    ; lock, second screen, page 1
        OUT (C),A
        LD A,03h                    ; ignored
        OUT (C),A
        LD A,(0C000h)
        LD (RESULTS+8),A
done:
        JR done

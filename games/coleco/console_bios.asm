; SPDX-License-Identifier: GPL-3.0-or-later
; Our own console BIOS for "#video=full" descriptions (there is no free original to ship). It starts
; the machine as the console does, reads the cartridge header and starts the cartridge, and answers
; the OS7 jump table at 1F61h-1FFFh with the routines homebrew commonly calls. The README lists
; which entries work and which only return.
;
; The cartridge header at 8000h:
;   8000h  AAh 55h: start at once; 55h AAh: show the title screen first
;   8002h  sprite name table, sprite order table, work buffer, controller map (pointers)
;   800Ah  start address
;   800Ch  RST 08h-30h: three bytes each, 800Ch, 800Fh, ... 801Bh
;   801Eh  the maskable interrupt (RST 38h); 8021h the NMI (the video chip's frame interrupt)
;   8024h  title: "LINE 2/LINE 1/YEAR"

VDP_DATA        EQU 0BEh
VDP_CONTROL     EQU 0BFh
KEYPAD_MODE     EQU 80h
JOYSTICK_MODE   EQU 0C0h
CONTROLLER_1    EQU 0FCh
CONTROLLER_2    EQU 0FFh
SOUND           EQU 0FFh

CART            EQU 8000h
CART_MAP        EQU 8008h
CART_START      EQU 800Ah
CART_TITLE      EQU 8024h

; OS7's RAM, where programs expect it
STACK           EQU 73B9h
SOUND_TABLE     EQU 73BAh           ; SOUND_INIT's song table and count (ours: kept only)
SOUND_COUNT     EQU 73BCh
VDP_MODE_WORD   EQU 73C3h           ; copies of R0 and R1
VDP_STATUS_BYTE EQU 73C5h
RAND_NUM        EQU 73C8h
TIMER_TABLE     EQU 73D3h           ; INIT_TIMER's table and data block
TIMER_DATA      EQU 73D5h
TIMER_NEXT_DATA EQU 73D7h           ; next free two bytes of the data block
CONTROLLER_RAW  EQU 73EBh           ; CONTROLLER_SCAN: joystick 1, joystick 2, keypad 1, keypad 2
VRAM_ADDR_TABLE EQU 73F2h           ; sprite attributes, sprite patterns, names, patterns, colours

        ORG 0000h
        JP boot

        ORG 0008h
        JP 800Ch
        ORG 0010h
        JP 800Fh
        ORG 0018h
        JP 8012h
        ORG 0020h
        JP 8015h
        ORG 0028h
        JP 8018h
        ORG 0030h
        JP 801Bh
        ORG 0038h
        JP 801Eh
        ORG 0066h
        JP 8021h

boot:
        DI
        LD SP,STACK
        IM 1
        CALL turn_off_sound
        LD HL,7000h                 ; the console's 1 KB of RAM
        LD DE,7001h
        LD BC,3FFh
        LD (HL),0
        LDIR
        LD HL,0033h
        LD (RAND_NUM),HL
        CALL mode_1                 ; graphics I, display off, no interrupt
        LD HL,(CART)
        LD DE,55AAh                 ; bytes AA 55: no title screen
        OR A
        SBC HL,DE
        JR Z,start_cartridge
        LD HL,(CART)
        LD DE,0AA55h                ; bytes 55 AA: the title first
        OR A
        SBC HL,DE
        JR Z,title_screen

; No cartridge: say so and look again every frame (a cartridge may be loaded meanwhile).
no_cartridge:
        CALL text_screen
        LD HL,10*32+7
        LD DE,insert_text
        CALL print
        CALL display_on
no_cartridge_wait:
        CALL wait_frame
        LD HL,(CART)
        LD DE,55AAh
        OR A
        SBC HL,DE
        JR Z,start_cartridge
        LD HL,(CART)
        LD DE,0AA55h
        OR A
        SBC HL,DE
        JR NZ,no_cartridge_wait
        JR title_screen

start_cartridge:
        LD SP,STACK
        LD HL,(CART_START)
        JP (HL)

; The title from 8024h: its second field above its first, the year below, for three seconds.
title_screen:
        CALL text_screen
        LD HL,3*32+6
        LD DE,bios_text
        CALL print
        LD HL,CART_TITLE
        CALL title_field
        PUSH HL
        LD HL,12*32+2
        CALL print_counted
        POP HL
        CALL title_field
        PUSH HL
        LD HL,10*32+2
        CALL print_counted
        POP HL
        CALL title_field
        LD HL,16*32+2
        CALL print_counted
        CALL display_on
        LD B,180
title_wait:
        PUSH BC
        CALL wait_frame
        POP BC
        DJNZ title_wait
        CALL mode_1
        JR start_cartridge

; HL = a field of the title ending with "/" or any byte below 20h, at most 28 characters.
; Returns DE = its start, B = its length, HL = past its end (past the "/").
title_field:
        LD D,H
        LD E,L
        LD B,0
title_field_next:
        LD A,(HL)
        CP 20h
        RET C
        INC HL
        CP '/'
        RET Z
        INC B
        LD A,B
        CP 28
        RET Z
        JR title_field_next

; HL = name table offset, DE = text, B = length (0: nothing).
print_counted:
        LD A,B
        OR A
        RET Z
        PUSH BC
        PUSH DE
        LD DE,(VRAM_ADDR_TABLE+4)
        ADD HL,DE
        CALL set_write
        POP DE
        POP BC
print_counted_next:
        LD A,(DE)
        OUT (VDP_DATA),A
        INC DE
        DJNZ print_counted_next
        RET

; HL = name table offset, DE = text ending with 0.
print:
        PUSH DE
        LD DE,(VRAM_ADDR_TABLE+4)
        ADD HL,DE
        CALL set_write
        POP DE
print_next:
        LD A,(DE)
        OR A
        RET Z
        OUT (VDP_DATA),A
        INC DE
        JR print_next

; The screens of our own: graphics I, the font, white on dark blue, names cleared.
text_screen:
        CALL mode_1
        CALL load_ascii
        LD HL,(VRAM_ADDR_TABLE+8)
        LD DE,32
        LD A,0F4h
        CALL fill_vram
        LD HL,(VRAM_ADDR_TABLE+4)
        LD DE,768
        LD A,' '
        JP fill_vram

display_on:
        LD BC,1*256+0C0h
        JP write_register

; Waits for the frame flag by reading the status (the frame interrupt stays off).
wait_frame:
        IN A,(VDP_CONTROL)
        RLCA
        JR NC,wait_frame
        RET

bios_text:
        DB "TIRVANE CONSOLE BIOS",0
insert_text:
        DB "INSERT A CARTRIDGE",0

; ---------------------------------------------------------------------------------------------
; Video memory and registers

; HL = video memory address the data port writes next.
set_write:
        LD A,L
        OUT (VDP_CONTROL),A
        LD A,H
        AND 3Fh
        OR 40h
        OUT (VDP_CONTROL),A
        RET

; HL = video memory address the data port reads next.
set_read:
        LD A,L
        OUT (VDP_CONTROL),A
        LD A,H
        AND 3Fh
        OUT (VDP_CONTROL),A
        RET

; FILL_VRAM: HL = address, DE = count, A = value.
fill_vram:
        LD C,A
        CALL set_write
fill_vram_next:
        LD A,D
        OR E
        RET Z
        LD A,C
        OUT (VDP_DATA),A
        DEC DE
        JR fill_vram_next

; WRITE_VRAM: HL = source, DE = video memory address, BC = count.
write_vram:
        EX DE,HL
        CALL set_write
        EX DE,HL
write_vram_next:
        LD A,B
        OR C
        RET Z
        LD A,(HL)
        OUT (VDP_DATA),A
        INC HL
        DEC BC
        JR write_vram_next

; READ_VRAM: HL = destination, DE = video memory address, BC = count.
read_vram:
        EX DE,HL
        CALL set_read
        EX DE,HL
read_vram_next:
        LD A,B
        OR C
        RET Z
        IN A,(VDP_DATA)
        LD (HL),A
        INC HL
        DEC BC
        JR read_vram_next

; WRITE_REGISTER: B = register, C = value; R0 and R1 are kept at VDP_MODE_WORD.
write_register:
        LD A,C
        OUT (VDP_CONTROL),A
        LD A,B
        OR 80h
        OUT (VDP_CONTROL),A
        LD A,B
        CP 2
        RET NC
        LD HL,VDP_MODE_WORD
        ADD A,L
        LD L,A
        LD (HL),C
        RET

; READ_REGISTER: A = the status (which clears its flags), also kept at VDP_STATUS_BYTE.
read_register:
        IN A,(VDP_CONTROL)
        LD (VDP_STATUS_BYTE),A
        RET

; MODE_1: graphics I with the console's table layout, display and frame interrupt off.
mode_1:
        LD HL,mode_1_registers
        LD B,0
mode_1_next:
        LD C,(HL)
        PUSH HL
        PUSH BC
        CALL write_register
        POP BC
        POP HL
        INC HL
        INC B
        LD A,B
        CP 8
        JR NZ,mode_1_next
        LD HL,mode_1_tables
        LD DE,VRAM_ADDR_TABLE
        LD BC,10
        LDIR
        LD HL,(VRAM_ADDR_TABLE)
        LD DE,1
        LD A,0D0h                   ; no sprites
        JP fill_vram

mode_1_registers:
        DB 00h, 80h, 06h, 80h, 00h, 36h, 07h, 00h
mode_1_tables:
        DW 1B00h, 3800h, 1800h, 0000h, 2000h

; INIT_TABLE: A = table (0 sprite attributes, 1 sprite patterns, 2 names, 3 patterns, 4 colours),
; HL = its address. Graphics II takes the pattern and colour tables at 0000h or 2000h whole.
init_table:
        CP 5
        RET NC
        PUSH HL
        LD E,A
        LD D,0
        LD HL,VRAM_ADDR_TABLE
        ADD HL,DE
        ADD HL,DE
        POP DE
        LD (HL),E
        INC HL
        LD (HL),D
        EX DE,HL                    ; HL = address, A = table
        OR A
        JR Z,init_sprite_attributes
        DEC A
        JR Z,init_sprite_patterns
        DEC A
        JR Z,init_names
        DEC A
        JR Z,init_patterns
        ; colours
        LD A,(VDP_MODE_WORD)
        AND 02h
        JR Z,init_colours_mode_1
        LD C,7Fh
        BIT 5,H
        JR Z,init_table_write3
        LD C,0FFh
init_table_write3:
        LD B,3
        JP write_register
init_colours_mode_1:
        LD B,6                      ; HL / 40h
        CALL shift_right
        LD C,L
        JR init_table_write3
init_patterns:
        LD A,(VDP_MODE_WORD)
        AND 02h
        JR Z,init_patterns_mode_1
        LD C,03h
        BIT 5,H
        JR Z,init_table_write4
        LD C,07h
init_table_write4:
        LD B,4
        JP write_register
init_patterns_mode_1:
        LD C,H
        SRL C
        SRL C
        SRL C
        JR init_table_write4
init_names:
        LD C,H
        SRL C
        SRL C
        LD B,2
        JP write_register
init_sprite_patterns:
        LD C,H
        SRL C
        SRL C
        SRL C
        LD B,6
        JP write_register
init_sprite_attributes:
        LD B,7
        CALL shift_right
        LD C,L
        LD B,5
        JP write_register

; HL >>= B (B > 0).
shift_right:
        SRL H
        RR L
        DJNZ shift_right
        RET

item_sizes:
        DB 4, 8, 1, 8, 8

; PUT_VRAM: A = table, DE = first item, HL = data, IY = number of items.
put_vram:
        PUSH HL
        CALL item_span
        EX DE,HL                    ; DE = video memory address
        POP HL
        JP write_vram

; GET_VRAM: A = table, DE = first item, HL = destination, IY = number of items.
get_vram:
        PUSH HL
        CALL item_span
        EX DE,HL
        POP HL
        JP read_vram

; HL = address of item DE of table A, BC = bytes in IY items.
item_span:
        CP 5
        JR C,item_span_table
        LD A,2                      ; an unknown table is taken as the names
item_span_table:
        PUSH AF
        LD L,A
        LD H,0
        LD BC,item_sizes
        ADD HL,BC
        LD C,(HL)                   ; C = item size
        CP 4
        JR NZ,item_span_sized
        LD A,(VDP_MODE_WORD)
        AND 02h
        JR NZ,item_span_sized
        LD C,1                      ; graphics I: one colour byte per eight names
item_span_sized:
        PUSH IY
        POP HL                      ; HL = items
        LD B,C
        SRL B
        JR Z,item_span_scaled_count
item_span_count:
        ADD HL,HL
        SRL B
        JR NZ,item_span_count
item_span_scaled_count:
        PUSH HL                     ; bytes
        EX DE,HL                    ; HL = first item
        LD B,C
        SRL B
        JR Z,item_span_scaled_first
item_span_first:
        ADD HL,HL
        SRL B
        JR NZ,item_span_first
item_span_scaled_first:
        EX DE,HL                    ; DE = offset
        POP BC
        POP AF
        LD L,A
        LD H,0
        ADD HL,HL
        PUSH BC
        LD BC,VRAM_ADDR_TABLE
        ADD HL,BC
        LD A,(HL)
        INC HL
        LD H,(HL)
        LD L,A
        ADD HL,DE
        POP BC
        RET

; LOAD_ASCII: our font at the patterns of characters 20h-5Fh, and again for 60h-7Fh (lower case
; shows as capitals).
load_ascii:
        LD HL,(VRAM_ADDR_TABLE+6)
        LD DE,20h*8
        ADD HL,DE
        PUSH HL
        EX DE,HL
        LD HL,font_base
        LD BC,64*8
        CALL write_vram
        POP HL
        LD DE,41h*8
        ADD HL,DE
        EX DE,HL
        LD HL,font_base+21h*8
        LD BC,26*8
        JP write_vram

; ---------------------------------------------------------------------------------------------
; Controllers

; The keypad's codes on bits 0-3 (index) as the key's value: 0-9, 0Ah *, 0Bh #, 0Fh none.
keypad_values:
        DB 0Fh, 08h, 04h, 05h, 0Fh, 07h, 0Bh, 02h
        DB 0Fh, 0Ah, 00h, 09h, 03h, 01h, 06h, 0Fh

; CONTROLLER_SCAN: both controllers in both modes, as read (active low), into CONTROLLER_RAW.
controller_scan:
        OUT (JOYSTICK_MODE),A
        IN A,(CONTROLLER_1)
        LD (CONTROLLER_RAW),A
        IN A,(CONTROLLER_2)
        LD (CONTROLLER_RAW+1),A
        OUT (KEYPAD_MODE),A
        IN A,(CONTROLLER_1)
        LD (CONTROLLER_RAW+2),A
        IN A,(CONTROLLER_2)
        LD (CONTROLLER_RAW+3),A
        RET

; DECODER: H = controller (0 or 1), L = 0 joystick or 1 keypad.
; Returns H = the fire button (40h held), L = directions (bit 0 up, 1 right, 2 down, 3 left) or
; the key's value, E = 0 (no spinner).
decoder:
        LD A,L
        OR A
        LD A,H
        LD C,CONTROLLER_1
        JR Z,decoder_joystick
        OR A
        JR Z,decoder_keypad_port
        LD C,CONTROLLER_2
decoder_keypad_port:
        OUT (KEYPAD_MODE),A
        IN A,(C)
        LD B,A
        AND 0Fh
        LD E,A
        LD D,0
        LD HL,keypad_values
        ADD HL,DE
        LD L,(HL)
        LD A,B
        CPL
        LD H,A
        JR decoder_done
decoder_joystick:
        OR A
        JR Z,decoder_joystick_port
        LD C,CONTROLLER_2
decoder_joystick_port:
        OUT (JOYSTICK_MODE),A
        IN A,(C)
        CPL
        LD H,A
        AND 0Fh
        LD L,A
decoder_done:
        LD A,H
        AND 40h
        LD H,A
        LD E,0
        RET

; POLLER: fills the controller map the header points to (8008h). For each controller whose
; byte (map+0, map+1) has bit 7 set: fire, joystick, spinner, arm, keypad at map+2 (first) or
; map+7 (second).
poller:
        LD IX,(CART_MAP)
        LD A,(IX+0)
        RLCA
        JR NC,poller_second
        LD H,0
        CALL poll_one
        LD (IX+2),H
        LD (IX+3),L
        LD (IX+4),0
        LD (IX+5),D
        LD (IX+6),E
poller_second:
        LD A,(IX+1)
        RLCA
        RET NC
        LD H,1
        CALL poll_one
        LD (IX+7),H
        LD (IX+8),L
        LD (IX+9),0
        LD (IX+10),D
        LD (IX+11),E
        RET

; H = controller: returns H fire, L joystick, D arm, E keypad value.
poll_one:
        PUSH HL
        LD L,1
        CALL decoder
        LD D,H
        LD E,L
        POP HL
        PUSH DE
        LD L,0
        CALL decoder
        POP DE
        RET

; ---------------------------------------------------------------------------------------------
; Sound: the generator silenced, the song table kept; songs themselves are not played.

turn_off_sound:
        LD A,9Fh
        OUT (SOUND),A
        LD A,0BFh
        OUT (SOUND),A
        LD A,0DFh
        OUT (SOUND),A
        LD A,0FFh
        OUT (SOUND),A
        RET

; SOUND_INIT: B = song areas, HL = song table.
sound_init:
        LD (SOUND_TABLE),HL
        LD A,B
        LD (SOUND_COUNT),A
        JR turn_off_sound

no_operation:
        RET

; ---------------------------------------------------------------------------------------------
; Timers: three bytes a timer in the table INIT_TIMER names: flags, then the frames left.
; Flags: bit 7 the table's last entry, bit 6 in use, bit 5 repeating, bit 4 done; a repeating
; timer keeps its length in two bytes of the data block, at the address in bits 0-3 * 2.

; INIT_TIMER: HL = timer table, DE = data block.
init_timer:
        LD (TIMER_TABLE),HL
        LD (TIMER_DATA),DE
        XOR A
        LD (TIMER_NEXT_DATA),A
        LD (HL),80h                 ; one free entry, the last
        RET

; REQUEST_SIGNAL: HL = frames, A = 0 once, otherwise repeating. Returns A = the signal number.
request_signal:
        LD B,A
        EX DE,HL                    ; DE = frames
        LD HL,(TIMER_TABLE)
        LD C,0                      ; signal number
request_signal_next:
        LD A,(HL)
        BIT 6,A
        JR Z,request_signal_free
        RLCA
        JR C,request_signal_append
        INC HL
        INC HL
        INC HL
        INC C
        JR request_signal_next
request_signal_append:
        RES 7,(HL)                  ; the entry after the last becomes the new last
        INC HL
        INC HL
        INC HL
        INC C
        LD (HL),80h
request_signal_free:
        LD A,(HL)
        AND 80h
        OR 40h
        LD (HL),A
        INC HL
        LD (HL),E
        INC HL
        LD (HL),D
        DEC HL
        DEC HL
        LD A,B
        OR A
        JR Z,request_signal_done
        LD A,(TIMER_NEXT_DATA)
        CP 16
        JR NC,request_signal_done   ; no room left: the timer runs once
        PUSH HL
        LD L,A
        INC A
        LD (TIMER_NEXT_DATA),A
        LD A,L
        OR 20h
        POP HL
        OR (HL)
        LD (HL),A
        CALL timer_length_address
        LD (HL),E
        INC HL
        LD (HL),D
request_signal_done:
        LD A,C
        RET

; HL = the entry of a repeating timer -> HL = where its length is kept.
timer_length_address:
        LD A,(HL)
        AND 0Fh
        ADD A,A
        LD HL,(TIMER_DATA)
        ADD A,L
        LD L,A
        RET NC
        INC H
        RET

; The entry of signal A: HL.
timer_entry:
        LD HL,(TIMER_TABLE)
        LD C,A
        ADD A,A
        ADD A,C
        LD C,A
        LD B,0
        ADD HL,BC
        RET

; TEST_SIGNAL: A = signal. Returns A = 1 and NZ once after the timer ran out (a timer run once
; is freed then), otherwise A = 0 and Z.
test_signal:
        CALL timer_entry
        BIT 4,(HL)
        JR Z,test_signal_no
        RES 4,(HL)
        BIT 5,(HL)
        JR NZ,test_signal_yes
        RES 6,(HL)
test_signal_yes:
        LD A,1
        OR A
        RET
test_signal_no:
        XOR A
        RET

; FREE_SIGNAL: A = signal.
free_signal:
        CALL timer_entry
        LD A,(HL)
        AND 80h
        LD (HL),A
        RET

; TIME_MGR: one frame off every running timer; at zero a timer is done (and restarts if it
; repeats). Called from the cartridge's NMI routine.
time_mgr:
        LD HL,(TIMER_TABLE)
        LD A,H
        OR L
        RET Z
time_mgr_next:
        LD A,(HL)
        BIT 6,A
        JR Z,time_mgr_skip
        PUSH HL
        INC HL
        LD E,(HL)
        INC HL
        LD D,(HL)
        LD A,D
        OR E
        JR Z,time_mgr_kept          ; a finished one-shot waits for TEST_SIGNAL
        DEC DE
        LD (HL),D
        DEC HL
        LD (HL),E
        LD A,D
        OR E
        JR NZ,time_mgr_kept
        POP HL
        PUSH HL
        SET 4,(HL)
        BIT 5,(HL)
        JR Z,time_mgr_kept
        PUSH HL
        CALL timer_length_address
        LD E,(HL)
        INC HL
        LD D,(HL)
        POP HL
        INC HL
        LD (HL),E
        INC HL
        LD (HL),D
time_mgr_kept:
        POP HL
time_mgr_skip:
        BIT 7,(HL)
        RET NZ
        INC HL
        INC HL
        INC HL
        JR time_mgr_next

; RAND_GEN: a 16-bit shift register at RAND_NUM; returns HL = the new value, A = L.
rand_gen:
        LD HL,(RAND_NUM)
        SRL H
        RR L
        JR NC,rand_gen_check
        LD A,H
        XOR 0B4h
        LD H,A
rand_gen_check:
        LD A,H
        OR L
        JR NZ,rand_gen_store
        LD L,33h                    ; never the all-zero state, which would stay
rand_gen_store:
        LD (RAND_NUM),HL
        LD A,L
        RET

        INCLUDE "../common/font.inc"

; ---------------------------------------------------------------------------------------------
; The jump table, at the addresses programs call.
        ORG 1F61h
        JP no_operation             ; 1F61 PLAY_SONGS
        JP no_operation             ; 1F64 ACTIVATEP
        JP no_operation             ; 1F67 PUTOBJP
        JP no_operation             ; 1F6A REFLECT_VERTICAL
        JP no_operation             ; 1F6D REFLECT_HORIZONTAL
        JP no_operation             ; 1F70 ROTATE_90
        JP no_operation             ; 1F73 ENLARGE
        JP controller_scan          ; 1F76 CONTROLLER_SCAN
        JP decoder                  ; 1F79 DECODER
        JP no_operation             ; 1F7C GAME_OPT
        JP load_ascii               ; 1F7F LOAD_ASCII
        JP fill_vram                ; 1F82 FILL_VRAM
        JP mode_1                   ; 1F85 MODE_1
        JP no_operation             ; 1F88 UPDATE_SPINNER
        JP no_operation             ; 1F8B INIT_TABLEP
        JP no_operation             ; 1F8E GET_VRAMP
        JP no_operation             ; 1F91 PUT_VRAMP
        JP no_operation             ; 1F94 INIT_SPR_ORDERP
        JP no_operation             ; 1F97 WR_SPR_NM_TBLP
        JP no_operation             ; 1F9A INIT_TIMERP
        JP no_operation             ; 1F9D FREE_SIGNALP
        JP no_operation             ; 1FA0 REQUEST_SIGNALP
        JP no_operation             ; 1FA3 TEST_SIGNALP
        JP no_operation             ; 1FA6 WRITE_REGISTERP
        JP no_operation             ; 1FA9 WRITE_VRAMP
        JP no_operation             ; 1FAC READ_VRAMP
        JP no_operation             ; 1FAF INIT_WRITERP
        JP no_operation             ; 1FB2 SOUND_INITP
        JP no_operation             ; 1FB5 PLAY_ITP
        JP init_table               ; 1FB8 INIT_TABLE
        JP get_vram                 ; 1FBB GET_VRAM
        JP put_vram                 ; 1FBE PUT_VRAM
        JP no_operation             ; 1FC1 INIT_SPR_ORDER
        JP no_operation             ; 1FC4 WR_SPR_NM_TBL
        JP init_timer               ; 1FC7 INIT_TIMER
        JP free_signal              ; 1FCA FREE_SIGNAL
        JP request_signal           ; 1FCD REQUEST_SIGNAL
        JP test_signal              ; 1FD0 TEST_SIGNAL
        JP time_mgr                 ; 1FD3 TIME_MGR
        JP turn_off_sound           ; 1FD6 TURN_OFF_SOUND
        JP write_register           ; 1FD9 WRITE_REGISTER
        JP read_register            ; 1FDC READ_REGISTER
        JP write_vram               ; 1FDF WRITE_VRAM
        JP read_vram                ; 1FE2 READ_VRAM
        JP no_operation             ; 1FE5 INIT_WRITER
        JP no_operation             ; 1FE8 WRITER
        JP poller                   ; 1FEB POLLER
        JP sound_init               ; 1FEE SOUND_INIT
        JP no_operation             ; 1FF1 PLAY_IT
        JP no_operation             ; 1FF4 SOUND_MAN
        JP no_operation             ; 1FF7 ACTIVATE
        JP no_operation             ; 1FFA PUTOBJ
        JP rand_gen                 ; 1FFD RAND_GEN

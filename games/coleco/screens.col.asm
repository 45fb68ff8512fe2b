; SPDX-License-Identifier: GPL-3.0-or-later
; Our cartridge for the whole video chip, the controllers and the console BIOS's entry points.
; Keypad 1-4 chooses the screen: graphics I, graphics II, text, multicolour. Every screen but text
; shows eight sprites: controller 1's joystick moves sprite 0 (left fire: yellow, right fire:
; green), controller 2's moves sprite 1; the two start overlapping (the collision flag), five sit on
; one line (the fifth-sprite flag, sprite 6) and one has the early-clock bit. The backdrop turns
; from blue to red at line 96 every frame (a register written mid-frame). Row 0 shows the status
; byte and the four controller values (DECODER), row 1 the NMI count the start-up counted through
; the header's vector, the RST 08h check, and RAND_GEN's first value.

; OS7 entry points
CONTROLLER_SCAN EQU 1F76h
DECODER         EQU 1F79h
LOAD_ASCII      EQU 1F7Fh
FILL_VRAM       EQU 1F82h
MODE_1          EQU 1F85h
INIT_TABLE      EQU 1FB8h
GET_VRAM        EQU 1FBBh
PUT_VRAM        EQU 1FBEh
INIT_TIMER      EQU 1FC7h
FREE_SIGNAL     EQU 1FCAh
REQUEST_SIGNAL  EQU 1FCDh
TEST_SIGNAL     EQU 1FD0h
TIME_MGR        EQU 1FD3h
TURN_OFF_SOUND  EQU 1FD6h
WRITE_REGISTER  EQU 1FD9h
READ_REGISTER   EQU 1FDCh
WRITE_VRAM      EQU 1FDFh
READ_VRAM       EQU 1FE2h
POLLER          EQU 1FEBh
SOUND_INIT      EQU 1FEEh
RAND_GEN        EQU 1FFDh

VDP_CONTROL     EQU 0BFh
PATTERNS        EQU 0000h
NAMES           EQU 1800h
SPRITES         EQU 1B00h
SPRITE_PATTERNS EQU 3800h
COLOURS         EQU 2000h
TOP_BACKDROP    EQU 0F4h            ; white text, dark blue backdrop
LOW_BACKDROP    EQU 0F6h            ; white text, dark red backdrop

; RAM
mode            EQU 7000h           ; 1-4
row_width       EQU 7001h           ; 32, or 40 in text mode
nmi_count       EQU 7002h
rst_count       EQU 7003h
signal          EQU 7004h
blink           EQU 7005h
status          EQU 7006h
controls        EQU 7007h           ; joystick 1, keypad 1, joystick 2, keypad 2, fires 1
names_read      EQU 700Ch           ; GET_VRAM's copy of four names of row 4 (graphics I)
sprite_table    EQU 7010h           ; 8 sprites and the terminator
controller_map  EQU 7040h           ; POLLER's: two enable bytes, then 5 bytes a controller
timer_table     EQU 7050h
timer_data      EQU 7070h
text_buffer     EQU 7080h           ; 64 bytes
font_buffer     EQU 7100h           ; 512 bytes
name_buffer     EQU font_buffer     ; not used at the same time

        ORG 8000h
        DB 0AAh,55h                 ; no title screen
        DW sprite_table, 0, 0, controller_map
        DW start
        JP rst_08                   ; 800Ch
        JP 0                        ; 800Fh-801Bh: RST 10h-30h unused
        JP 0
        JP 0
        JP 0
        JP 0
        RETI                        ; 801Eh: RST 38h
        NOP
        JP nmi                      ; 8021h
        DB "SCREENS/TIRVANE/2026"

rst_08:
        LD HL,rst_count
        INC (HL)
        RET

nmi:
        PUSH AF
        PUSH HL
        CALL READ_REGISTER          ; acknowledges the frame flag
        LD HL,nmi_count
        INC (HL)
        POP HL
        POP AF
        RETN

start:
        LD HL,0
        LD B,0
        CALL SOUND_INIT
        RST 08h
        RST 08h
        ; Three frame interrupts through the BIOS's 0066h and our 8021h.
        LD BC,1*256+0A0h            ; display off, frame interrupt on
        CALL WRITE_REGISTER
        HALT
        HALT
        HALT
        LD BC,1*256+80h
        CALL WRITE_REGISTER
        LD HL,timer_table
        LD DE,timer_data
        CALL INIT_TIMER
        LD HL,5
        XOR A
        CALL REQUEST_SIGNAL         ; a one-shot, freed again: its slot is reused below
        CALL FREE_SIGNAL
        LD HL,20
        LD A,1
        CALL REQUEST_SIGNAL         ; the blinking cell, every 20 frames
        LD (signal),A
        LD A,81h
        LD (controller_map),A       ; controller 1: polled
        LD A,1
        CALL set_mode

frame:
        CALL wait_frame
        LD (status),A
        ; The backdrop: blue from the top, red from line 96 (about 37,900 T-states into the frame).
        LD BC,7*256+TOP_BACKDROP
        CALL WRITE_REGISTER
        LD BC,1453
frame_delay:
        DEC BC
        LD A,B
        OR C
        JR NZ,frame_delay
        LD BC,7*256+LOW_BACKDROP
        CALL WRITE_REGISTER

        CALL TIME_MGR
        LD A,(signal)
        CALL TEST_SIGNAL
        JR Z,frame_controls
        LD A,(blink)
        XOR 1
        LD (blink),A
frame_controls:
        CALL CONTROLLER_SCAN
        CALL POLLER
        LD HL,0000h
        CALL DECODER
        LD A,L
        LD (controls),A
        LD A,H
        LD (controls+4),A
        LD HL,0001h
        CALL DECODER
        LD A,L
        LD (controls+1),A
        LD A,H
        RRCA
        LD HL,controls+4
        OR (HL)
        LD (HL),A                   ; 40h left fire, 20h right fire
        LD HL,0100h
        CALL DECODER
        LD A,L
        LD (controls+2),A
        LD HL,0101h
        CALL DECODER
        LD A,L
        LD (controls+3),A

        LD A,(controls+1)           ; keypad 1-4 chooses the screen
        OR A
        JR Z,frame_sprites
        CP 5
        JR NC,frame_sprites
        LD HL,mode
        CP (HL)
        JR Z,frame_sprites
        CALL set_mode
        JR frame

frame_sprites:
        LD A,(mode)
        CP 3
        JR Z,frame_text
        LD IX,sprite_table
        LD A,(controls)
        CALL move_sprite
        LD IX,sprite_table+4
        LD A,(controls+2)
        CALL move_sprite
        LD A,(controls+4)
        LD B,0Fh
        BIT 6,A
        JR Z,frame_right_fire
        LD B,0Bh
frame_right_fire:
        BIT 5,A
        JR Z,frame_colour
        LD B,03h
frame_colour:
        LD A,B
        LD (sprite_table+3),A
        LD A,0
        LD DE,0
        LD HL,sprite_table
        LD IY,9
        CALL PUT_VRAM
        LD A,(mode)
        CP 4
        JP Z,frame                  ; multicolour: no text
frame_text:
        CALL show_values
        JP frame

; Waits for the frame flag (the frame interrupt is off). Every status read clears the flags, so
; A = the flags of all reads, with the fifth sprite's number if one was seen, else the last number.
wait_frame:
        LD C,0                      ; flags seen
        LD E,0                      ; 1: D holds a fifth sprite's number
wait_frame_next:
        IN A,(VDP_CONTROL)
        LD B,A
        AND 0E0h
        OR C
        LD C,A
        LD A,E
        OR A
        JR NZ,wait_frame_kept
        LD A,B
        AND 1Fh
        LD D,A
        BIT 6,B
        JR Z,wait_frame_kept
        INC E
wait_frame_kept:
        BIT 7,B
        JR Z,wait_frame_next
        LD A,C
        OR D
        RET

; IX = a sprite, A = joystick bits (0 up, 1 right, 2 down, 3 left): one pixel that way.
move_sprite:
        RRCA
        JR NC,move_right
        DEC (IX+0)
move_right:
        RRCA
        JR NC,move_down
        INC (IX+1)
move_down:
        RRCA
        JR NC,move_left
        INC (IX+0)
move_left:
        RRCA
        RET NC
        DEC (IX+1)
        RET

; Row 0: "ST xx" and the controllers; the blinking cell at the row's end.
show_values:
        LD HL,text_buffer
        LD (HL),'S'
        INC HL
        LD (HL),'T'
        INC HL
        LD A,(status)
        CALL put_hex
        LD DE,controls
        LD B,4
show_values_next:
        LD (HL),' '
        INC HL
        LD A,(DE)
        CALL put_hex
        INC DE
        DJNZ show_values_next
        LD (HL),' '
        INC HL
        LD A,(blink)
        OR A
        LD A,' '
        JR Z,show_values_cell
        LD A,'*'
show_values_cell:
        LD (HL),A
        LD HL,text_buffer
        LD DE,NAMES
        LD BC,18
        JP WRITE_VRAM

; A -> two hexadecimal digits at HL, HL advanced.
put_hex:
        PUSH AF
        RRCA
        RRCA
        RRCA
        RRCA
        CALL put_digit
        POP AF
put_digit:
        AND 0Fh
        ADD A,'0'
        CP '9'+1
        JR C,put_digit_ready
        ADD A,'A'-'9'-1
put_digit_ready:
        LD (HL),A
        INC HL
        RET

; HL = row * width + column offset in the names, DE = text ending with 0.
print:
        PUSH HL
        LD H,D
        LD L,E
        LD BC,0
print_length:
        LD A,(HL)
        OR A
        JR Z,print_write
        INC HL
        INC BC
        JR print_length
print_write:
        POP HL
        PUSH DE
        LD DE,NAMES
        ADD HL,DE
        EX DE,HL                    ; DE = name address
        POP HL                      ; HL = text
        JP WRITE_VRAM

; A = screen (1-4): sets it up with the display off, then shows it. The set-up takes frames: the
; frame flag it leaves set is read away, so the next frame starts on the flag of a frame end.
set_mode:
        CALL set_screen
        JP READ_REGISTER

set_screen:
        LD (mode),A
        PUSH AF
        LD BC,1*256+80h
        CALL WRITE_REGISTER
        CALL MODE_1                 ; the console's layout, no sprites
        LD A,32
        LD (row_width),A
        POP AF
        DEC A
        JP Z,set_graphics1
        DEC A
        JP Z,set_graphics2
        DEC A
        JP Z,set_text
        JP set_multicolour

; The sprites: a ball (16x16 names 0-3, 8x8 name 0) and a frame (names 4-7).
sprite_setup:
        LD A,1
        LD DE,0
        LD HL,sprite_patterns
        LD IY,8
        CALL PUT_VRAM
        LD HL,initial_sprites
        LD DE,sprite_table
        LD BC,33
        LDIR
        RET

initial_sprites:
        DB 80, 100, 0, 0Fh          ; 0: controller 1
        DB 84, 108, 4, 08h          ; 1: controller 2, overlapping 0
        DB 150, 16, 0, 02h          ; 2-6: five on one line
        DB 150, 60, 4, 05h
        DB 150, 104, 0, 09h
        DB 150, 148, 4, 0Ah
        DB 150, 192, 0, 0Dh         ; the fifth: not drawn
        DB 40, 20, 0, 8Eh           ; 7: early clock, 32 pixels left of x = 20
        DB 0D0h

sprite_patterns:
        DB 07h,1Fh,3Fh,7Fh,7Fh,0FFh,0FFh,0FFh
        DB 0FFh,0FFh,0FFh,7Fh,7Fh,3Fh,1Fh,07h
        DB 0E0h,0F8h,0FCh,0FEh,0FEh,0FFh,0FFh,0FFh
        DB 0FFh,0FFh,0FFh,0FEh,0FEh,0FCh,0F8h,0E0h
        DB 0FFh,80h,80h,80h,80h,80h,80h,80h
        DB 80h,80h,80h,80h,80h,80h,80h,0FFh
        DB 0FFh,01h,01h,01h,01h,01h,01h,01h
        DB 01h,01h,01h,01h,01h,01h,01h,0FFh

; Rows 1-2: the start-up's findings, on every screen with text.
show_start:
        LD HL,text_buffer
        LD (HL),'N'
        INC HL
        LD (HL),'M'
        INC HL
        LD (HL),'I'
        INC HL
        LD A,(nmi_count)
        CALL put_hex
        LD (HL),' '
        INC HL
        LD (HL),'R'
        INC HL
        LD (HL),'S'
        INC HL
        LD (HL),'T'
        INC HL
        LD A,(rst_count)
        CALL put_hex
        LD (HL),' '
        INC HL
        LD (HL),'R'
        INC HL
        LD (HL),'N'
        INC HL
        LD (HL),'D'
        INC HL
        PUSH HL
        CALL RAND_GEN
        CALL RAND_GEN
        EX DE,HL
        POP HL
        LD A,D
        CALL put_hex
        LD A,E
        CALL put_hex
        LD (HL),0
        LD A,(row_width)
        LD L,A
        LD H,0
        LD DE,text_buffer
        JP print

set_graphics1:
        CALL LOAD_ASCII
        LD HL,graphics1_colours
        LD DE,COLOURS
        LD BC,32
        CALL WRITE_VRAM
        LD HL,NAMES
        LD DE,768
        LD A,' '
        CALL FILL_VRAM
        ; Characters 20h-7Fh, 32 a row, from row 4: every colour group of the table.
        LD HL,NAMES+4*32
        CALL write_names_from
        LD HL,NAMES+12*32
        CALL write_names_from
        LD A,2
        LD DE,4*32
        LD HL,names_read
        LD IY,4
        CALL GET_VRAM
        LD HL,8*32+4
        LD DE,graphics1_text
        CALL print
        CALL show_start
        CALL sprite_setup
        LD BC,1*256+0C2h            ; 16x16 sprites
        JP WRITE_REGISTER

; HL = name address: characters 20h-7Fh there.
write_names_from:
        PUSH HL
        LD HL,name_buffer
        LD A,20h
        LD B,96
write_names_next:
        LD (HL),A
        INC HL
        INC A
        DJNZ write_names_next
        POP DE
        LD HL,name_buffer
        LD BC,96
        JP WRITE_VRAM

graphics1_colours:
        DB 0F0h,0F0h,0F0h,0F0h      ; 00h-1Fh
        DB 0F0h,0B0h,0A1h,0C1h      ; 20h-3Fh
        DB 71h,2Eh,68h,0D0h         ; 40h-5Fh
        DB 0E4h,5Fh,97h,31h         ; 60h-7Fh
        DB 0F0h,0F0h,0F0h,0F0h,0F0h,0F0h,0F0h,0F0h
        DB 0F0h,0F0h,0F0h,0F0h,0F0h,0F0h,0F0h,0F0h
graphics1_text:
        DB "GRAPHICS I  COLOUR GROUPS",0

set_graphics2:
        LD BC,0*256+02h
        CALL WRITE_REGISTER
        LD A,3
        LD HL,PATTERNS
        CALL INIT_TABLE             ; R4 = 03h
        LD A,4
        LD HL,COLOURS
        CALL INIT_TABLE             ; R3 = FFh
        CALL LOAD_ASCII             ; the top third's font
        ; The bottom third's font: read back from the top third and written again.
        LD HL,font_buffer
        LD DE,PATTERNS+20h*8
        LD BC,512
        CALL READ_VRAM
        LD HL,font_buffer
        LD DE,PATTERNS+1000h+20h*8
        LD BC,512
        CALL WRITE_VRAM
        ; Colours: one row of eight per line, in every cell.
        LD B,0
        LD HL,COLOURS
set_graphics2_colours:
        PUSH BC
        PUSH HL
        EX DE,HL
        LD HL,graphics2_rows
        LD BC,8
        CALL WRITE_VRAM
        POP HL
        LD DE,8
        ADD HL,DE
        POP BC
        LD A,H
        CP 38h
        JR NZ,set_graphics2_colours
        ; Names: spaces, and 0-255 in order in the middle third, whose patterns are a bitmap.
        LD HL,NAMES
        LD DE,768
        LD A,' '
        CALL FILL_VRAM
        LD HL,name_buffer
        XOR A
set_graphics2_names:
        LD (HL),A
        INC HL
        INC A
        JR NZ,set_graphics2_names
        LD HL,name_buffer
        LD DE,NAMES+256
        LD BC,256
        CALL WRITE_VRAM
        ; The bitmap: byte i of the middle third's patterns is (i / 8) XOR (i * 8), a moire.
        LD HL,0
set_graphics2_bitmap:
        PUSH HL
        LD A,L
        RRCA
        RRCA
        RRCA
        AND 1Fh
        LD B,A
        LD A,H
        RRCA
        RRCA
        RRCA
        AND 0E0h
        OR B
        LD B,A
        LD A,L
        ADD A,A
        ADD A,A
        ADD A,A
        XOR B
        LD (text_buffer),A
        LD DE,PATTERNS+800h
        ADD HL,DE
        EX DE,HL
        LD HL,text_buffer
        LD BC,1
        CALL WRITE_VRAM
        POP HL
        INC HL
        LD A,H
        CP 08h
        JR NZ,set_graphics2_bitmap
        LD HL,5*32+4
        LD DE,graphics2_text
        CALL print
        LD HL,17*32+4
        LD DE,graphics2_text
        CALL print
        CALL show_start
        CALL sprite_setup
        LD BC,1*256+0C1h            ; 8x8 sprites, magnified
        JP WRITE_REGISTER

graphics2_rows:
        DB 0F1h,0E1h,0B1h,0A1h,31h,21h,71h,51h
graphics2_text:
        DB "GRAPHICS II: COLOURS BY LINE",0

set_text:
        LD A,40
        LD (row_width),A
        CALL LOAD_ASCII
        LD HL,NAMES
        LD DE,960
        LD A,' '
        CALL FILL_VRAM
        LD B,20
        LD HL,3*40
set_text_rows:
        PUSH BC
        PUSH HL
        LD DE,text_lines
        CALL print
        POP HL
        LD DE,40
        ADD HL,DE
        POP BC
        DJNZ set_text_rows
        CALL show_start
        LD BC,1*256+0D0h            ; text, display on
        JP WRITE_REGISTER

text_lines:
        DB "TEXT MODE: FORTY COLUMNS OF SIX PIXELS!",0

set_multicolour:
        ; Names: row r shows names (r / 4) * 32 + column, so each name covers four rows.
        LD HL,NAMES
        LD C,0
set_multicolour_rows:
        LD A,C
        AND 1Ch
        RLCA
        RLCA
        RLCA                        ; (row / 4) * 32
        LD B,32
        LD DE,name_buffer
set_multicolour_names:
        LD (DE),A
        INC DE
        INC A
        DJNZ set_multicolour_names
        PUSH BC
        PUSH HL
        EX DE,HL
        LD HL,name_buffer
        LD BC,32
        CALL WRITE_VRAM
        POP HL
        LD DE,32
        ADD HL,DE
        POP BC
        INC C
        LD A,C
        CP 24
        JR NZ,set_multicolour_rows
        ; Colours: byte k of name n holds colours n + k and n + k + 1, diagonal bands of all 16.
        LD HL,0
set_multicolour_colours:
        LD A,L
        RRCA
        RRCA
        RRCA
        AND 1Fh
        LD B,A
        LD A,L
        AND 07h
        ADD A,B
        AND 0Fh
        LD B,A
        RLCA
        RLCA
        RLCA
        RLCA
        INC B
        LD C,A
        LD A,B
        AND 0Fh
        OR C
        LD (text_buffer),A
        PUSH HL
        EX DE,HL
        LD HL,text_buffer
        LD BC,1
        CALL WRITE_VRAM
        POP HL
        INC HL
        LD A,H
        CP 06h
        JR NZ,set_multicolour_colours
        CALL sprite_setup
        LD BC,0*256+00h
        CALL WRITE_REGISTER
        LD BC,1*256+0CBh            ; multicolour, 16x16 sprites magnified
        JP WRITE_REGISTER

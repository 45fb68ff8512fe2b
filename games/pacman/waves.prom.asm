; SPDX-License-Identifier: GPL-3.0-or-later
; Our waveform PROM for the PACMAN board's sound generator: eight waveforms of 32 four-bit samples,
; each with one rise and one fall per period so that its pitch is its fundamental.

; 0: sine
        DB 8,9,0Ah,0Ch,0Dh,0Eh,0Eh,0Fh,0Fh,0Fh,0Eh,0Eh,0Dh,0Ch,0Ah,9
        DB 8,6,5,3,2,1,1,0,0,0,1,1,2,3,5,6
; 1: triangle
        DB 8,8,9,0Ah,0Bh,0Ch,0Dh,0Eh,0Fh,0Eh,0Dh,0Ch,0Bh,0Ah,9,8
        DB 8,7,6,5,4,3,2,1,0,1,2,3,4,5,6,7
; 2: square
        DB 0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh
        DB 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0
; 3: sawtooth
        DB 0,0,1,1,2,2,3,3,4,4,5,5,6,6,7,7
        DB 8,8,9,9,0Ah,0Ah,0Bh,0Bh,0Ch,0Ch,0Dh,0Dh,0Eh,0Eh,0Fh,0Fh
; 4: pulse, a quarter high
        DB 0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0,0,0,0,0,0,0,0
        DB 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0
; 5: sine with its second harmonic
        DB 8,9,0Bh,0Dh,0Eh,0Eh,0Eh,0Dh,0Ch,0Bh,0Ah,9,9,8,8,8
        DB 8,7,7,7,6,6,5,4,3,2,1,1,1,2,4,6
; 6: sine in four steps
        DB 0Bh,0Bh,0Bh,0Bh,0Bh,0Bh,0Bh,0Bh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh,0Fh
        DB 4,4,4,4,4,4,4,4,0,0,0,0,0,0,0,0
; 7: quiet sine
        DB 8,8,8,9,9,9,9,9,0Ah,9,9,9,9,9,8,8
        DB 8,7,7,6,6,6,6,6,6,6,6,6,6,6,7,7

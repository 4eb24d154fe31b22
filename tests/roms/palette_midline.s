; BGP written while every line is drawn: the background is colour 3 all
; over, shade 3 by BGP 0xC0 until the write, shade 0 by BGP 0x00 after it;
; BGP goes back to 0xC0 in H-blank. The write lands 40 machine cycles after
; each line's mode 2 request (the halted processor's clock then stands at
; R: it wakes at R+1, LD A at R+2 and R+3, 34 NOPs, LDH writes at R+40).
        .include "gb.inc"
        CARTRIDGE 0x00, 0x00, 0x00, 0x00

        di
        ld sp, #0xFFFE
        call lcd_off
        ld hl, #0x8000
        ld bc, #16
        ld a, #0xFF
        call fill                       ; tile 0: colour 3
        ld hl, #0x9800
        ld bc, #0x400
        xor a
        call fill                       ; the map: tile 0
        ld a, #0xC0
        ldh (rBGP - 0xFF00), a
        ld a, #0x91
        ldh (rLCDC - 0xFF00), a
        call wake_at_line_starts
line:
        halt
        ld a, #0x00
        .rept 34
        nop
        .endm
        ldh (rBGP - 0xFF00), a          ; cycle R+40
        ld a, #0xC0
        .rept 30
        nop
        .endm
        ldh (rBGP - 0xFF00), a          ; cycle R+75: H-blank
        xor a
        ldh (rIF - 0xFF00), a
        jr line

        .include "raster.inc"

; The window switched off while every line is drawn: it covers the picture
; from the left edge (WX 7, WY 0) in colour 3 over a background of colour
; 0; LCDC bit 5 is cleared 40 machine cycles after each line's mode 2
; request (as in palette_midline.s) and set again in H-blank.
        .include "gb.inc"
        CARTRIDGE 0x00, 0x00, 0x00, 0x00

        di
        ld sp, #0xFFFE
        call lcd_off
        ld hl, #0x8000
        ld bc, #16
        xor a
        call fill                       ; tile 0: colour 0
        ld bc, #16
        ld a, #0xFF
        call fill                       ; tile 1: colour 3
        ld hl, #0x9800
        ld bc, #0x400
        xor a
        call fill                       ; the background's map: tile 0
        ld bc, #0x400
        ld a, #1
        call fill                       ; the window's, at 0x9C00: tile 1
        ld a, #0xE4
        ldh (rBGP - 0xFF00), a
        xor a
        ldh (rWY - 0xFF00), a
        ld a, #7
        ldh (rWX - 0xFF00), a
        ld a, #0xF1                     ; window on, its map at 0x9C00
        ldh (rLCDC - 0xFF00), a
        call wake_at_line_starts
line:
        halt
        ld a, #0xD1                     ; window off
        .rept 34
        nop
        .endm
        ldh (rLCDC - 0xFF00), a         ; cycle R+40
        ld a, #0xF1
        .rept 30
        nop
        .endm
        ldh (rLCDC - 0xFF00), a         ; cycle R+75: H-blank
        xor a
        ldh (rIF - 0xFF00), a
        jr line

        .include "raster.inc"

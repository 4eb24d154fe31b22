; LCDC and BGP written while every line is drawn. The window covers the
; picture from the left edge (WX 7, WY 0) in colour 3 over a background of
; colour 1, with BGP 0xE4 (the colour numbers' own shades). 40 machine
; cycles after each line's mode 2 request LCDC switches the window off,
; 44 cycles after it BGP becomes 0x1B (colour 1 shade 2); both go back in
; H-blank. The halted processor's clock stands at R at the request: it
; wakes at R+1, the two loads take R+2 to R+5, 32 NOPs, the writes land at
; R+40 and R+44.
        .include "gb.inc"
        CARTRIDGE 0x00, 0x00, 0x00, 0x00

        di
        ld sp, #0xFFFE
        call lcd_off
        ld hl, #0x8000
        ld bc, #32
        ld a, #0xFF
        call fill                       ; tile 0: colour 1, tile 1: colour 3
        xor a
        ld (0x8001), a
        ld (0x8003), a
        ld (0x8005), a
        ld (0x8007), a
        ld (0x8009), a
        ld (0x800B), a
        ld (0x800D), a
        ld (0x800F), a
        ld hl, #0x9800
        ld bc, #0x400
        call fill                       ; the background's map: tile 0
        ld bc, #0x400
        inc a
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
        ld a, #0xD1                     ; the window off
        ld b, #0x1B
        .rept 32
        nop
        .endm
        ldh (rLCDC - 0xFF00), a         ; R+40
        ld a, b
        ldh (rBGP - 0xFF00), a          ; R+44
        .rept 25
        nop
        .endm
        ld a, #0xF1
        ldh (rLCDC - 0xFF00), a         ; R+74: H-blank
        ld a, #0xE4
        ldh (rBGP - 0xFF00), a
        xor a
        ldh (rIF - 0xFF00), a
        jr line

        .include "lcd.inc"

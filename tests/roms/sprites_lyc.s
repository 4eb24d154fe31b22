; Sprites switched off by an LY = LYC handler: a column of 18 sprites at
; x = 80-87 in colour 3 covers every line over a background of colour 0.
; The handler for LYC = 72 clears LCDC bit 1 (its write lands 18 cycles
; after the request, before line 72 is drawn); the V-blank handler sets it
; again.
        .include "gb.inc"

        .org 0x40
        push af
        ldh a, (rLCDC - 0xFF00)
        or #0x02
        jr set_lcdc
        .org 0x48
        push af
        ldh a, (rLCDC - 0xFF00)
        and #0xFD
set_lcdc:
        ldh (rLCDC - 0xFF00), a
        pop af
        reti

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
        call fill
        ld hl, #0xFE00
        ld bc, #160
        xor a
        call fill                       ; every sprite off the picture
        ld hl, #0xFE00
        ld b, #18
        ld c, #16
1$:
        ld a, c                         ; Y: a sprite every 8 lines
        ld (hl+), a
        add a, #8
        ld c, a
        ld a, #88                       ; X: x = 80
        ld (hl+), a
        ld a, #1
        ld (hl+), a
        xor a
        ld (hl+), a
        dec b
        jr nz, 1$
        ld a, #0xE4
        ldh (rBGP - 0xFF00), a
        ldh (rOBP0 - 0xFF00), a
        ld a, #72
        ldh (rLYC - 0xFF00), a
        ld a, #0x40
        ldh (rSTAT - 0xFF00), a
        ld a, #(IEF_VBLANK | IEF_STAT)
        ldh (rIE - 0xFF00), a
        xor a
        ldh (rIF - 0xFF00), a
        ld a, #0x93                     ; sprites and background on
        ldh (rLCDC - 0xFF00), a
        ei
2$:
        halt
        jr 2$

        .include "lcd.inc"

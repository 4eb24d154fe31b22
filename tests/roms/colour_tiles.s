; Map tile attributes, priorities and sprite overlaps on a colour cartridge.
; Background palette 0: white, red, green, blue (colours 0-3); palette 1:
; white, yellow, green, blue. Sprite palette 0: colour 3 black; palette 2:
; colour 3 magenta. Tile 1 (bank 0) is colour 1 with colour 3 in its top-left
; pixel; tile 1 of bank 1 is colour 2 throughout; tile 2 is colour 0 on its
; left half and 1 on its right; tile 3 is colour 3 throughout.
;   Map row 0 (lines 0-7), tile 1 with the attributes: none, bank 1,
;     horizontal flip, vertical flip, both flips, palette 1 (x = 0, 8, ... 40).
;   Map row 2 (lines 16-23), tile 2: with the priority bit at x = 0 under a
;     sprite, without it at x = 8 under a sprite of the behind class and at
;     x = 16 under a front sprite. The sprites (tile 3, black) show over
;     colour 0 everywhere and over colour 1 only at x = 16-23.
;   Map row 4 (lines 32-39) as row 2, but an LY=LYC handler clears LCDC bit 0
;     for lines 32-39: both sprites (x = 0 and 8) show whole, and the
;     background is still drawn (tile 2 at x = 16).
;   Lines 48-55: entry 4 (black) at x = 40 and entry 5 (magenta) at x = 36;
;     the earlier entry wins the overlap at x = 40-43 though further right.
        .include "gb.inc"

        .org 0x48
        jp stat_handler

        CARTRIDGE 0x00, 0x00, 0x00, 0x80

        di
        ld sp, #0xFFFE
1$:
        ld a, (rLY)
        cp #0x90
        jr nz, 1$
        xor a
        ld (rLCDC), a           ; LCD off while video RAM and OAM are set up

        ld a, #1                ; bank 1: clear the attribute map, then tile 1
        ld (rVBK), a            ; colour 2
        ld hl, #0x9800
        ld bc, #0x400
        xor a
        call fill
        ld hl, #0x8010
        ld b, #8
2$:
        xor a
        ld (hl+), a
        dec a
        ld (hl+), a
        dec b
        jr nz, 2$
        ld hl, #0x9800          ; the attributes of map rows 0, 2 and 4
        ld de, #attributes_row0
        ld bc, #6
        call copy
        ld a, #0x80
        ld (0x9840), a
        ld (0x9880), a

        xor a                   ; bank 0: tile 0 colour 0, tiles 1-3, the map
        ld (rVBK), a
        ld hl, #0x8000
        ld bc, #16
        call fill
        ld hl, #0x9800
        ld bc, #0x400
        call fill
        ld hl, #0x8010
        ld de, #tiles
        ld bc, #(tiles_end - tiles)
        call copy
        ld hl, #0x9800
        ld a, #1
        ld bc, #6
        call fill
        ld hl, #0x9840
        ld a, #2
        ld bc, #3
        call fill
        ld hl, #0x9880
        ld a, #2
        ld bc, #3
        call fill

        ld hl, #0xFE00          ; OAM: the table, then entries off the picture
        ld de, #sprites
        ld bc, #(sprites_end - sprites)
        call copy
        ld bc, #(0xFEA0 - 0xFE00 - (sprites_end - sprites))
        xor a
        call fill

        ld a, #0x80             ; palettes through the data ports, auto-increment
        ld (rBCPS), a
        ld hl, #bg_palettes
        ld b, #16
3$:
        ld a, (hl+)
        ld (rBCPD), a
        dec b
        jr nz, 3$
        ld a, #0x80
        ld (rOCPS), a
        ld hl, #sprite_palettes
        ld b, #24
4$:
        ld a, (hl+)
        ld (rOCPD), a
        dec b
        jr nz, 4$

        ld a, #32
        ld (rLYC), a
        ld a, #0x40             ; LY = LYC source
        ld (rSTAT), a
        ld a, #0x93             ; LCD, tiles at 0x8000, sprites, LCDC bit 0
        ld (rLCDC), a
        xor a
        ld (rIF), a
        ld a, #IEF_STAT
        ld (rIE), a
        ei
wait:
        halt
        nop
        jr wait

; Line 32: LCDC bit 0 off until line 40; line 40: on again until line 32.
stat_handler:
        push af
        ld a, (rLY)
        cp #32
        jr nz, 1$
        ld a, #0x92
        ld (rLCDC), a
        ld a, #40
        ld (rLYC), a
        pop af
        reti
1$:
        ld a, #0x93
        ld (rLCDC), a
        ld a, #32
        ld (rLYC), a
        pop af
        reti

; Copies bc bytes from de to hl.
copy:
        ld a, (de)
        ld (hl+), a
        inc de
        dec bc
        ld a, b
        or c
        jr nz, copy
        ret

; Fills bc bytes from hl with a.
fill:
        ld d, a
1$:
        ld a, d
        ld (hl+), a
        dec bc
        ld a, b
        or c
        jr nz, 1$
        ret

; Each pixel row is two bytes: the low bit of its colour numbers, then the
; high bit, leftmost pixel in bit 7.
tiles:
        .db 0xFF, 0x80          ; tile 1: colour 3 at the top left, else 1
        .db 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00
        .db 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00
        .db 0x0F, 0x00, 0x0F, 0x00, 0x0F, 0x00, 0x0F, 0x00  ; tile 2: 0 left, 1 right
        .db 0x0F, 0x00, 0x0F, 0x00, 0x0F, 0x00, 0x0F, 0x00
        .db 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF  ; tile 3: colour 3
        .db 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF
tiles_end:

; None, bank 1, horizontal flip, vertical flip, both, palette 1.
attributes_row0:
        .db 0x00, 0x08, 0x20, 0x40, 0x60, 0x01

; Colours as 15-bit little-endian words: red in bits 0-4, blue in 10-14.
bg_palettes:
        .dw 0x7FFF, 0x001F, 0x03E0, 0x7C00  ; white, red, green, blue
        .dw 0x7FFF, 0x03FF, 0x03E0, 0x7C00  ; white, yellow, green, blue
sprite_palettes:
        .dw 0x7FFF, 0x7FFF, 0x7FFF, 0x0000  ; palette 0: colour 3 black
        .dw 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF
        .dw 0x7FFF, 0x7FFF, 0x7FFF, 0x7C1F  ; palette 2: colour 3 magenta

; Y, X, tile, attributes: the screen position is (X - 8, Y - 16).
sprites:
        .db 32, 8, 3, 0x00      ; 0: row 2, over the tile with the priority bit
        .db 32, 16, 3, 0x80     ; 1: row 2, behind class
        .db 32, 24, 3, 0x00     ; 2: row 2, front, over a tile without the bit
        .db 48, 8, 3, 0x00      ; 3: row 4, as entry 0
        .db 64, 48, 3, 0x00     ; 4: x = 40, black
        .db 64, 44, 3, 0x02     ; 5: x = 36, magenta
        .db 48, 16, 3, 0x80     ; 6: row 4, as entry 1
sprites_end:

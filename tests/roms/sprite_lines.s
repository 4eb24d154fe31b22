; Sprites line by line on a monochrome cartridge. Tile 1 is colour 3
; throughout, tile 2 colour 1; the background is colour 0; palettes 0xE4.
;   Lines 8-15: entries 0 and 1 lie off the picture (X = 0 and X = 170),
;     entries 2-11 at x = 4, 16, 28, ... 112. Only the first ten entries of
;     the line are drawn: entries 2-9 show, 10 and 11 do not.
;   Lines 32-39: entry 12 (tile 2) at x = 50 and entry 13 (tile 1) at x = 46
;     overlap at x = 50-53, where the smaller X wins: colour 3. Entries 14
;     (tile 1) and 15 (tile 2) share x = 80: the earlier wins, colour 3.
;   An LY=LYC handler at line 72 switches sprites off (LCDC bit 1), the
;     V-blank handler on again: entry 16 (lines 60-67, x = 20) shows, entry
;     17 (lines 68-75, x = 40) shows on lines 68-71 only, entry 18 (lines
;     90-97, x = 60) not at all.
        .include "gb.inc"

        .org 0x40
        jp vblank_handler
        .org 0x48
        jp stat_handler

        CARTRIDGE 0x00, 0x00, 0x00, 0x00

        di
        ld sp, #0xFFFE
        xor a
        ld (rIE), a
1$:
        ld a, (rLY)
        cp #0x90
        jr nz, 1$
        xor a
        ld (rLCDC), a           ; LCD off while video RAM and OAM are set up

        ld hl, #0x8000          ; tile 0: colour 0
        ld b, #16
2$:
        ld (hl+), a
        dec b
        jr nz, 2$
        ld b, #16               ; tile 1: colour 3
        ld a, #0xFF
3$:
        ld (hl+), a
        dec b
        jr nz, 3$
        ld b, #8                ; tile 2: colour 1
4$:
        ld a, #0xFF
        ld (hl+), a
        xor a
        ld (hl+), a
        dec b
        jr nz, 4$
        ld hl, #0x9800          ; background map: tile 0
        ld bc, #0x400
5$:
        xor a
        ld (hl+), a
        dec bc
        ld a, b
        or c
        jr nz, 5$

        ld hl, #0xFE00          ; OAM: the table, then entries off the picture (Y = 0)
        ld de, #sprites
        ld b, #(sprites_end - sprites)
6$:
        ld a, (de)
        ld (hl+), a
        inc de
        dec b
        jr nz, 6$
7$:
        xor a
        ld (hl+), a
        ld a, l
        cp #0xA0
        jr nz, 7$

        ld a, #0xE4
        ld (rBGP), a
        ld (rOBP0), a
        ld a, #72
        ld (rLYC), a
        ld a, #0x40             ; LY = LYC source
        ld (rSTAT), a
        ld a, #0x93             ; LCD, tiles 0x8000, sprites, background
        ld (rLCDC), a
        xor a
        ld (rIF), a
        ld a, #(IEF_VBLANK | IEF_STAT)
        ld (rIE), a
        ei
wait:
        halt
        nop
        jr wait

stat_handler:                   ; line 72: sprites off for the rest of the frame
        push af
        ld a, (rLCDC)
        and #0xFD
        ld (rLCDC), a
        pop af
        reti

vblank_handler:                 ; sprites on for the next frame
        push af
        ld a, (rLCDC)
        or #0x02
        ld (rLCDC), a
        pop af
        reti

; Y, X, tile, attributes: the screen position is (X - 8, Y - 16).
sprites:
        .db 24, 0, 1, 0         ; 0: off the left edge
        .db 24, 170, 1, 0       ; 1: off the right edge
        .db 24, 12, 1, 0        ; 2: x = 4
        .db 24, 24, 1, 0        ; 3: x = 16
        .db 24, 36, 1, 0        ; 4: x = 28
        .db 24, 48, 1, 0        ; 5: x = 40
        .db 24, 60, 1, 0        ; 6: x = 52
        .db 24, 72, 1, 0        ; 7: x = 64
        .db 24, 84, 1, 0        ; 8: x = 76
        .db 24, 96, 1, 0        ; 9: x = 88
        .db 24, 108, 1, 0       ; 10: x = 100, the eleventh on its lines
        .db 24, 120, 1, 0       ; 11: x = 112, the twelfth
        .db 48, 58, 2, 0        ; 12: x = 50, colour 1
        .db 48, 54, 1, 0        ; 13: x = 46, colour 3: wins the overlap
        .db 48, 88, 1, 0        ; 14: x = 80, colour 3: wins at equal X
        .db 48, 88, 2, 0        ; 15: x = 80, colour 1
        .db 76, 28, 1, 0        ; 16: lines 60-67, x = 20
        .db 84, 48, 1, 0        ; 17: lines 68-75, x = 40
        .db 106, 68, 1, 0       ; 18: lines 90-97, x = 60
sprites_end:

; The window's own line counter. The window starts at line 16 (WY) at the
; left edge (WX = 7); every frame it is hidden for lines 40-59 (LCDC bit 5
; cleared) and for lines 80-89 (WX = 170). Window map row r holds tile 1
; for even r and tile 2 for odd r; both tiles have one pixel per row, in
; column r of row r, colour 3 in tile 1 and colour 2 in tile 2. So on every
; line that shows the window, the first eight pixels tell which window row
; it drew: the dark pixel's column is the row modulo 8, its shade the map
; row's parity. The background is colour 0 everywhere.
        .include "gb.inc"

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
        ld (rLCDC), a           ; LCD off while video RAM is set up

        ld hl, #0x8000          ; tile 0: colour 0
        ld b, #16
2$:
        ld (hl+), a
        dec b
        jr nz, 2$
        ld b, #0x80             ; tile 1: the diagonal in colour 3
3$:
        ld a, b
        ld (hl+), a
        ld (hl+), a
        srl b
        jr nz, 3$
        ld b, #0x80             ; tile 2: the diagonal in colour 2
4$:
        xor a
        ld (hl+), a
        ld a, b
        ld (hl+), a
        srl b
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
        ld c, #32               ; window map at 0x9C00: row r = 32 - c
6$:
        ld a, c
        and #1
        inc a                   ; tile 1 for even rows, 2 for odd
        ld b, #32
7$:
        ld (hl+), a
        dec b
        jr nz, 7$
        dec c
        jr nz, 6$

        ld a, #0xE4
        ld (rBGP), a
        ld a, #16
        ld (rWY), a
        ld a, #7
        ld (rWX), a
        ld a, #0xF1             ; LCD, window map 0x9C00, window, tiles 0x8000, background
        ld (rLCDC), a

        ld hl, #rLCDC
frame:
        ld b, #40
        call wait_ly
        res 5, (hl)             ; window off
        ld b, #60
        call wait_ly
        set 5, (hl)             ; window on again
        ld b, #80
        call wait_ly
        ld a, #170
        ld (rWX), a             ; window right of the picture
        ld b, #90
        call wait_ly
        ld a, #7
        ld (rWX), a             ; back at the left edge
        ld b, #144
        call wait_ly
        jr frame

; Returns early in line B, long before its drawing ends.
wait_ly:
        ld a, (rLY)
        cp b
        jr nz, wait_ly
        ret

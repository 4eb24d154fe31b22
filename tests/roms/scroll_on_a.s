; A picture that moves only while A is held. The background shows the
; column numbers 0-31 as bit patterns, so that no two horizontal scroll
; positions look alike; while A is down, SCX goes up by one each frame.
; Without A the picture stands still, and after a reset it starts again
; at SCX 0, so tests can photograph it at any moment.
        .include "gb.inc"
        CARTRIDGE 0x00, 0x00, 0x00, 0x00

        ; Tiles 0-31: every row of tile n shows the bits of n in colour 3.
        ld hl, #0x8000
        ld c, #0
tiles:
        ld b, #8
rows:
        ld a, c
        ld (hl+), a
        ld (hl+), a
        dec b
        jr nz, rows
        inc c
        ld a, c
        cp #32
        jr nz, tiles

        ; The map (0x9800-0x9BFF): column x holds tile x in every row.
        ld hl, #0x9800
map:
        ld a, l
        and #31
        ld (hl+), a
        ld a, h
        cp #0x9C
        jr nz, map

        ld a, #0xE4             ; colours 0-3: lightest to darkest
        ld (rBGP), a
        xor a
        ld (rSCX), a
        ld (rSCY), a
        ld a, #0x91             ; LCD on, tiles at 0x8000, background on
        ld (rLCDC), a

frame:
        ld a, (rLY)             ; wait for the start of V-blank
        cp #144
        jr nz, frame
        ld a, #0x10             ; select the buttons; A is bit 0, 0 when held
        ld (rP1), a
        ld a, (rP1)
        bit 0, a
        jr nz, vblank_end
        ld a, (rSCX)
        inc a
        ld (rSCX), a
vblank_end:
        ld a, (rLY)             ; once per frame: wait until line 144 has passed
        cp #144
        jr z, vblank_end
        jr frame

; VRAM DMA as a cartridge sees it. Results at 0x9C00 (read back from
; vram.bin), then 0xD0 after the last:
;   0  timer ticks (one every 4 machine cycles) across a general copy of 2
;      blocks: the two tiles of the table at 0x1000 into tiles 1 and 2
;   1  the same across a general copy of 66 blocks (to 0x9000, out of the
;      picture's way): 64 blocks more, 512 cycles of waiting, 128 ticks more
;   2-5  0xFF55 at the start of lines 0-3 during an H-blank copy of 8 blocks
;      started in V-blank: 0x07, 0x06, 0x05, 0x04
;   6  0xFF55 after stopping that copy on line 3: 0xFF (no copy runs)
;   7  0xFF55 after a general copy: 0xFF
; The results wait in work RAM and go to video RAM in V-blank at the end.
; The H-blank copy takes the bytes 0x00-0x7F at 0x1100 to 0x8800: 48 of
; them have arrived when it stops. The picture shows tile 1 (colour 3) at
; x = 0-7 and tile 2 (colour 1) at x = 8-15 of lines 0-7, colour 0 elsewhere,
; through background palette 0, which holds four greys from white to black.
        .include "gb.inc"

        results = 0xC000

        CARTRIDGE 0x00, 0x00, 0x00, 0x80

        di
        ld sp, #0xFFFE
        call wait_vblank
        xor a
        ld (rLCDC), a           ; LCD off for the general copies
        ld hl, #0x9800          ; the map: tile 1, tile 2, then tile 0
        ld bc, #0x400
        call fill
        ld a, #1
        ld (0x9800), a
        inc a
        ld (0x9801), a
        ld a, #0x80             ; background palette 0 through the data port
        ld (rBCPS), a
        ld hl, #greys
        ld b, #8
3$:
        ld a, (hl+)
        ld (rBCPD), a
        dec b
        jr nz, 3$

        ld a, #0x05             ; the timer on, a tick every 4 machine cycles
        ld (rTAC), a
        ld hl, #0x1000
        ld de, #0x8010
        call set_addresses
        ld c, #1                ; 2 blocks
        call timed_copy
        ld (results + 0), a
        ld hl, #0x0000
        ld de, #0x9000
        call set_addresses
        ld c, #65               ; 66 blocks
        call timed_copy
        ld (results + 1), a

        ld a, #0x91             ; LCD on: background, tiles at 0x8000
        ld (rLCDC), a
        call wait_vblank
        ld hl, #0x1100
        ld de, #0x8800
        call set_addresses
        ld a, #0x87             ; 8 blocks, one per H-blank
        ld (rHDMA5), a
        ld de, #(results + 2)
        ld b, #0
1$:
        ld a, (rLY)             ; the start of line b, before its H-blank
        cp b
        jr nz, 1$
        ld a, (rHDMA5)
        ld (de), a
        inc de
        inc b
        ld a, b
        cp #4
        jr nz, 1$
        xor a                   ; still before line 3's H-blank: stop
        ld (rHDMA5), a
        ld a, (rHDMA5)
        ld (de), a
        inc de

        ld hl, #0x0000
        ld de, #0x9000
        call set_addresses
        xor a
        ld (rHDMA5), a
        ld a, (rHDMA5)
        ld (results + 7), a
        ld a, #0xD0
        ld (results + 8), a
        call wait_vblank
        ld hl, #results
        ld de, #0x9C00
        ld b, #9
2$:
        ld a, (hl+)
        ld (de), a
        inc de
        dec b
        jr nz, 2$
stay:
        halt
        nop
        jr stay

; Source hl, destination de.
set_addresses:
        ld a, h
        ld (rHDMA1), a
        ld a, l
        ld (rHDMA2), a
        ld a, d
        ld (rHDMA3), a
        ld a, e
        ld (rHDMA4), a
        ret

; A general copy of c + 1 blocks; returns in a the timer ticks it took,
; with the same instructions around it whatever its length.
timed_copy:
        xor a
        ld (rTIMA), a
        ld a, c
        ld (rHDMA5), a
        ld a, (rTIMA)
        ret

; Returns at the start of V-blank (LY = 144).
wait_vblank:
        ld a, (rLY)
        cp #144
        jr nz, wait_vblank
        ret

; Fills bc bytes from hl with 0.
fill:
        xor a
        ld (hl+), a
        dec bc
        ld a, b
        or c
        jr nz, fill
        ret

greys:
        .dw 0x7FFF, 0x56B5, 0x294A, 0x0000

        .org 0x1000             ; copy sources: the low four address bits are ignored
        .db 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF  ; tile 1: colour 3
        .db 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF
        .db 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00  ; tile 2: colour 1
        .db 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00

        .org 0x1100
        .db 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F
        .db 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F
        .db 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F
        .db 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F
        .db 0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F
        .db 0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F
        .db 0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F
        .db 0x70, 0x71, 0x72, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F

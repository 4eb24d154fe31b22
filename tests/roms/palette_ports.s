; The palette ports 0xFF68-0xFF6B: index, auto-increment and read-back,
; with the LCD off. Results at 0x9C00 (read back from vram.bin), then 0xD0
; after the last:
;   0  0xFF68 after index 62 with auto-increment and three data writes
;      (0x11, 0x22, 0x33): 0xC1 (the index wrapped to 1; bit 6 reads 1)
;   1  0xFF69 at index 62 (no auto-increment): 0x11
;   2  0xFF68 after that read: 0x7E (a read does not move the index)
;   3, 4  0xFF69 at index 63 and 0: 0x22, 0x33
;   5  0xFF69 at index 1: 0x7F, the high byte of white, as the colours start
;   6  0xFF6A after index 5 with auto-increment and two writes (0x66, 0x77): 0xC7
;   7, 8  0xFF6B at index 5 and 6: 0x66, 0x77
;   9  0xFF69 at index 5: 0x7F, the background memory is another
;   10, 11  two writes at index 63 without auto-increment (0x44, 0x55): 0xFF69
;      reads 0x55 and 0xFF68 reads 0x7F
        .include "gb.inc"

        results = 0x9C00

        CARTRIDGE 0x00, 0x00, 0x00, 0x80

        di
        ld sp, #0xFFFE
1$:
        ld a, (rLY)             ; the LCD off: the palettes and video RAM open
        cp #144
        jr nz, 1$
        xor a
        ld (rLCDC), a
        ld hl, #results
        ld a, #(0x80 | 62)
        ld (rBCPS), a
        ld a, #0x11
        ld (rBCPD), a
        ld a, #0x22
        ld (rBCPD), a
        ld a, #0x33
        ld (rBCPD), a
        ld a, (rBCPS)
        ld (hl+), a             ; 0
        ld a, #62
        ld (rBCPS), a
        ld a, (rBCPD)
        ld (hl+), a             ; 1
        ld a, (rBCPS)
        ld (hl+), a             ; 2
        ld a, #63
        call read_background
        xor a
        call read_background
        ld a, #1
        call read_background    ; 5

        ld a, #(0x80 | 5)
        ld (rOCPS), a
        ld a, #0x66
        ld (rOCPD), a
        ld a, #0x77
        ld (rOCPD), a
        ld a, (rOCPS)
        ld (hl+), a             ; 6
        ld a, #5
        ld (rOCPS), a
        ld a, (rOCPD)
        ld (hl+), a             ; 7
        ld a, #6
        ld (rOCPS), a
        ld a, (rOCPD)
        ld (hl+), a             ; 8
        ld a, #5
        call read_background    ; 9

        ld a, #63
        ld (rBCPS), a
        ld a, #0x44
        ld (rBCPD), a
        ld a, #0x55
        ld (rBCPD), a
        ld a, (rBCPD)
        ld (hl+), a             ; 10
        ld a, (rBCPS)
        ld (hl+), a             ; 11
        ld a, #0xD0
        ld (hl), a
stay:
        halt
        nop
        jr stay

; Stores the background palette byte at index a.
read_background:
        ld (rBCPS), a
        ld a, (rBCPD)
        ld (hl+), a
        ret

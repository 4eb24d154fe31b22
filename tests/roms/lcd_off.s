; The LCD switched off and on again. Results at 0x9C00 (read back from
; vram.bin):
;   0  IF bits 0-1 after about three frames' time with the LCD off and every
;      status source selected, LYC = 0: 0x00 (no requests)
;   1  every LY read meanwhile OR-ed together: 0x00
;   2  every STAT mode read meanwhile OR-ed together: 0x00
;   3  LY read just after switching on: 0x00
;   4  polls of LY, 9 cycles apart, until line 0 has ended: about 12 (a full
;      line of 114 cycles)
;   5  LY when the V-blank request shows after switching on: 0x90
;   6  0xD0: done
        .include "gb.inc"

        results = 0x9C00

        CARTRIDGE 0x00, 0x00, 0x00, 0x00

        di
        ld sp, #0xFFFE
        xor a
        ld (rIE), a
        ld (rLYC), a
        ld a, #0x78             ; every status source selected
        ld (rSTAT), a
1$:
        ld a, (rLY)             ; switch off in V-blank, as games do
        cp #0x90
        jr nz, 1$
        xor a
        ld (rLCDC), a
        ld (rIF), a
        ld d, a                 ; LY reads OR-ed
        ld e, a                 ; mode reads OR-ed
        ld bc, #3000            ; 3000 rounds of 21 cycles
2$:
        ld a, (rLY)
        or d
        ld d, a
        ld a, (rSTAT)
        and #3
        or e
        ld e, a
        dec bc
        ld a, b
        or c
        jr nz, 2$
        ld a, (rIF)
        and #3
        ld (results + 0), a
        ld a, d
        ld (results + 1), a
        ld a, e
        ld (results + 2), a

        ld a, #0x91
        ld (rLCDC), a           ; line 0 starts here
        ld a, (rLY)
        ld (results + 3), a
        ld c, #0
3$:
        inc c
        ld a, (rLY)
        or a
        jr z, 3$
        ld a, c
        ld (results + 4), a

        xor a
        ld (rIF), a
4$:
        ld a, (rIF)
        and #IEF_VBLANK
        jr z, 4$
        ld a, (rLY)
        ld (results + 5), a
        ld a, #0xD0
        ld (results + 6), a
stay:
        jr stay

; STOP again and again while a button is held: each STOP halts until the
; next V-blank request, so that the frames go on. Never reports.
        .include "gb.inc"
        CARTRIDGE 0x00, 0x00, 0x00, 0x00

        di
        ld a, #0x10                     ; the buttons' half (P15 low)
        ldh (rP1 - 0xFF00), a
        ld a, #0x01
        ldh (rIE - 0xFF00), a
loop:
        xor a
        ldh (rIF - 0xFF00), a
        .db 0x10, 0x00                  ; STOP
        jr loop

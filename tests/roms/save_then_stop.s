; MBC1 with battery-backed RAM: writes 0x5A to the start of its RAM and
; then meets an undefined opcode, which stops a headless run.
        .include "gb.inc"
        CARTRIDGE 0x03, 0x00, 0x02, 0x00

        ld a, #0x0A
        ld (0x0000), a          ; RAM on
        ld a, #0x5A
        ld (0xA000), a
        .db 0xD3                ; no such instruction

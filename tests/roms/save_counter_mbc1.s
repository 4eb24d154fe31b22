; MBC1 with 32 KiB of battery-backed RAM: counts frames into each of its
; four RAM banks, which mode 1 makes selectable at 0x4000.
        .include "gb.inc"
        CARTRIDGE 0x03, 0x00, 0x03, 0x00

        RAM_BANKS = 4
        BANK_SELECT = 0x4000
        SLOT_STRIDE = 0

        ld a, #0x01
        ld (0x6000), a          ; mode 1: the 2-bit register picks the RAM bank
        .include "save_counter.inc"

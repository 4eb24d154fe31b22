; MBC5 with 128 KiB of battery-backed RAM: counts frames into each of its
; sixteen RAM banks.
        .include "gb.inc"
        CARTRIDGE 0x1B, 0x00, 0x04, 0x00

        RAM_BANKS = 16
        BANK_SELECT = 0x4000
        SLOT_STRIDE = 0

        .include "save_counter.inc"

; MBC3 with the clock and 32 KiB of battery-backed RAM: counts frames into
; each of its four RAM banks; its save carries the clock's trailer.
        .include "gb.inc"
        CARTRIDGE 0x10, 0x00, 0x03, 0x00

        RAM_BANKS = 4
        BANK_SELECT = 0x4000
        SLOT_STRIDE = 0

        .include "save_counter.inc"

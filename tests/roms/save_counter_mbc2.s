; MBC2 with its built-in 512 half-bytes: counts frames into two of them
; side by side (the low four bits are all it keeps).
        .include "gb.inc"
        CARTRIDGE 0x06, 0x00, 0x00, 0x00

        RAM_BANKS = 2
        BANK_SELECT = 0
        SLOT_STRIDE = 1

        .include "save_counter.inc"

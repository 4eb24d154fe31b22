; No controller, 8 KiB of battery-backed RAM (type 0x09): counts frames
; into its one bank, which is always reachable.
        .include "gb.inc"
        CARTRIDGE 0x09, 0x00, 0x02, 0x00

        RAM_BANKS = 1
        BANK_SELECT = 0
        SLOT_STRIDE = 0

        .include "save_counter.inc"

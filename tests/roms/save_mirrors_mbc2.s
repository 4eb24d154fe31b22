; MBC2 with battery: its 512 half-bytes, seen 16 times over 0xA000-0xBFFF.
        .include "gb.inc"
        CARTRIDGE 0x06, 0x00, 0x00, 0x00

        MIRROR = 0x200

        .include "save_mirrors.inc"

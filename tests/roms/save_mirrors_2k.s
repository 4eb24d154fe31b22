; MBC1 with 2 KiB of battery-backed RAM, seen 4 times over 0xA000-0xBFFF.
        .include "gb.inc"
        CARTRIDGE 0x03, 0x00, 0x01, 0x00

        MIRROR = 0x800

        .include "save_mirrors.inc"

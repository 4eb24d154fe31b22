; Reports "failed" at the breakpoint opcode: B, C, D, E, H, L all hold 0x42.
        .include "gb.inc"
        CARTRIDGE 0x00, 0x00, 0x00, 0x00

        ld bc, #0x4242
        ld de, #0x4242
        ld hl, #0x4242
        jp report_breakpoint

        .include "report.inc"

; Reports "passed" at the breakpoint opcode: B, C, D, E, H, L hold the
; first Fibonacci numbers from 3.
        .include "gb.inc"
        CARTRIDGE 0x00, 0x00, 0x00, 0x00

        ld bc, #0x0305
        ld de, #0x080D
        ld hl, #0x1522
        jp report_breakpoint

        .include "report.inc"

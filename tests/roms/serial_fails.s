; Reports "Failed" and its code through the serial port.
        .include "gb.inc"
        CARTRIDGE 0x00, 0x00, 0x00, 0x00

        ld hl, #text
        jp report_serial
text:
        .ascii "serial check"
        .db 0x0A, 0x0A
        .ascii "Failed #7"
        .db 0x0A, 0x00

        .include "report.inc"

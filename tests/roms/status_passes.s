; Reports "passed" through the status block in cartridge RAM.
        .include "gb.inc"
        CARTRIDGE 0x02, 0x00, 0x02, 0x00   ; MBC1 with RAM, no battery; 32 KiB; 8 KiB of RAM

        ld hl, #text
        ld b, #0x00                        ; result code: passed
        jp report_status
text:
        .asciz "status block checks all passed"

        .include "report.inc"

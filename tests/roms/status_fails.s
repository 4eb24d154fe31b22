; Reports "failed" through the status block in cartridge RAM, with a text
; of two lines.
        .include "gb.inc"
        CARTRIDGE 0x02, 0x00, 0x02, 0x00   ; MBC1 with RAM, no battery; 32 KiB; 8 KiB of RAM

        ld hl, #text
        ld b, #0x03                        ; result code: failed
        jp report_status
text:
        .ascii "Sum of the table is wrong"
        .db 0x0A
        .asciz "Failed #3"

        .include "report.inc"

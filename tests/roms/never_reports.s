; Looks like a test that never finishes: its status block says "running",
; it prints a line without a verdict, and it runs the breakpoint opcode
; with registers that mean nothing. The runner must wait for a verdict that
; never comes.
        .include "gb.inc"
        CARTRIDGE 0x02, 0x00, 0x02, 0x00   ; MBC1 with RAM, no battery; 32 KiB; 8 KiB of RAM

        call report_setup
        call status_running
        ld hl, #text
        call serial_print
        ld bc, #0x0305
        ld de, #0x080D
        ld hl, #0x1521                     ; one short of the pass pattern
loop:
        ld b, b
        ld a, #1
        call wait_frames
        jr loop
text:
        .ascii "still testing"
        .db 0x0A, 0x00

        .include "report.inc"

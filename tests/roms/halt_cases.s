; HALT as the console runs it. With IME clear and a request pending HALT
; does not halt and the byte after it is read twice (INC A runs twice);
; then, with nothing enabled in IE, HALT stops the processor for good
; while the LCD runs on, and a run that went on past it would report
; "failed". A correct run gives no verdict at all.
        .include "gb.inc"
        CARTRIDGE 0x02, 0x00, 0x02, 0x00   ; MBC1 with RAM, no battery

        call status_running

        di
        ld a, #0x04
        ldh (rIE - 0xFF00), a
        ldh (rIF - 0xFF00), a           ; the timer's request pending
        xor a
        halt
        inc a
        cp #2
        ld hl, #halt_bug
        jr nz, fail

        xor a
        ldh (rIE - 0xFF00), a           ; the common way to stop for good
        ei
        halt
        ld hl, #ran_on
fail:   jp report_failed

halt_bug:       .asciz "the byte after HALT was not read twice"
ran_on:         .asciz "the processor ran on past HALT with nothing enabled"

        .include "report.inc"

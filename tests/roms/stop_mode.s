; STOP without a speed switch prepared: the processor stops (and the LCD,
; whose screen goes black) until a button of the selected half is pressed.
; The cartridge selects the buttons, stops, and once woken checks that A is
; held and that DIV reads 0 (held at 0 through the stop). With A still
; held, STOP does not stop: with no request pending it halts as HALT does,
; two bytes long, until the V-blank request; with that request pending it
; is one byte long and does nothing. Reports through the status block; it
; never reports while no button is pressed.
        .include "gb.inc"
        CARTRIDGE 0x02, 0x00, 0x02, 0xC0   ; MBC1 with RAM; colour only

        di
        ld sp, #0xFFFE
        xor a
        ldh (rIE - 0xFF00), a
        ld a, #0x10                     ; the buttons' half (P15 low)
        ldh (rP1 - 0xFF00), a
        .db 0x10, 0x00                  ; STOP
        ldh a, (rDIV - 0xFF00)
        or a
        ld hl, #div_ran
        jr nz, fail
        ldh a, (rP1 - 0xFF00)
        bit 0, a                        ; A: 0 while held
        ld hl, #no_button
        jr nz, fail

        ld a, #0x01                     ; the V-blank request enabled, IME clear
        ldh (rIE - 0xFF00), a
        xor a
        ldh (rIF - 0xFF00), a
        ld b, a
        .db 0x10, 0x04                  ; STOP; INC B were it one byte long
        ldh a, (rIF - 0xFF00)
        rra
        ld hl, #no_halt
        jr nc, fail
        ld a, b
        or a
        ld hl, #one_byte
        jr nz, fail
        .db 0x10, 0x04                  ; the request pending: STOP, then INC B
        dec b
        ld hl, #two_bytes
        jr nz, fail
        ld hl, #passed
        jp report_passed
fail:   jp report_failed

passed:         .asciz "stop mode"
div_ran:        .asciz "DIV counted through the stop"
no_button:      .asciz "the stop ended without a button"
no_halt:        .asciz "STOP with A held did not wait for the request"
one_byte:       .asciz "STOP halting was one byte long"
two_bytes:      .asciz "STOP with a request pending was two bytes long"

        .include "report.inc"

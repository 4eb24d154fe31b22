; The timer's input as the console builds it: each check clears the system
; counter with a DIV write and times TIMA to the machine cycle after it.
; Reports through the status block; the text names the first check that
; went wrong.
        .include "gb.inc"
        CARTRIDGE 0x02, 0x00, 0x02, 0x00   ; MBC1 with RAM, no battery

        xor a
        ldh (rIE - 0xFF00), a
        ldh (rIF - 0xFF00), a

; A DIV write while the selected bit (bit 9, TAC 00) stands at 1 counts
; once; one while it stands at 0 does not.
        ldh (rTIMA - 0xFF00), a
        ld a, #0x04
        ldh (rTAC - 0xFF00), a
        ldh (rDIV - 0xFF00), a          ; counter 0
        ld b, #40                       ; 40 x 4 cycles: counter about 640, bit 9 high
1$:     dec b
        jr nz, 1$
        ldh (rDIV - 0xFF00), a
        ldh a, (rTIMA - 0xFF00)
        cp #1
        ld hl, #div_high
        jr nz, fail
        ld b, #10                       ; counter about 160: bit 9 low
2$:     dec b
        jr nz, 2$
        ldh (rDIV - 0xFF00), a
        ldh a, (rTIMA - 0xFF00)
        cp #1
        ld hl, #div_low
        jr nz, fail

; A TAC write that selects a bit standing at 0 where the old one stood at
; 1 counts once.
        ld b, #40                       ; bit 9 high again, bit 3 varies
3$:     dec b
        jr nz, 3$
        ldh (rDIV - 0xFF00), a          ; count 2, counter 0
        ld b, #33                       ; 33 x 4 + 4 = 136 cycles: counter 544, bit 9 high, bit 3 low
4$:     dec b
        jr nz, 4$
        ld a, #0x05
        ldh (rTAC - 0xFF00), a
        ldh a, (rTIMA - 0xFF00)
        cp #3
        ld hl, #tac_switch
        jr nz, fail

; On overflow TIMA reads 0 for one cycle, then TMA, with the request.
; TAC 01 counts every 4 cycles of a cleared counter: with the DIV write at
; cycle 0 and TIMA written 0xFF at cycle 5, it overflows at cycle 8.
        ld a, #0x42
        ldh (rTMA - 0xFF00), a
        ld c, #rTIMA - 0xFF00
        call overflow_read              ; cycle 8
        or a
        ld hl, #zero_cycle
        jr nz, fail
        ld c, #rIF - 0xFF00
        call overflow_read
        and #0x04
        ld hl, #early_request
        jr nz, fail
        ld c, #rTIMA - 0xFF00
        call overflow_read_later        ; cycle 9
        cp #0x42
        ld hl, #reload
        jr nz, fail
        ld c, #rIF - 0xFF00
        call overflow_read_later
        and #0x04
        ld hl, #no_request
        jr z, fail

        ld hl, #passed
        jp report_passed
fail:   jp report_failed

; Reads the register at 0xFF00 + C in the cycle TIMA overflows, or a cycle
; later.
overflow_read:
        xor a
        ldh (rIF - 0xFF00), a
        ldh (rDIV - 0xFF00), a          ; cycle 0
        ld a, #0xFF
        ldh (rTIMA - 0xFF00), a         ; cycle 5
        nop
        ldh a, (c)                      ; read in its second cycle: cycle 8
        ret
overflow_read_later:
        xor a
        ldh (rIF - 0xFF00), a
        ldh (rDIV - 0xFF00), a
        ld a, #0xFF
        ldh (rTIMA - 0xFF00), a
        nop
        nop
        ldh a, (c)                      ; cycle 9
        ret

passed:         .asciz "timer edges"
div_high:       .asciz "DIV write with the bit high did not count"
div_low:        .asciz "DIV write with the bit low counted"
tac_switch:     .asciz "TAC switch from a high bit to a low one did not count"
zero_cycle:     .asciz "TIMA is not 0 in the overflow's cycle"
early_request:  .asciz "the request came in the overflow's cycle"
reload:         .asciz "TIMA is not TMA a cycle after the overflow"
no_request:     .asciz "no request a cycle after the overflow"

        .include "report.inc"

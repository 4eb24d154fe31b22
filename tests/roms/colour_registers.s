; The colour model's lesser registers: 0xFF72-0xFF75 and OPRI hold what is
; written (0xFF75 bits 4-6 only, OPRI bit 0), and 0xFF76 shows the square
; channel 2 at its volume: 15 in the waveform's high part, 0 in its low.
; Reports through the status block, naming the first check that failed.
        .include "gb.inc"
        CARTRIDGE 0x02, 0x00, 0x02, 0x80   ; MBC1 with RAM; colour

        ld a, #0xA5
        ld (0xFF72), a
        ld a, #0x3C
        ld (0xFF73), a
        ld a, #0x69
        ld (0xFF74), a
        xor a
        ld (0xFF75), a
        ld (0xFF6C), a
        ld hl, #expected
        ld de, #0xFF72
        ld c, #4
1$:     ld a, (de)
        cp (hl)
        jr nz, bytes_wrong
        inc de
        inc hl
        dec c
        jr nz, 1$
        ld a, (0xFF6C)
        cp #0xFE
        jr nz, bytes_wrong

        ld a, (0xFF76)                  ; every channel off: 0
        or a
        ld hl, #silent
        jr nz, fail
        ld a, #0x80
        ldh (rNR21 - 0xFF00), a         ; duty 50 %
        ld a, #0xF0
        ldh (rNR22 - 0xFF00), a         ; volume 15, no envelope
        ld a, #0x00
        ldh (rNR23 - 0xFF00), a
        ld a, #0x87
        ldh (rNR24 - 0xFF00), a         ; trigger, a low tone
        ld bc, #0                       ; B: levels seen high, C: levels seen low
        ld e, #0                        ; reads
2$:     ld a, (0xFF76)
        and #0x0F                       ; channel 1 stays silent
        ld hl, #channel1
        jr nz, fail
        ld a, (0xFF76)
        swap a
        and #0x0F
        cp #15
        jr nz, 3$
        inc b
        jr 4$
3$:     or a
        ld hl, #level
        jr nz, fail
        inc c
4$:     dec e
        jr nz, 2$
        ld a, b
        or a
        ld hl, #never_high
        jr z, fail
        ld a, c
        or a
        ld hl, #never_low
        jr z, fail
        ld a, (0xFF77)
        or a
        ld hl, #others
        jr nz, fail

        ld hl, #passed
        jp report_passed
bytes_wrong:
        ld hl, #registers
fail:   jp report_failed

expected:       .db 0xA5, 0x3C, 0x69, 0x8F   ; 0xFF75: bits 4-6 cleared, the others read 1
passed:         .asciz "colour registers"
registers:      .asciz "0xFF72-0xFF75 or OPRI do not hold what was written"
silent:         .asciz "0xFF76 not 0 with every channel off"
channel1:       .asciz "channel 1 shows an output while off"
level:          .asciz "channel 2 shows a level other than 0 and 15"
never_high:     .asciz "channel 2 never at 15"
never_low:      .asciz "channel 2 never at 0"
others:         .asciz "0xFF77 not 0 with channels 3 and 4 off"

        .include "report.inc"

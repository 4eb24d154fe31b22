; The processor's way to OAM is shut while the LCD searches it and draws
; (modes 2 and 3), to video RAM and the colour palette data while it draws
; (mode 3): reads give 0xFF and writes are dropped, though a dropped palette
; write still steps the index on. Reports through the status block; the
; text names the first check that went wrong.
        .include "gb.inc"
        CARTRIDGE 0x02, 0x00, 0x02, 0x80   ; MBC1 with RAM, colour

; A is what the check read: it must be `value`.
        .macro EXPECT value, text
        cp #value
        ld hl, #text
        jr nz, fail
        .endm

        di
        ld sp, #0xFFFE
        call lcd_off
        ld a, #0x5A
        ld (0x8000), a
        ld (0xFE00), a
        ld a, #0x80
        ldh (rBCPS - 0xFF00), a
        ld a, #0x34
        ldh (rBCPD - 0xFF00), a         ; colour byte 0
        ld a, #0x91
        ldh (rLCDC - 0xFF00), a
        ld a, #0x80
        ldh (rBCPS - 0xFF00), a         ; index 0, stepping on

        ld c, #3                        ; drawing: all three shut
        call wait_mode
        ld a, (0x8000)
        EXPECT 0xFF, vram_drawing
        ld a, (0xFE00)
        EXPECT 0xFF, oam_drawing
        call wait_mode
        ldh a, (rBCPD - 0xFF00)
        EXPECT 0xFF, palette_drawing
        ld a, #0x11                     ; writes while drawing
        ld (0x8000), a
        ld (0xFE00), a
        ldh (rBCPD - 0xFF00), a

        ld c, #0                        ; H-blank: all open, nothing written
        call wait_mode
        ld a, (0x8000)
        EXPECT 0x5A, vram_written
        ld a, (0xFE00)
        EXPECT 0x5A, oam_written
        ldh a, (rBCPS - 0xFF00)
        EXPECT 0xC1, index_step         ; index 1, bit 6 reads 1
        xor a
        ldh (rBCPS - 0xFF00), a
        ldh a, (rBCPD - 0xFF00)
        EXPECT 0x34, palette_written

        ld c, #3                        ; OAM search: OAM shut, video RAM open
        call wait_mode                  ; so that the next request starts a line
        call wake_at_line_starts
        halt                            ; IME clear: goes on at the mode 2 request
        ld a, (0xFE00)                  ; 5 cycles into the line
        ld b, a
        ld a, (0x8000)                  ; 10 cycles in
        EXPECT 0x5A, vram_search
        ld a, b
        EXPECT 0xFF, oam_search

        ld hl, #passed
        jp report_passed
fail:   jp report_failed

; Returns a few cycles into the next stretch of mode C of a visible line.
wait_mode:
2$:     ldh a, (rSTAT - 0xFF00)
        and #3
        cp c
        jr z, 2$
3$:     ldh a, (rSTAT - 0xFF00)
        and #3
        cp c
        jr nz, 3$
        ret

passed:          .asciz "locked memory"
vram_drawing:    .asciz "video RAM read while drawing is not 0xFF"
oam_drawing:     .asciz "OAM read while drawing is not 0xFF"
palette_drawing: .asciz "palette data read while drawing is not 0xFF"
vram_written:    .asciz "a video RAM write while drawing landed"
oam_written:     .asciz "an OAM write while drawing landed"
index_step:      .asciz "a palette write while drawing did not step the index"
palette_written: .asciz "a palette write while drawing landed"
oam_search:      .asciz "OAM read during the OAM search is not 0xFF"
vram_search:     .asciz "video RAM read during the OAM search is not open"

        .include "report.inc"
        .include "lcd.inc"

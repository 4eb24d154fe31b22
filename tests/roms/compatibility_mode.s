; A monochrome cartridge on the colour console: the registers of the
; colour model's own mode read 0xFF and take no writes, so VBK, SVBK and the
; palette ports change nothing. Reports through the status block.
        .include "gb.inc"
        CARTRIDGE 0x02, 0x00, 0x02, 0x00   ; MBC1 with RAM; monochrome

        xor a
        ldh (rLCDC - 0xFF00), a         ; video RAM reachable at any time
        ld a, #0x11
        ld (0x8000), a
        ld (0xD000), a
        ld a, #1
        ldh (rVBK - 0xFF00), a
        ld a, #2
        ldh (rSVBK - 0xFF00), a
        ld a, #0x22
        ld (0x8000), a                  ; still bank 0
        ld (0xD000), a                  ; still bank 1
        xor a
        ldh (rVBK - 0xFF00), a
        inc a
        ldh (rSVBK - 0xFF00), a
        ld a, (0x8000)
        cp #0x22
        ld hl, #vbk
        jr nz, fail
        ld a, (0xD000)
        cp #0x22
        ld hl, #svbk
        jr nz, fail

        ld a, #0x80
        ldh (rBCPS - 0xFF00), a
        ld a, #0x1F
        ldh (rBCPD - 0xFF00), a
        ld hl, #reads
        ld de, #colour_only
1$:     ld a, (de)
        or a
        jr z, 2$
        ld c, a
        ldh a, (c)
        cp #0xFF
        jr nz, fail
        inc de
        jr 1$
2$:
        ld hl, #passed
        jp report_passed
fail:   jp report_failed

colour_only:    .db 0x4D, 0x4F, 0x55, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x70, 0x74, 0x00
passed:         .asciz "compatibility mode"
vbk:            .asciz "VBK switched the video RAM bank"
svbk:           .asciz "SVBK switched the work RAM bank"
reads:          .asciz "a register of the colour mode does not read 0xFF"

        .include "report.inc"

; How long a line's drawing takes with the background scrolled by SCX = 0
; to 15: for each, the machine cycles from a line's mode 2 request to the
; first read of IF that finds its mode 0 request. Each measurement halts
; for a mode 2 request, selects the H-blank source instead, waits N cycles
; and reads IF; N grows until the request is there. The counts go to
; 0x9C00 + SCX (written in that H-blank; read back from vram.bin), then
; 0xD0 after the last.
;
; From the request (the halted processor's clock stands at R): the wake
; takes a cycle, the entry five (R+2 to R+6), the handler's ADD SP and RET
; end at R+14, the H-blank select at R+19, IF's clearing at R+23, JP (HL)
; at R+24, then N NOPs, and LDH A,(IF) reads at R+27+N.
        .include "gb.inc"

        .org 0x48
        add sp, #2              ; back to the caller of wait_for_mode2
        ret

        CARTRIDGE 0x00, 0x00, 0x00, 0x00

        di
        ld sp, #0xFFFE
        ld a, #IEF_STAT
        ldh (rIE - 0xFF00), a
        ld de, #0x9C00
        ld b, #0                ; SCX
next_scroll:
        ld a, b
        ldh (rSCX - 0xFF00), a
        ld hl, #sled_end - 30   ; N = 30 first
measure:
        call wait_for_mode2
        ld a, #0x08
        ldh (rSTAT - 0xFF00), a ; the H-blank source alone
        xor a
        ldh (rIF - 0xFF00), a
        jp (hl)
        .rept 40
        nop
        .endm
sled_end:
        ldh a, (rIF - 0xFF00)
        and #IEF_STAT
        dec hl                  ; one NOP more next time
        jr z, measure
        ld a, #<(sled_end + 27 - 1)
        sub l                   ; 27 + N
        ld (de), a
        inc de
        inc b
        bit 4, b
        jr z, next_scroll
        ld a, #0xD0
        ld (de), a
1$:
        jr 1$

; Waits in mode 3 for the next line's mode 2 request, halted with only the
; mode 2 source selected. Returns as the request is taken.
wait_for_mode2:
2$:
        ldh a, (rSTAT - 0xFF00)
        and #3
        jr nz, 2$
3$:
        ldh a, (rSTAT - 0xFF00)
        and #3
        cp #3
        jr nz, 3$
        ld a, #0x20
        ldh (rSTAT - 0xFF00), a
        xor a
        ldh (rIF - 0xFF00), a
        ei
        halt

; Sends the buttons it reads once per frame through the serial port, for
; checking an input script frame by frame. The V-blank handler reads both
; halves of the pad and sends one byte, 1 meaning pressed:
;   bit 7 Start, 6 Select, 5 B, 4 A, 3 Down, 2 Up, 1 Left, 0 Right.
        .include "gb.inc"
        .org 0x40                          ; V-blank
        jp vblank
        CARTRIDGE 0x00, 0x00, 0x00, 0x00

        di
        ld sp, #0xDFFF
        ld a, #0x91                        ; LCD on: V-blank comes every frame
        ldh (rLCDC - 0xFF00), a
        ld a, #IEF_VBLANK
        ldh (rIE - 0xFF00), a
        xor a
        ldh (rIF - 0xFF00), a
        ei
idle:
        halt
        nop
        jr idle

vblank:
        push af
        push bc
        ld a, #0x20                        ; select the direction keys
        ldh (rP1 - 0xFF00), a
        ldh a, (rP1 - 0xFF00)
        and #0x0F
        ld b, a
        ld a, #0x10                        ; select the buttons
        ldh (rP1 - 0xFF00), a
        ldh a, (rP1 - 0xFF00)
        and #0x0F
        swap a
        or b
        cpl                                ; the pad reads 0 for pressed
        ldh (rSB - 0xFF00), a
        ld a, #0x81
        ldh (rSC - 0xFF00), a
        pop bc
        pop af
        reti

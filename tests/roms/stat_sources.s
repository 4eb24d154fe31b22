; Counts the LCD-status interrupts of one frame for several selections of
; STAT sources and stores each count at 0x9C00 onwards (read back from
; vram.bin), then 0xD0 after the last. Each frame runs from the start of
; V-blank to the start of the next, the latter included.
;
;   STAT  LYC   expected
;   0x08  0xFF  144  H-blank of every visible line
;   0x10  0xFF    1  V-blank
;   0x20  0xFF  145  mode 2 of lines 0-143 and of line 144
;   0x40  0x50    1  LY = LYC
;   0x18  0xFF  144  H-blank of line 143 runs into V-blank: one request
;   0x28  0xFF  145  each H-blank runs into the next mode 2; line 0 adds one
;   0x60  0x40  144  LY = LYC holds line 64 high into line 65's mode 2
;   0x50  0x90    1  V-blank and LY = 144 at the same moment
        .include "gb.inc"

        count = 0xFF80          ; status interrupts of the frame
        vblank_seen = 0xFF81    ; set by the V-blank handler
        results = 0x9C00

        .org 0x40
        jp vblank_handler
        .org 0x48
        jp stat_handler

        CARTRIDGE 0x00, 0x00, 0x00, 0x00

        di
        ld sp, #0xFFFE
        ld hl, #cases
        ld de, #results
next_case:
        ld a, (hl+)
        cp #0xFF
        jr z, all_done
        ld b, a                 ; STAT
        ld a, (hl+)
        ld (rLYC), a
        call wait_vblank
        ld a, b
        ld (rSTAT), a           ; may raise the line at once: that request is dropped
        xor a
        ld (rIF), a
        ld (count), a
        ld (vblank_seen), a
        ld a, #(IEF_VBLANK | IEF_STAT)
        ld (rIE), a
        ei
count_frame:
        halt
        nop
        ld a, (vblank_seen)     ; the status request of that moment is taken
        or a                    ; before the processor comes back here
        jr z, count_frame
        di
        ld a, (count)
        ld (de), a
        inc de
        jr next_case

all_done:
        ld a, #0xD0
        ld (de), a
stay:
        jr stay

; Returns just after the start of V-blank, interrupts disabled and no
; status source selected.
wait_vblank:
        xor a
        ld (rSTAT), a
        ld (vblank_seen), a
        ld (rIF), a
        ld a, #IEF_VBLANK
        ld (rIE), a
        ei
1$:
        halt
        nop
        ld a, (vblank_seen)
        or a
        jr z, 1$
        di
        ret

stat_handler:
        push af
        ld a, (count)
        inc a
        ld (count), a
        pop af
        reti

vblank_handler:
        push af
        ld a, #1
        ld (vblank_seen), a
        pop af
        reti

cases:
        .db 0x08, 0xFF
        .db 0x10, 0xFF
        .db 0x20, 0xFF
        .db 0x40, 0x50
        .db 0x18, 0xFF
        .db 0x28, 0xFF
        .db 0x60, 0x40
        .db 0x50, 0x90
        .db 0xFF

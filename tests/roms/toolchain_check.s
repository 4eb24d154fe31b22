; Checks the test-cartridge toolchain end to end: copies a text into the
; background map at 0x9800, where vram.bin shows it (with the LCD off, so
; that video RAM is open), and waits.
        .include "gb.inc"
        CARTRIDGE 0x00, 0x00, 0x00, 0x00

wait:
        ld a, (rLY)
        cp #144
        jr nz, wait
        xor a
        ld (rLCDC), a
        ld hl, #message
        ld de, #0x9800
copy:
        ld a, (hl+)
        or a
        jr z, done
        ld (de), a
        inc de
        jr copy
done:
        halt
        nop
        jr done

message:
        .ascii "ASSEMBLED"
        .db 0

; Checks the test-cartridge toolchain end to end: copies a text into the
; background map at 0x9800, where vram.bin shows it, and waits.
        .include "gb.inc"
        CARTRIDGE 0x00, 0x00, 0x00, 0x00

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

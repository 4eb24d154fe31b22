; Battery-backed RAM (no controller, type 0x09): writes 0x5A to the start
; of its RAM once, then sends "x" through the serial port for ever, each
; byte once the one before has gone. A run ends only from outside: a
; signal, or the reader of its serial output going away.
        .include "gb.inc"
        CARTRIDGE 0x09, 0x00, 0x02, 0x00

        ld a, #0x5A
        ld (0xA000), a
send:
        ld a, #0x78             ; "x"
        ldh (rSB), a
        ld a, #0x81             ; internal clock: send
        ldh (rSC), a
wait:
        ldh a, (rSC)
        bit 7, a
        jr nz, wait
        jr send

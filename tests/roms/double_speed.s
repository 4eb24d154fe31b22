; The speed switch and what runs at which speed. At normal speed, then in
; double speed, then back at normal speed, the cartridge measures with the
; timer:
;   - eight lines of the LCD (TAC 0x06, a tick every 16 machine cycles):
;     912 cycles at normal speed (57 ticks), 1824 in double speed (114), as
;     the LCD keeps its real time while the processor and the timer double;
;   - a frame of the LCD (TAC 0x04, every 256 cycles): 17556 cycles (68.6
;     ticks), 35112 in double speed (137.2);
;   - a loop of 511 cycles and the calls around it, 520 cycles from the
;     write of TIMA to its read (TAC 0x05, every 4 cycles): 130 ticks at
;     either speed, the timer counting the processor's cycles;
;   - a serial transfer on the internal clock (TAC 0x06): eight periods of
;     the clock, 128 cycles each, the first cut short by the clock's phase
;     at the start: 896-1024 cycles (56-64 ticks) at either speed;
;   - 32 blocks of a general VRAM DMA (TAC 0x05, 33 blocks less 1): 256
;     cycles (64 ticks) at normal speed, 512 (128) in double speed, the copy
;     keeping its real time.
; It checks KEY1 before and after each switch and DIV just after it (held
; at 0 through the switch), and lets an H-blank copy of 8 blocks run while
; the processor is halted until V-blank: every block arrives.
; Reports through the status block, naming the first check that failed.
        .include "gb.inc"
        CARTRIDGE 0x02, 0x00, 0x02, 0xC0   ; MBC1 with RAM; colour only

        di
        ld sp, #0xFFFE
        ldh a, (rKEY1 - 0xFF00)
        cp #0x7E
        ld hl, #key1_start
        jp nz, fail
        ld a, #0x01
        ldh (rKEY1 - 0xFF00), a
        ldh a, (rKEY1 - 0xFF00)
        cp #0x7F
        ld hl, #key1_prepared
        jp nz, fail

        ld hl, #normal_ranges
        ld de, #0x8800
        call measure_all

        call switch_speed
        cp #0xFE
        ld hl, #key1_double
        jp nz, fail
        ld hl, #double_ranges
        ld de, #0x9000
        call measure_all

        call switch_speed
        cp #0x7E
        ld hl, #key1_normal
        jp nz, fail
        ld hl, #normal_ranges
        ld de, #0x8800
        call measure_all

        ld hl, #passed
        jp report_passed

; Switches the speed as the references advise; returns KEY1 in A. DIV must
; read 0 just after the switch.
switch_speed:
        xor a
        ldh (rIE - 0xFF00), a
        ld a, #0x30
        ldh (rP1 - 0xFF00), a
        ld a, #0x01
        ldh (rKEY1 - 0xFF00), a
        .db 0x10, 0x00                  ; STOP
        ldh a, (rDIV - 0xFF00)
        or a
        ld hl, #div_after
        jp nz, fail
        ldh a, (rKEY1 - 0xFF00)
        ret

; Every measurement, each checked against its range in the table at HL
; (low, high, message). DE: where the H-blank copy goes.
measure_all:
        push de
        call lines_ticks
        call check
        call frame_ticks
        call check
        call loop_ticks
        call check
        call serial_ticks
        call check
        call dma_ticks
        call check
        pop de
        jp hblank_while_halted

; A within [(HL), (HL+1)], else fails with the message at (HL+2); HL then
; points past the entry.
check:
        ld b, a
        ld a, (hl+)
        ld c, a                         ; low
        ld a, b
        cp c
        jr c, 1$
        ld a, (hl+)                     ; high
        cp b
        jr c, 2$
        inc hl
        inc hl
        ret
1$:     inc hl
2$:     ld a, (hl+)
        ld h, (hl)
        ld l, a
        jp fail

; Waits until LY reads A as that line begins (LY the line before it first).
wait_line_start:
        ld c, a
        dec a
        cp #0xFF
        jr nz, 1$
        ld a, #153
1$:     ld b, a
2$:     ldh a, (rLY - 0xFF00)
        cp b
        jr nz, 2$
3$:     ldh a, (rLY - 0xFF00)
        cp c
        jr nz, 3$
        ret

; TIMA counted from 0 since the timer was set to A (in TAC); returns the
; count in A after the code between start_timer and read_timer.
start_timer:
        ldh (rTAC - 0xFF00), a
        xor a
        ldh (rTIMA - 0xFF00), a
        ret

lines_ticks:
        push hl
        ld a, #10
        call wait_line_start
        ld a, #0x06
        call start_timer
        ld a, #18
        call wait_line_start
        ldh a, (rTIMA - 0xFF00)
        pop hl
        ret

frame_ticks:
        push hl
        ld a, #144
        call wait_line_start
        ld a, #0x04
        call start_timer
        ld a, #144
        call wait_line_start
        ldh a, (rTIMA - 0xFF00)
        pop hl
        ret

loop_ticks:
        ld a, #0x05
        call start_timer
        ld b, #128
1$:     dec b
        jr nz, 1$
        ldh a, (rTIMA - 0xFF00)
        ret

serial_ticks:
        ld a, #0x06
        call start_timer
        xor a
        ldh (rSB - 0xFF00), a
        ld a, #0x81                     ; internal clock, normal rate
        ldh (rSC - 0xFF00), a
1$:     ldh a, (rSC - 0xFF00)
        bit 7, a
        jr nz, 1$
        ldh a, (rTIMA - 0xFF00)
        ret

; The ticks of a copy of 33 blocks less those of a copy of 1, both made in
; V-blank from 0x0000 to 0x9800 (the map, which nothing shows).
dma_ticks:
        push hl
        ld a, #144
        call wait_line_start
        ld c, #32
        call timed_copy
        ld d, a
        ld c, #0
        call timed_copy
        ld e, a
        ld a, d
        sub e
        pop hl
        ret

timed_copy:
        xor a
        ldh (rHDMA1 - 0xFF00), a
        ldh (rHDMA2 - 0xFF00), a
        ld a, #0x18
        ldh (rHDMA3 - 0xFF00), a
        xor a
        ldh (rHDMA4 - 0xFF00), a
        ld a, #0x05
        call start_timer
        ld a, c
        ldh (rHDMA5 - 0xFF00), a
        ldh a, (rTIMA - 0xFF00)
        ret

; An H-blank copy of 8 blocks from 0x0100 to DE, started in V-blank; the
; processor then halts until the next V-blank and must find the copy done.
hblank_while_halted:
        push hl
        ld a, #144
        call wait_line_start
        ld a, #0x01
        ldh (rHDMA1 - 0xFF00), a
        xor a
        ldh (rHDMA2 - 0xFF00), a
        ld a, d
        ldh (rHDMA3 - 0xFF00), a
        ld a, e
        ldh (rHDMA4 - 0xFF00), a
        ld a, #0x87
        ldh (rHDMA5 - 0xFF00), a
        xor a
        ldh (rIF - 0xFF00), a
        ld a, #IEF_VBLANK
        ldh (rIE - 0xFF00), a
        halt
        nop
        xor a
        ldh (rIE - 0xFF00), a
        ldh a, (rHDMA5 - 0xFF00)
        cp #0xFF
        ld hl, #hblank_unfinished
        jp nz, fail
        xor a                           ; LCD off: video RAM free for the check
        ldh (rLCDC - 0xFF00), a
        ld hl, #0x0100
        ld c, #128
1$:     ld a, (de)
        cp (hl)
        jr nz, 2$
        inc hl
        inc de
        dec c
        jr nz, 1$
        ld a, #0x91
        ldh (rLCDC - 0xFF00), a
        pop hl
        ret
2$:     ld hl, #hblank_bytes
        jp fail

fail:   jp report_failed

; low, high, message: lines, frame, loop, serial, DMA.
normal_ranges:
        .db 55, 59
        .dw lines_normal
        .db 67, 70
        .dw frame_normal
        .db 128, 131
        .dw loop_wrong
        .db 55, 64
        .dw serial_wrong
        .db 63, 65
        .dw dma_normal
double_ranges:
        .db 112, 116
        .dw lines_double
        .db 136, 139
        .dw frame_double
        .db 128, 131
        .dw loop_wrong
        .db 55, 64
        .dw serial_wrong
        .db 127, 129
        .dw dma_double

passed:         .asciz "double speed"
key1_start:     .asciz "KEY1 does not read 0x7E at the start"
key1_prepared:  .asciz "KEY1 does not read 0x7F once prepared"
key1_double:    .asciz "KEY1 does not read 0xFE after the switch"
key1_normal:    .asciz "KEY1 does not read 0x7E after the switch back"
div_after:      .asciz "DIV not 0 just after the switch"
lines_normal:   .asciz "8 lines are not 912 cycles at normal speed"
lines_double:   .asciz "8 lines are not 1824 cycles in double speed"
frame_normal:   .asciz "a frame is not 17556 cycles at normal speed"
frame_double:   .asciz "a frame is not 35112 cycles in double speed"
loop_wrong:     .asciz "the timer does not count the processor's cycles"
serial_wrong:   .asciz "a serial transfer does not take 896-1024 cycles"
dma_normal:     .asciz "a VRAM DMA block does not take 8 cycles at normal speed"
dma_double:     .asciz "a VRAM DMA block does not take 16 cycles in double speed"
hblank_unfinished: .asciz "the H-blank copy did not finish while halted"
hblank_bytes:   .asciz "the H-blank copy moved the wrong bytes"

        .include "report.inc"

; PELLIX demo cartridge: a title, a face that the pad moves, a short tune
; on all four sound channels (A plays it again), and a self-check of the
; machine that reports through the status block in cartridge RAM, so that
; "pellix --test demo.gb" gives a verdict.
;
; Everything lives in the first 16 KiB of the image; the cartridge has a
; bank controller only because it has RAM (MBC1 with 8 KiB, no battery, so
; no save file is written).

        .include "gb.inc"

; ---- Work RAM -----------------------------------------------------------

        frame_count     = 0xC000        ; V-blanks seen, counted by the handler
        vblank_seen     = 0xC001        ; set by the handler, cleared by the main loop
        pad_now         = 0xC002        ; buttons held this frame (1 = held, see read_pad)
        pad_before      = 0xC003        ; buttons held the frame before
        face_x          = 0xC004        ; sprite position as OAM holds it (screen + 8, + 16)
        face_y          = 0xC005
        tune_step       = 0xC006        ; next step of the tune; TUNE_STEPS when it is over
        tune_wait       = 0xC007        ; frames until that step
        timer_overflows = 0xC008        ; counted by the timer handler
        check_failed    = 0xC009        ; number of the first failed check, 0 while all pass
        check_frames    = 0xC00A        ; frames left before the timing check; 0 once reported
        check_drawn     = 0xC00B        ; the result line waits for V-blank to be drawn
        ram_test        = 0xC100        ; 256 bytes for the work RAM check

; ---- Buttons as read_pad packs them -------------------------------------

        PAD_RIGHT       = 0x01
        PAD_LEFT        = 0x02
        PAD_UP          = 0x04
        PAD_DOWN        = 0x08
        PAD_A           = 0x10

; ---- Tiles and the map --------------------------------------------------

        FONT_TILES      = 0x8000        ; tile n = the character 0x20 + n
        BIG_TILES       = 0x8400        ; tile 64 on: the title letters, 2x2 tiles each
        BIG_FIRST_TILE  = 64
        FACE_TILE       = 84
        FACE_TILES      = 0x8540
        BORDER_TILE     = 85
        BORDER_TILES    = 0x8550
        SPARE_TILES     = 0x87F0        ; tile 127, used by the video RAM check
        MAP             = 0x9800
        MAP_ROW         = 32            ; bytes per map row

        FACE_START_X    = 84            ; the middle of the picture, in OAM terms
        FACE_START_Y    = 88
        FACE_MIN_X      = 8             ; keeps the whole face on the picture
        FACE_MAX_X      = 160
        FACE_MIN_Y      = 16
        FACE_MAX_Y      = 152

; ---- The self-check -----------------------------------------------------

        CHECK_FRAMES    = 60            ; frames the timing check measures
        ; 60 frames of 17556 machine cycles are 4114.6 timer counts at one
        ; count per 256 cycles; the check allows about 3 % either way.
        TIMER_LOW       = 4000
        TIMER_SPREAD    = 230

; ---- Interrupt vectors and the header -----------------------------------

        .org 0x40                       ; V-blank
        jp vblank_handler
        .org 0x50                       ; timer
        jp timer_handler

        TITLED_CARTRIDGE 0x02, 0x00, 0x02, 0x00, ^/"PELLIX DEMO"/   ; MBC1 with RAM, no battery; 32 KiB; 8 KiB of RAM

; ---- Start --------------------------------------------------------------

start:
        di
        ld sp, #0xE000
        call lcd_off

        ; The status block says "running" from the first moment.
        ld a, #0x0A                     ; enable the cartridge RAM
        ld (0x0000), a
        ld a, #0x80
        ld (0xA000), a
        ld a, #0xDE
        ld (0xA001), a
        ld a, #0xB0
        ld (0xA002), a
        ld a, #0x61
        ld (0xA003), a
        xor a
        ld (0xA004), a

        xor a
        ld (frame_count), a
        ld (vblank_seen), a
        ld (pad_now), a
        ld (pad_before), a
        ld (timer_overflows), a
        ld (check_failed), a
        ld (check_drawn), a
        ld a, #FACE_START_X
        ld (face_x), a
        ld a, #FACE_START_Y
        ld (face_y), a

        call check_work_ram
        call load_tiles
        call check_video_ram
        call draw_screen
        call clear_oam
        call check_serial

        ld a, #0xE4                     ; shades 0-3 from lightest to darkest
        ldh (rBGP - 0xFF00), a
        ldh (rOBP0 - 0xFF00), a

        call sound_on
        call tune_start
        call check_sound

        ; The timing check: the timer counts while CHECK_FRAMES frames pass.
        xor a
        ldh (rTIMA - 0xFF00), a
        ldh (rTMA - 0xFF00), a
        ld a, #CHECK_FRAMES
        ld (check_frames), a

        ld a, #0x93                     ; LCD, tiles at 0x8000, sprites, background
        ldh (rLCDC - 0xFF00), a
        xor a
        ldh (rIF - 0xFF00), a
        ld a, #(IEF_VBLANK | IEF_TIMER)
        ldh (rIE - 0xFF00), a
        ld a, #0x04                     ; timer on, one count per 256 machine cycles
        ldh (rTAC - 0xFF00), a
        ei

; ---- Main loop: once per frame, at the start of V-blank -----------------

main_loop:
        halt
        nop
        ld a, (vblank_seen)             ; the timer wakes the HALT too
        or a
        jr z, main_loop
        xor a
        ld (vblank_seen), a

        ; Video memory first, while V-blank lasts.
        call place_face
        ld a, (check_drawn)
        or a
        call nz, draw_check_result

        call read_pad
        call move_face
        ld a, (pad_before)              ; A newly pressed: the tune again
        cpl
        ld b, a
        ld a, (pad_now)
        and b
        and #PAD_A
        call nz, tune_start
        call tune_frame
        call check_timing
        jr main_loop

vblank_handler:
        push af
        ld a, (frame_count)
        inc a
        ld (frame_count), a
        ld a, #1
        ld (vblank_seen), a
        pop af
        reti

timer_handler:
        push af
        ld a, (timer_overflows)
        inc a
        ld (timer_overflows), a
        pop af
        reti

; ---- The picture --------------------------------------------------------

; Waits for V-blank and turns the LCD off, so that video memory is free.
; An LCD already off is left alone.
lcd_off:
        ldh a, (rLCDC - 0xFF00)
        bit 7, a
        ret z
1$:
        ldh a, (rLY - 0xFF00)
        cp #144
        jr c, 1$
        xor a
        ldh (rLCDC - 0xFF00), a
        ret

; The font in shade 3 (both bit planes the same), the big title letters,
; the face and the border.
load_tiles:
        ld hl, #font
        ld de, #FONT_TILES
        ld bc, #(64 * 8)
1$:
        ld a, (hl+)
        ld (de), a
        inc de
        ld (de), a
        inc de
        dec bc
        ld a, b
        or c
        jr nz, 1$

        ld hl, #title_letters
        ld de, #BIG_TILES
2$:
        ld a, (hl+)
        or a
        jr z, 3$
        push hl
        call glyph_address
        call big_letter
        pop hl
        jr 2$
3$:
        ld hl, #face_tile
        ld de, #FACE_TILES
        ld b, #32                       ; the face and the border, 16 bytes each
        jp copy_bytes

; HL = the font glyph of the character in A.
glyph_address:
        sub #0x20
        ld l, a
        ld h, #0
        add hl, hl
        add hl, hl
        add hl, hl
        ld bc, #font
        add hl, bc
        ret

; Draws the glyph at HL twice as large into four tiles at DE (top left,
; top right, bottom left, bottom right) in shade 3, and leaves DE after
; them. Each quarter takes four rows of the glyph, the high or the low
; half of each, with every bit doubled across and every row drawn twice.
big_letter:
        ld c, #0                        ; the quarter, 0-3
1$:
        push hl
        ld a, c
        and #2
        add a, a                        ; first glyph row: 0 for the top, 4 for the bottom
        add a, l
        ld l, a
        ld a, #0
        adc a, h
        ld h, a
        ld b, #4
2$:
        ld a, (hl+)
        bit 0, c
        jr nz, 3$
        swap a                          ; the left quarters take the high half
3$:
        and #0x0F
        push hl
        ld hl, #doubled_bits
        add a, l
        ld l, a
        ld a, #0
        adc a, h
        ld h, a
        ld a, (hl)
        pop hl
        ld (de), a                      ; two rows, both planes
        inc de
        ld (de), a
        inc de
        ld (de), a
        inc de
        ld (de), a
        inc de
        dec b
        jr nz, 2$
        pop hl
        inc c
        ld a, c
        cp #4
        jr nz, 1$
        ret

; Four bits with each one doubled: 0b0101 -> 0b00110011.
doubled_bits:
        .db 0x00, 0x03, 0x0C, 0x0F, 0x30, 0x33, 0x3C, 0x3F
        .db 0xC0, 0xC3, 0xCC, 0xCF, 0xF0, 0xF3, 0xFC, 0xFF

; The letters of the title, in the order of their tiles; 0 ends the list.
title_letters:
        .asciz "PELIX"

; The title: each letter's number among title_letters.
title_text:
        .db 0, 1, 2, 2, 3, 4, 0xFF

; B bytes from HL to DE.
copy_bytes:
        ld a, (hl+)
        ld (de), a
        inc de
        dec b
        jr nz, copy_bytes
        ret

; Clears the map and writes the border, the title and the lines of text.
draw_screen:
        ld hl, #MAP
        ld bc, #(32 * 32)
1$:
        xor a                           ; tile 0 is the space
        ld (hl+), a
        dec bc
        ld a, b
        or c
        jr nz, 1$

        ld hl, #MAP
        call border_row
        ld hl, #(MAP + 17 * MAP_ROW)
        call border_row

        ; The title: each letter two tiles wide on rows 2 and 3, from column 4.
        ld hl, #title_text
        ld de, #(MAP + 2 * MAP_ROW + 4)
2$:
        ld a, (hl+)
        cp #0xFF
        jr z, 3$
        add a, a
        add a, a
        add a, #BIG_FIRST_TILE          ; the letter's top-left tile
        ld (de), a
        inc a
        inc de
        ld (de), a
        inc a
        push de
        ld b, a
        ld a, e
        add a, #(MAP_ROW - 1)
        ld e, a
        ld a, d
        adc a, #0
        ld d, a
        ld a, b
        ld (de), a
        inc a
        inc de
        ld (de), a
        pop de
        inc de
        jr 2$
3$:
        ld hl, #subtitle
        ld de, #(MAP + 5 * MAP_ROW + 2)
        call draw_text
        ld hl, #help_line
        ld de, #(MAP + 13 * MAP_ROW + 1)
        call draw_text
        ld hl, #checking_line
        ld de, #(MAP + 15 * MAP_ROW + 1)
        jp draw_text

; One row of border tiles at HL.
border_row:
        ld b, #20
        ld a, #BORDER_TILE
1$:
        ld (hl+), a
        dec b
        jr nz, 1$
        ret

; The zero-terminated text at HL into the map at DE.
draw_text:
        ld a, (hl+)
        or a
        ret z
        sub #0x20
        ld (de), a
        inc de
        jr draw_text

subtitle:
        .asciz "A GAME BOY DEMO"
help_line:
        .asciz "PAD: MOVE  A: TUNE"
checking_line:
        .asciz "SELF-CHECK ..."
passed_line:
        .asciz "SELF-CHECK: OK"
failed_line:
        .asciz "SELF-CHECK "
failed_line_end:
        .asciz " FAILED"

; The result of the self-check on row 15, once it is known: OK, or the
; number of the first check that failed.
draw_check_result:
        xor a
        ld (check_drawn), a
        ld de, #(MAP + 15 * MAP_ROW + 1)
        ld a, (check_failed)
        or a
        jr nz, 1$
        ld hl, #passed_line
        jp draw_text
1$:
        ld hl, #failed_line
        call draw_text
        ld a, (check_failed)
        add a, #(0x30 - 0x20)           ; the digit's tile
        ld (de), a
        inc de
        ld hl, #failed_line_end
        jp draw_text

clear_oam:
        ld hl, #0xFE00
        ld b, #160
        xor a
1$:
        ld (hl+), a
        dec b
        jr nz, 1$
        ret

; Sprite 0 is the face.
place_face:
        ld hl, #0xFE00
        ld a, (face_y)
        ld (hl+), a
        ld a, (face_x)
        ld (hl+), a
        ld a, #FACE_TILE
        ld (hl+), a
        xor a                           ; palette 0, no flips, in front
        ld (hl), a
        ret

; ---- The pad ------------------------------------------------------------

; pad_now = the buttons held, 1 = held: bit 0 Right, 1 Left, 2 Up, 3 Down,
; 4 A, 5 B, 6 Select, 7 Start. pad_before keeps the previous frame's.
read_pad:
        ld a, (pad_now)
        ld (pad_before), a
        ld a, #0x20                     ; the direction keys
        ldh (rP1 - 0xFF00), a
        ldh a, (rP1 - 0xFF00)
        ldh a, (rP1 - 0xFF00)           ; read twice: the lines settle
        and #0x0F
        ld b, a
        ld a, #0x10                     ; the buttons
        ldh (rP1 - 0xFF00), a
        ldh a, (rP1 - 0xFF00)
        ldh a, (rP1 - 0xFF00)
        and #0x0F
        swap a
        or b
        cpl                             ; the pad reads 0 for held
        ld (pad_now), a
        ld a, #0x30                     ; neither half
        ldh (rP1 - 0xFF00), a
        ret

; One pixel per frame in each held direction, kept on the picture.
move_face:
        ld a, (pad_now)
        ld b, a
        ld hl, #face_x
        bit 0, b                        ; Right
        jr z, 1$
        ld a, (hl)
        cp #FACE_MAX_X
        jr nc, 1$
        inc (hl)
1$:
        bit 1, b                        ; Left
        jr z, 2$
        ld a, (hl)
        cp #(FACE_MIN_X + 1)
        jr c, 2$
        dec (hl)
2$:
        ld hl, #face_y
        bit 2, b                        ; Up
        jr z, 3$
        ld a, (hl)
        cp #(FACE_MIN_Y + 1)
        jr c, 3$
        dec (hl)
3$:
        bit 3, b                        ; Down
        ret z
        ld a, (hl)
        cp #FACE_MAX_Y
        ret nc
        inc (hl)
        ret

; ---- Sound --------------------------------------------------------------

        TUNE_STEPS      = 32
        STEP_FRAMES     = 8             ; 7.5 steps per second

sound_on:
        ld a, #0x80                     ; sound on
        ldh (rNR52 - 0xFF00), a
        ld a, #0x77                     ; both sides at full volume
        ldh (rNR50 - 0xFF00), a
        ld a, #0xFF                     ; every channel to both sides
        ldh (rNR51 - 0xFF00), a
        xor a
        ldh (rNR10 - 0xFF00), a         ; no sweep
        ldh (rNR30 - 0xFF00), a         ; the wave may only be written while off
        ld hl, #bass_wave
        ld de, #0xFF30
        ld b, #16
        jp copy_bytes

; A soft, rounded wave for the bass: 32 samples of 4 bits.
bass_wave:
        .db 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF
        .db 0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10

; Starts the tune from its first step, which plays at once.
tune_start:
        xor a
        ld (tune_step), a
        inc a
        ld (tune_wait), a
        ; fall through: the first step plays now

; Counts down to the next step and plays it: for each channel a note
; number (0 = nothing new, the channel rings on). After the last step the
; channels fall silent.
tune_frame:
        ld a, (tune_step)
        cp #TUNE_STEPS
        ret z
        ld hl, #tune_wait
        dec (hl)
        ret nz
        ld (hl), #STEP_FRAMES

        ld a, (tune_step)
        ld e, a
        ld d, #0
        ld hl, #tune_lead
        add hl, de
        ld a, (hl)
        call play_lead
        ld hl, #tune_harmony
        add hl, de
        ld a, (hl)
        call play_harmony
        ld hl, #tune_bass
        add hl, de
        ld a, (hl)
        call play_bass
        ld hl, #tune_drums
        add hl, de
        ld a, (hl)
        call play_drum

        ld a, (tune_step)
        inc a
        ld (tune_step), a
        cp #TUNE_STEPS
        ret nz
        ; The end: the envelopes and the wave's output off silence all four.
        xor a
        ldh (rNR12 - 0xFF00), a
        ldh (rNR22 - 0xFF00), a
        ldh (rNR30 - 0xFF00), a
        ldh (rNR42 - 0xFF00), a
        ret

; BC = the period of note A (1 = C3), from the table.
note_period:
        dec a
        add a, a
        ld c, a
        ld b, #0
        ld hl, #note_periods
        add hl, bc
        ld a, (hl+)
        ld c, a
        ld b, (hl)
        ret

; Square 1, the melody: half duty, loud, fading.
play_lead:
        or a
        ret z
        push de
        call note_period
        ld a, #0x80
        ldh (rNR11 - 0xFF00), a
        ld a, #0xC4
        ldh (rNR12 - 0xFF00), a
        ld a, c
        ldh (rNR13 - 0xFF00), a
        ld a, b
        or #0x80                        ; trigger
        ldh (rNR14 - 0xFF00), a
        pop de
        ret

; Square 2, the harmony: quarter duty, softer.
play_harmony:
        or a
        ret z
        push de
        call note_period
        ld a, #0x40
        ldh (rNR21 - 0xFF00), a
        ld a, #0x83
        ldh (rNR22 - 0xFF00), a
        ld a, c
        ldh (rNR23 - 0xFF00), a
        ld a, b
        or #0x80
        ldh (rNR24 - 0xFF00), a
        pop de
        ret

; The wave channel, the bass: the same period sounds an octave lower there.
play_bass:
        or a
        ret z
        push de
        call note_period
        ld a, #0x80                     ; output on
        ldh (rNR30 - 0xFF00), a
        ld a, #0x20                     ; full volume
        ldh (rNR32 - 0xFF00), a
        ld a, c
        ldh (rNR33 - 0xFF00), a
        ld a, b
        or #0x80
        ldh (rNR34 - 0xFF00), a
        pop de
        ret

; The noise channel, the drums: 1 = low drum, 2 = snare, 3 = hi-hat.
play_drum:
        or a
        ret z
        push de
        dec a
        add a, a
        ld c, a
        ld b, #0
        ld hl, #drum_sounds
        add hl, bc
        ld a, (hl+)
        ldh (rNR42 - 0xFF00), a         ; volume and fade
        ld a, (hl)
        ldh (rNR43 - 0xFF00), a         ; pitch of the noise
        ld a, #0x80
        ldh (rNR44 - 0xFF00), a
        pop de
        ret

drum_sounds:
        .db 0xF2, 0x71                  ; low drum: loud, short, deep
        .db 0xC2, 0x42                  ; snare
        .db 0x61, 0x10                  ; hi-hat: quiet, very short, high

; Note numbers: C3 = 1 up to B5 = 36, a semitone apart.
        C3  =  1
        D3  =  3
        E3  =  5
        F3  =  6
        G3  =  8
        A3  = 10
        B3  = 12
        C4  = 13
        D4  = 15
        E4  = 17
        F4  = 18
        G4  = 20
        A4  = 22
        B4  = 24
        C5  = 25
        D5  = 27
        E5  = 29
        F5  = 30
        G5  = 32
        A5  = 34

; The periods of the square channels, 2048 - 131072 / frequency, from C3
; (130.8 Hz) to B5 (987.8 Hz), one octave per line, C to B.
note_periods:
        .dw 1046, 1102, 1155, 1205, 1253, 1297, 1339, 1379, 1417, 1452, 1486, 1517
        .dw 1547, 1575, 1602, 1627, 1650, 1673, 1694, 1714, 1732, 1750, 1767, 1783
        .dw 1798, 1812, 1825, 1837, 1849, 1860, 1871, 1881, 1890, 1899, 1907, 1915

; The tune: four bars of eight steps, in C major.
tune_lead:
        .db C5, 0, E5, 0, G5, 0, E5, 0
        .db F5, 0, A5, 0, G5, 0, 0, 0
        .db E5, 0, C5, 0, D5, 0, B4, 0
        .db C5, 0, 0, 0, G4, 0, C5, 0
tune_harmony:
        .db E4, 0, G4, 0, C5, 0, G4, 0
        .db A4, 0, C5, 0, B4, 0, 0, 0
        .db G4, 0, E4, 0, F4, 0, D4, 0
        .db E4, 0, 0, 0, D4, 0, E4, 0
tune_bass:
        .db C3, 0, 0, 0, C3, 0, 0, 0
        .db F3, 0, 0, 0, G3, 0, 0, 0
        .db C3, 0, 0, 0, G3, 0, 0, 0
        .db C3, 0, G3, 0, C3, 0, 0, 0
tune_drums:
        .db 1, 0, 3, 0, 2, 0, 3, 0
        .db 1, 0, 3, 0, 2, 0, 3, 3
        .db 1, 0, 3, 0, 2, 0, 3, 0
        .db 1, 0, 3, 1, 2, 0, 2, 2

; ---- The self-check -----------------------------------------------------
; Each check that fails records its number (the first failure stays); the
; verdict goes into the status block once the timing check is done.

; Records check number A as failed unless an earlier one already has.
fail_check:
        ld b, a
        ld a, (check_failed)
        or a
        ret nz
        ld a, b
        ld (check_failed), a
        ret

; 1: work RAM keeps a pattern of all byte values.
check_work_ram:
        ld hl, #ram_test
        ld b, #0
1$:
        ld a, b
        xor #0x5A
        ld (hl+), a
        inc b
        jr nz, 1$
        ld hl, #ram_test
2$:
        ld a, b
        xor #0x5A
        cp (hl)
        jr nz, 3$
        inc hl
        inc b
        jr nz, 2$
        ret
3$:
        ld a, #1
        jp fail_check

; 2: video RAM (with the LCD off) keeps what was written, and the font
; copy there is the font.
check_video_ram:
        ld hl, #SPARE_TILES
        ld b, #16
1$:
        ld a, b
        ld (hl+), a
        dec b
        jr nz, 1$
        ld hl, #SPARE_TILES
        ld b, #16
2$:
        ld a, (hl+)
        cp b
        jr nz, 4$
        dec b
        jr nz, 2$
        ; The glyph of 'A' (0x41, the 33rd after space) in both planes.
        ld hl, #(font + 0x21 * 8)
        ld de, #(FONT_TILES + 0x21 * 16)
        ld b, #8
3$:
        ld a, (de)
        cp (hl)
        jr nz, 4$
        inc de
        ld a, (de)
        cp (hl)
        jr nz, 4$
        inc de
        inc hl
        dec b
        jr nz, 3$
        ret
4$:
        ld a, #2
        jp fail_check

; 3: a byte sent with nothing connected comes back as 0xFF, and the end of
; the transfer requests the serial interrupt. The wait is bounded, so that
; a transfer that never ends fails the check instead of hanging.
check_serial:
        xor a
        ldh (rIF - 0xFF00), a
        ld a, #0x5A
        ldh (rSB - 0xFF00), a
        ld a, #0x81                     ; start, internal clock
        ldh (rSC - 0xFF00), a
        ld bc, #2000                    ; about 16000 cycles; a byte takes 1024
1$:
        ldh a, (rSC - 0xFF00)
        bit 7, a
        jr z, 2$
        dec bc
        ld a, b
        or c
        jr nz, 1$
        jr 3$
2$:
        ldh a, (rSB - 0xFF00)
        cp #0xFF
        jr nz, 3$
        ldh a, (rIF - 0xFF00)
        and #IEF_SERIAL
        ret nz
3$:
        ld a, #3
        jp fail_check

; 4: right after the tune's first step every channel reports itself on.
check_sound:
        ldh a, (rNR52 - 0xFF00)
        and #0x8F
        cp #0x8F
        ret z
        ld a, #4
        jp fail_check

; 5: once per frame: after CHECK_FRAMES frames, the timer has counted what
; that many frames take. Then the verdict goes into the status block.
check_timing:
        ld a, (check_frames)
        or a
        ret z                           ; reported already
        dec a
        ld (check_frames), a
        ret nz
        ; Stop the timer and take an overflow it requested meanwhile, so
        ; that the count and its overflows belong together.
        di
        xor a
        ldh (rTAC - 0xFF00), a
        ld hl, #timer_overflows
        ldh a, (rIF - 0xFF00)
        and #IEF_TIMER
        jr z, 1$
        inc (hl)
        ldh a, (rIF - 0xFF00)
        and #~IEF_TIMER
        ldh (rIF - 0xFF00), a
1$:
        ld a, (hl)
        ld h, a
        ldh a, (rTIMA - 0xFF00)
        ld l, a
        ei
        ld de, #(-TIMER_LOW)
        add hl, de                      ; carry when the count reached TIMER_LOW
        jr nc, 2$
        ld a, h
        or a
        jr nz, 2$
        ld a, l
        cp #TIMER_SPREAD
        jr c, report
2$:
        ld a, #5
        call fail_check
        ; fall through

; The status block: the text, then the result code, which ends "running".
report:
        ld de, #0xA004
        ld a, (check_failed)
        or a
        jr nz, 1$
        ld hl, #verdict_passed
        call copy_text
        jr 2$
1$:
        ld hl, #verdict_failed
        call copy_text
        ld a, (check_failed)
        add a, #0x30                    ; the check's number as a digit
        ld (de), a
        inc de
        ld hl, #verdict_failed_what
        call copy_text
        ld a, (check_failed)
        call check_name
        call copy_text
2$:
        xor a
        ld (de), a                      ; the end of the text
        ld a, (check_failed)
        ld (0xA000), a
        ld a, #1
        ld (check_drawn), a
        ret

; The text at HL to DE, up to its zero, which is not copied.
copy_text:
        ld a, (hl+)
        or a
        ret z
        ld (de), a
        inc de
        jr copy_text

; HL = the name of check number A.
check_name:
        dec a
        add a, a
        ld c, a
        ld b, #0
        ld hl, #check_names
        add hl, bc
        ld a, (hl+)
        ld h, (hl)
        ld l, a
        ret

check_names:
        .dw name_work_ram, name_video_ram, name_serial, name_sound, name_timing
name_work_ram:
        .asciz "work RAM does not keep a pattern"
name_video_ram:
        .asciz "video RAM does not keep the tiles"
name_serial:
        .asciz "a serial transfer with nothing connected did not end with 0xFF"
name_sound:
        .asciz "the sound channels do not report themselves on"
name_timing:
        .asciz "the timer does not count what 60 frames take"

verdict_passed:
        .asciz "PELLIX demo: every self-check passed"
verdict_failed:
        .asciz "PELLIX demo: self-check "
verdict_failed_what:
        .asciz " failed: "

; The face: an outline in shade 3, filled with shade 1, eyes and smile in 3.
; Each row: the low bit plane, then the high bit plane.
face_tile:
        .db 0b00111100, 0b00111100      ; ..3333..
        .db 0b01111110, 0b01000010      ; .311113.
        .db 0b11111111, 0b10100101      ; 31311313
        .db 0b11111111, 0b10000001      ; 31111113
        .db 0b11111111, 0b10100101      ; 31311313
        .db 0b11111111, 0b10011001      ; 31133113
        .db 0b01111110, 0b01000010      ; .311113.
        .db 0b00111100, 0b00111100      ; ..3333..

; The border: a light chequer (shade 1) with a dark line (shade 2) below.
border_tile:
        .db 0b10101010, 0b00000000
        .db 0b01010101, 0b00000000
        .db 0b10101010, 0b00000000
        .db 0b01010101, 0b00000000
        .db 0b10101010, 0b00000000
        .db 0b01010101, 0b00000000
        .db 0b00000000, 0b11111111
        .db 0b00000000, 0b00000000

        .include "font.inc"

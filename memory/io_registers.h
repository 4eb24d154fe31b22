// The register page 0xFF00-0xFF7F and the interrupt enable register 0xFFFF.
#pragma once
#include <cstdint>

// One global byte per console register.
extern uint8_t TIMA, TMA, TAC;               // the timer (DIV follows from the system counter)
extern uint8_t IF, IE;                       // interrupt requests and enables
constexpr uint8_t InterruptBits = 0x1F;      // IF's five request bits
constexpr uint8_t IfUnused = 0xE0;           // IF's other bits read 1
extern uint8_t LCDC, STAT, SCY, SCX, LY, LYC, BGP, OBP0, OBP1, WY, WX;
extern uint8_t KEY1;                         // the speed-switch prepare byte (0 or 1)
extern uint8_t OPRI;                         // sprite priority: 0 by OAM order, 1 by X (bit 0)
// 0xFF72-0xFF75: bytes of no known use that hold what is written (0xFF75
// bits 4-6 only).
extern uint8_t Undocumented[4];
extern uint8_t VBK;                          // video RAM bank, 0 or 1
extern uint8_t SVBK;                         // work RAM bank, 0 until written, then 1-7

extern int JoypadSelect;  // 0 = direction keys, 1 = buttons

// The console's eight buttons, one bit each, set while held: the pad in
// bits 0-3 as the joypad register shows it, the buttons in bits 4-7.
constexpr uint8_t ButtonRight = 0x01, ButtonLeft = 0x02, ButtonUp = 0x04, ButtonDown = 0x08;
constexpr uint8_t ButtonA = 0x10, ButtonB = 0x20, ButtonSelect = 0x40, ButtonStart = 0x80;
// The buttons the cartridge reads now. The front end sets them between
// frames, and sets JoypadNextFrame, which takes their place as the next
// frame starts (at line 0, or with the LCD off where the frame is handed
// over): a game that reads the pad in its V-blank code sees the buttons of
// the frame that V-blank ends.
extern uint8_t JoypadHeld;
extern uint8_t JoypadNextFrame;
extern int DoubleSpeed;   // toggled by STOP after a KEY1 prepare
// One of the joypad's input lines is low: a button of the selected half is
// held (what ends STOP).
bool JoypadLineLow();

// Every register of the page back to its program-start value.
void ResetIoRegisters();

// A monochrome cartridge runs in the colour console's compatibility mode:
// the registers of the colour model's own mode (KEY1, VBK, VRAM DMA, the
// palette ports, OPRI, SVBK, 0xFF74) read 0xFF there and take no writes.
bool ColourModeRegister(int address);

// The register page's part of a machine state, with the buttons held (the
// game reads them until the next frame's start). Loading it
// points the video and work RAM windows at the banks VBK and SVBK select.
class StateWriter;
class StateReader;
void SaveIoState(StateWriter& out);
void LoadIoState(StateReader& in);

uint8_t IoRead(int address);
void IoWrite(int address, int value);

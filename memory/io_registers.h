// The register page 0xFF00-0xFF7F and the interrupt enable register 0xFFFF:
// the interrupt requests and enables, the buttons, the colour model's bank
// and speed registers. The timer's, the serial port's, the LCD's and the
// sound chip's registers are kept by those units.
#pragma once
#include <cstdint>

struct Console;
class StateWriter;
class StateReader;

constexpr uint8_t InterruptBits = 0x1F;  // IF's five request bits
constexpr uint8_t IfUnused = 0xE0;       // IF's other bits read 1

struct IoRegisters {
  uint8_t IF = 0, IE = 0;  // interrupt requests and enables
  uint8_t KEY1 = 0;        // the speed-switch prepare byte (0 or 1)
  uint8_t OPRI = 0;        // sprite priority: 0 by OAM order, 1 by X (bit 0)
  // 0xFF72-0xFF75: bytes of no known use that hold what is written (0xFF75
  // bits 4-6 only).
  uint8_t undocumented[4] = {};
  uint8_t VBK = 0;   // video RAM bank, 0 or 1
  uint8_t SVBK = 0;  // work RAM bank, 0 until written, then 1-7
  int joypad_select = 0;  // 0 = direction keys, 1 = buttons
  // The buttons the cartridge reads now. The front end sets them between
  // frames, and sets joypad_next_frame, which takes their place as the
  // next frame starts (at line 0, or with the LCD off where the frame is
  // handed over): a game that reads the pad in its V-blank code sees the
  // buttons of the frame that V-blank ends.
  uint8_t joypad_held = 0;
  uint8_t joypad_next_frame = 0;
  int double_speed = 0;  // toggled by STOP after a KEY1 prepare
};

// One of the joypad's input lines is low: a button of the selected half is
// held (what ends STOP).
bool JoypadLineLow(const Console& m);

// Every register of the page back to its program-start value.
void ResetIoRegisters(Console& m);

// A monochrome cartridge runs in the colour console's compatibility mode:
// the registers of the colour model's own mode (KEY1, VBK, VRAM DMA, the
// palette ports, OPRI, SVBK, 0xFF74) read 0xFF there and take no writes.
bool ColourModeRegister(int address);

// The register page's part of a machine state, with the timer's and the
// LCD's registers, which the page has always held, and the buttons held
// (the game reads them until the next frame's start). Loading it points
// the video and work RAM windows at the banks VBK and SVBK select.
template <class State>
void WalkIoState(Console& m, State& s);

uint8_t IoRead(Console& m, int address);
void IoWrite(Console& m, int address, int value);

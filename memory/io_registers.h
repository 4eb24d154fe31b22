// The register page 0xFF00-0xFF7F and the interrupt enable register 0xFFFF.
#pragma once
#include <cstdint>

// One global byte per console register.
extern uint8_t DIV, TIMA, TMA, TAC;          // divider and timer
extern uint8_t IF, IE;                       // interrupt requests and enables
extern uint8_t LCDC, STAT, SCY, SCX, LY, LYC, BGP, OBP0, OBP1, WY, WX;
extern uint8_t KEY1;                         // the speed-switch prepare byte (0 or 1)
extern uint8_t VBK;                          // video RAM bank, 0 or 1
extern uint8_t SVBK;                         // work RAM bank, 0 until written, then 1-7

extern int JoypadSelect;  // 0 = direction keys, 1 = buttons
extern int DoubleSpeed;   // toggled by STOP after a KEY1 prepare

// Every register of the page back to its program-start value.
void ResetIoRegisters();

// The register page's part of a machine state, with the pad lines as the
// last poll left them (the game reads them until the next poll). Loading it
// points the video and work RAM windows at the banks VBK and SVBK select.
class StateWriter;
class StateReader;
void SaveIoState(StateWriter& out);
void LoadIoState(StateReader& in);

uint8_t IoRead(int address);
void IoWrite(int address, int value);
void OamDma(int value);

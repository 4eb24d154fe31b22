// VRAM DMA of the colour model (0xFF51-0xFF55): copies of 16-byte blocks
// into video RAM, either all at once while the processor waits (a general
// copy) or one block at the start of each H-blank (an H-blank copy).
#pragma once
#include <cstdint>

constexpr int VramDmaBlockSize = 16;
// Clocks the processor waits for each block (8 machine cycles at normal
// speed, 16 in double speed), and the cycles a general copy takes to start.
constexpr int VramDmaBlockClocks = 32;
constexpr int VramDmaStartCycles = 1;

extern uint16_t VramDmaSource;       // the next byte to read (0xFF51/0xFF52)
extern uint16_t VramDmaDestination;  // the next byte to write, 0x0000-0x1FFF from 0x8000 (0xFF53/0xFF54)
// Blocks the H-blank copy still has to make; a stopped copy keeps its count
// for the read-back of 0xFF55.
extern int VramDmaBlocksLeft;
extern int VramDmaActive;  // an H-blank copy is running

// No copy running, source and destination 0.
void ResetVramDma();

// The copy's part of a machine state.
class StateWriter;
class StateReader;
void SaveVramDmaState(StateWriter& out);
void LoadVramDmaState(StateReader& in);

uint8_t VramDmaRead(int address);
void VramDmaWrite(int address, uint8_t value);

// The H-blank of a visible line has begun with the LCD on: the running
// H-blank copy makes its next block, the processor held meanwhile (also
// while it is halted).
void VramDmaHblank();

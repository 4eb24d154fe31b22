// VRAM DMA of the colour model (0xFF51-0xFF55): copies of 16-byte blocks
// into video RAM, either all at once while the processor waits (a general
// copy) or one block at the start of each H-blank (an H-blank copy).
#pragma once
#include <cstdint>

struct Console;
class StateWriter;
class StateReader;

constexpr int VramDmaBlockSize = 16;
// Clocks the processor waits for each block (8 machine cycles at normal
// speed, 16 in double speed), and the cycles a general copy takes to start.
constexpr int VramDmaBlockClocks = 32;
constexpr int VramDmaStartCycles = 1;

struct VramDma {
  uint16_t source = 0;       // the next byte to read (0xFF51/0xFF52)
  uint16_t destination = 0;  // the next byte to write, 0x0000-0x1FFF from 0x8000 (0xFF53/0xFF54)
  // Blocks the H-blank copy still has to make; a stopped copy keeps its
  // count for the read-back of 0xFF55.
  int blocks_left = 0;
  int active = 0;  // an H-blank copy is running
};

// No copy running, source and destination 0.
void ResetVramDma(Console& m);

// The copy's part of a machine state.
template <class State>
void WalkVramDmaState(Console& m, State& s);

uint8_t VramDmaRead(Console& m, int address);
void VramDmaWrite(Console& m, int address, uint8_t value);

// The H-blank of a visible line has begun with the LCD on: the running
// H-blank copy makes its next block, the processor held meanwhile (also
// while it is halted).
void VramDmaHblank(Console& m);

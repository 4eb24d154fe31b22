// OAM DMA (0xFF46): a write copies 160 bytes from (value x 0x100) into
// OAM, one byte per machine cycle, starting one cycle after the write.
// Meanwhile the processor reads 0xFF from OAM, and reading from the bus
// the copy uses (the cartridge's, video RAM's or work RAM's) it gets the
// byte the copy is moving; high RAM and the registers stay reachable.
// Sources from 0xE000 read the echo of work RAM.
#pragma once
#include <cstdint>

#include "memory/memories.h"

struct Console;
class StateWriter;
class StateReader;

// A copy: its source page, the cycle its first byte moves, and how many
// bytes have been copied.
struct OamDmaCopy {
  static constexpr uint64_t Never = UINT64_MAX;
  uint16_t source = 0;
  uint64_t first = Never;
  int copied = OamSize;
};

struct OamDma {
  // Set from the write until the processor finds the copy finished: while
  // it is set, the processor's accesses take the slow path below.
  int active = 0;
  uint8_t DMA = 0xFF;  // 0xFF46 reads back the value last written
  // The copy under way, and a restart's copy, which waits until it begins.
  OamDmaCopy current, next;
};

// The write to 0xFF46, at the present cycle. A copy under way goes on
// until the new one starts.
void StartOamDma(Console& m, uint8_t value);
// Copies the bytes due by the present cycle (see OamDmaSync).
void OamDmaCatchUp(Console& m);
// A processor access while a copy is active.
uint8_t OamDmaRead(Console& m, int address);
bool OamDmaBlocksWrite(Console& m, int address);

void ResetOamDma(Console& m);

template <class State>
void WalkOamDmaState(Console& m, State& s);

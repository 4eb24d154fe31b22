// OAM DMA (0xFF46): a write copies 160 bytes from (value x 0x100) into
// OAM, one byte per machine cycle, starting one cycle after the write.
// Meanwhile the processor reads 0xFF from OAM, and reading from the bus
// the copy uses (the cartridge's, video RAM's or work RAM's) it gets the
// byte the copy is moving; high RAM and the registers stay reachable.
// Sources from 0xE000 read the echo of work RAM.
#pragma once
#include <cstdint>

// Set from the write until the processor finds the copy finished: while
// it is set, the processor's accesses take the slow path below.
extern int OamDmaActive;
// 0xFF46 reads back the value last written.
extern uint8_t OamDmaRegister;

// The write to 0xFF46, at the present cycle. A copy under way goes on
// until the new one starts.
void StartOamDma(uint8_t value);
// Copies the bytes due by the present cycle.
void OamDmaCatchUp();
inline void OamDmaSync() {
  if (OamDmaActive) OamDmaCatchUp();
}
// A processor access while OamDmaActive is set.
uint8_t OamDmaRead(int address);
bool OamDmaBlocksWrite(int address);

void ResetOamDma();

class StateWriter;
class StateReader;
void SaveOamDmaState(StateWriter& out);
void LoadOamDmaState(StateReader& in);

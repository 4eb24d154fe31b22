#include "memory/vram_dma.h"

#include "cpu/registers.h"
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "memory/machine_state.h"

uint16_t VramDmaSource = 0;
uint16_t VramDmaDestination = 0;
int VramDmaBlocksLeft = 0;
int VramDmaActive = 0;

namespace {

constexpr uint8_t HblankCopy = 0x80;  // 0xFF55 bit 7 on write: an H-blank copy
constexpr uint8_t LengthBits = 0x7F;
constexpr int DestinationBits = 0x1FFF;

// The copy goes through the processor's own path into video RAM (the bank
// VBK selects), so the tile cache sees every byte.
void CopyBlock() {
  for (int i = 0; i < VramDmaBlockSize; i++) {
    VideoRamWrite(0x8000 + VramDmaDestination, BusRead(VramDmaSource));
    VramDmaSource = static_cast<uint16_t>(VramDmaSource + 1);
    VramDmaDestination = static_cast<uint16_t>((VramDmaDestination + 1) & DestinationBits);
  }
}

// The processor waits while a copy holds the bus, for `blocks` blocks and
// `extra` cycles: the time passes as part of the instruction that started
// it (or the wait for the H-blank), and the other units see it pass as they
// catch up. A block takes the same real time at either speed.
void ProcessorWaits(int blocks, int extra = 0) {
  TotalCycles += static_cast<uint64_t>((blocks * VramDmaBlockClocks >> ClockShift) + extra);
}

void Start(uint8_t value) {
  const int blocks = (value & LengthBits) + 1;
  if (value & HblankCopy) {
    VramDmaBlocksLeft = blocks;
    VramDmaActive = 1;
    if (!(LCDC & 0x80)) VramDmaHblank();  // with the LCD off a block goes at once
    return;
  }
  for (int b = 0; b < blocks; b++) CopyBlock();
  VramDmaBlocksLeft = 0;
  ProcessorWaits(blocks, VramDmaStartCycles);
}

}  // namespace

void ResetVramDma() {
  VramDmaSource = 0;
  VramDmaDestination = 0;
  VramDmaBlocksLeft = 0;
  VramDmaActive = 0;
}

void SaveVramDmaState(StateWriter& out) {
  out.section("HDMA");
  out.u16(VramDmaSource);
  out.u16(VramDmaDestination);
  out.i32(VramDmaBlocksLeft);
  out.i32(VramDmaActive);
}

void LoadVramDmaState(StateReader& in) {
  in.section("HDMA");
  VramDmaSource = in.u16();
  VramDmaDestination = static_cast<uint16_t>(in.u16() & DestinationBits);
  VramDmaBlocksLeft = in.number(0, LengthBits + 1);
  VramDmaActive = in.number(0, 1);
  if (VramDmaActive && VramDmaBlocksLeft == 0) in.refuse();  // a running copy has a block to make
}

// 0xFF51-0xFF54 cannot be read back (0xFF). 0xFF55 reads in bits 0-6 the
// blocks left − 1, with bit 7 clear while an H-blank copy runs and set
// once it was stopped; a finished (or never started) copy reads 0xFF.
uint8_t VramDmaRead(int address) {
  if (address != 0xFF55 || VramDmaBlocksLeft == 0) return 0xFF;
  return static_cast<uint8_t>((VramDmaActive ? 0x00 : HblankCopy) | ((VramDmaBlocksLeft - 1) & LengthBits));
}

// The low four bits of both addresses are ignored, and the destination's
// top three: it always lies in 0x8000-0x9FF0. Writing 0xFF55 with bit 7
// clear while an H-blank copy runs stops it; otherwise it starts a copy.
void VramDmaWrite(int address, uint8_t value) {
  switch (address) {
    case 0xFF51: VramDmaSource = static_cast<uint16_t>(value << 8 | (VramDmaSource & 0xFF)); break;
    case 0xFF52: VramDmaSource = static_cast<uint16_t>((VramDmaSource & 0xFF00) | (value & 0xF0)); break;
    case 0xFF53:
      VramDmaDestination = static_cast<uint16_t>((value & 0x1F) << 8 | (VramDmaDestination & 0xFF));
      break;
    case 0xFF54:
      VramDmaDestination = static_cast<uint16_t>((VramDmaDestination & 0x1F00) | (value & 0xF0));
      break;
    default:
      if (VramDmaActive && !(value & HblankCopy)) VramDmaActive = 0;
      else Start(value);
      break;
  }
}

void VramDmaHblank() {
  CopyBlock();
  ProcessorWaits(1);
  if (--VramDmaBlocksLeft == 0) VramDmaActive = 0;
}

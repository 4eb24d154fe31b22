#include "memory/vram_dma.h"

#include "machine/clock.h"
#include "machine/state.h"
#include "memory/bus.h"

namespace {

constexpr uint8_t HblankCopy = 0x80;  // 0xFF55 bit 7 on write: an H-blank copy
constexpr uint8_t LengthBits = 0x7F;
constexpr int DestinationBits = 0x1FFF;

// The copy goes through the processor's own path into video RAM (the bank
// VBK selects), so the tile cache sees every byte.
void CopyBlock(Console& m) {
  for (int i = 0; i < VramDmaBlockSize; i++) {
    VideoRamWrite(m, 0x8000 + m.hdma.destination, BusRead(m, m.hdma.source));
    m.hdma.source = static_cast<uint16_t>(m.hdma.source + 1);
    m.hdma.destination = static_cast<uint16_t>((m.hdma.destination + 1) & DestinationBits);
  }
}

// The processor waits while a copy holds the bus, for `blocks` blocks and
// `extra` cycles: the time passes as part of the instruction that started
// it (or the wait for the H-blank), and the other units see it pass as they
// catch up. A block takes the same real time at either speed.
void ProcessorWaits(Console& m, int blocks, int extra = 0) {
  m.clock.cycles += static_cast<uint64_t>((blocks * VramDmaBlockClocks >> m.clock.shift) + extra);
}

void Start(Console& m, uint8_t value) {
  const int blocks = (value & LengthBits) + 1;
  if (value & HblankCopy) {
    m.hdma.blocks_left = blocks;
    m.hdma.active = 1;
    if (!(m.lcd.LCDC & 0x80)) VramDmaHblank(m);  // with the LCD off a block goes at once
    return;
  }
  for (int b = 0; b < blocks; b++) CopyBlock(m);
  m.hdma.blocks_left = 0;
  ProcessorWaits(m, blocks, VramDmaStartCycles);
}

}  // namespace

void ResetVramDma(Console& m) {
  m.hdma.source = 0;
  m.hdma.destination = 0;
  m.hdma.blocks_left = 0;
  m.hdma.active = 0;
}

template <class State>
void WalkVramDmaState(Console& m, State& s) {
  VramDma& dma = m.hdma;
  s.section("HDMA");
  s.u16(dma.source);
  s.u16(dma.destination);
  s.number(dma.blocks_left, 0, LengthBits + 1);
  s.number(dma.active, 0, 1);
  if constexpr (State::Loading) {
    dma.destination &= DestinationBits;
    s.require(!dma.active || dma.blocks_left > 0);  // a running copy has a block to make
  }
}

template void WalkVramDmaState(Console& m, StateWriter& s);
template void WalkVramDmaState(Console& m, StateReader& s);

// 0xFF51-0xFF54 cannot be read back (0xFF). 0xFF55 reads in bits 0-6 the
// blocks left − 1, with bit 7 clear while an H-blank copy runs and set
// once it was stopped; a finished (or never started) copy reads 0xFF.
uint8_t VramDmaRead(Console& m, int address) {
  if (address != 0xFF55 || m.hdma.blocks_left == 0) return 0xFF;
  return static_cast<uint8_t>((m.hdma.active ? 0x00 : HblankCopy) | ((m.hdma.blocks_left - 1) & LengthBits));
}

// The low four bits of both addresses are ignored, and the destination's
// top three: it always lies in 0x8000-0x9FF0. Writing 0xFF55 with bit 7
// clear while an H-blank copy runs stops it; otherwise it starts a copy.
void VramDmaWrite(Console& m, int address, uint8_t value) {
  switch (address) {
    case 0xFF51: m.hdma.source = static_cast<uint16_t>(value << 8 | (m.hdma.source & 0xFF)); break;
    case 0xFF52: m.hdma.source = static_cast<uint16_t>((m.hdma.source & 0xFF00) | (value & 0xF0)); break;
    case 0xFF53:
      m.hdma.destination = static_cast<uint16_t>((value & 0x1F) << 8 | (m.hdma.destination & 0xFF));
      break;
    case 0xFF54:
      m.hdma.destination = static_cast<uint16_t>((m.hdma.destination & 0x1F00) | (value & 0xF0));
      break;
    default:
      if (m.hdma.active && !(value & HblankCopy)) m.hdma.active = 0;
      else Start(m, value);
      break;
  }
}

void VramDmaHblank(Console& m) {
  CopyBlock(m);
  ProcessorWaits(m, 1);
  if (--m.hdma.blocks_left == 0) m.hdma.active = 0;
}

#include "memory/oam_dma.h"

#include "machine/clock.h"
#include "machine/state.h"
#include "memory/bus.h"

namespace {

constexpr int StartDelay = 2;  // cycles from the write to the first byte
constexpr uint64_t Never = OamDmaCopy::Never;
using Copy = OamDmaCopy;

// The source as the copy reads it: from 0xE000 on, work RAM's echo.
uint16_t SourceAddress(uint16_t source, int index) {
  int address = source + index;
  if (address >= 0xE000) address -= 0x2000;
  return static_cast<uint16_t>(address);
}

uint8_t SourceByte(Console& m, const Copy& copy, int index) { return BusRead(m, SourceAddress(copy.source, index)); }

// The bus an address is reached through: the cartridge's (ROM and its RAM),
// video RAM's, work RAM's; -1 for the processor's own (OAM, registers, high
// RAM).
int BusOf(int address) {
  if (address < 0x8000 || (address >= 0xA000 && address < 0xC000)) return 0;
  if (address < 0xA000) return 1;
  if (address < 0xFE00) return 2;
  return -1;
}

bool Moving(Console& m, const Copy& copy) {
  return copy.first != Never && m.clock.cycles >= copy.first && m.clock.cycles < copy.first + OamSize;
}

void Advance(Console& m, Copy& copy) {
  if (copy.first == Never || m.clock.cycles < copy.first) return;
  const uint64_t due = m.clock.cycles - copy.first + 1;
  const int until = due < static_cast<uint64_t>(OamSize) ? static_cast<int>(due) : OamSize;
  if (copy.copied >= until) return;
  for (; copy.copied < until; copy.copied++) m.mem.oam[copy.copied] = SourceByte(m, copy, copy.copied);
  m.mem.oam_changes++;
}

}  // namespace

void StartOamDma(Console& m, uint8_t value) {
  OamDmaSync(m);
  m.oam_dma.DMA = value;
  m.oam_dma.next = Copy{static_cast<uint16_t>(value << 8), m.clock.cycles + StartDelay, 0};
  m.oam_dma.active = 1;
}

void OamDmaCatchUp(Console& m) {
  if (m.oam_dma.next.first != Never && m.clock.cycles >= m.oam_dma.next.first) {
    Advance(m, m.oam_dma.current);  // the old copy runs up to the new one's start
    m.oam_dma.current = m.oam_dma.next;
    m.oam_dma.next = Copy{};
  }
  Advance(m, m.oam_dma.current);
  if (m.oam_dma.next.first == Never && m.oam_dma.current.copied == OamSize && m.clock.cycles >= m.oam_dma.current.first + OamSize) m.oam_dma.active = 0;
}

uint8_t OamDmaRead(Console& m, int address) {
  OamDmaSync(m);
  address &= 0xFFFF;
  if (!Moving(m, m.oam_dma.current)) return ProcessorRead(m, address);
  if (address >= 0xFE00 && address < 0xFF00) return 0xFF;
  if (BusOf(address) >= 0 && BusOf(address) == BusOf(SourceAddress(m.oam_dma.current.source, 0)))
    return SourceByte(m, m.oam_dma.current, static_cast<int>(m.clock.cycles - m.oam_dma.current.first));
  return ProcessorRead(m, address);
}

bool OamDmaBlocksWrite(Console& m, int address) {
  OamDmaSync(m);
  address &= 0xFFFF;
  if (!Moving(m, m.oam_dma.current)) return false;
  if (address >= 0xFE00 && address < 0xFF00) return true;
  return BusOf(address) >= 0 && BusOf(address) == BusOf(SourceAddress(m.oam_dma.current.source, 0));
}

void ResetOamDma(Console& m) {
  m.oam_dma.active = 0;
  m.oam_dma.DMA = 0xFF;
  m.oam_dma.current = m.oam_dma.next = Copy{};
}

template <class State>
void WalkOamDmaState(Console& m, State& s) {
  OamDma& dma = m.oam_dma;
  s.section("ODMA");
  s.u8(dma.DMA);
  s.flag(dma.active);
  for (Copy* copy : {&dma.current, &dma.next}) {
    s.u16(copy->source);
    s.i64(copy->first);
    s.number(copy->copied, 0, OamSize);
  }
  if constexpr (State::Loading) {
    for (Copy* copy : {&dma.current, &dma.next}) copy->source &= 0xFF00;
    // The processor stops looking only once both copies are done.
    s.require(dma.active || (dma.next.first == Never && dma.current.copied == OamSize));
  }
}

template void WalkOamDmaState(Console& m, StateWriter& s);
template void WalkOamDmaState(Console& m, StateReader& s);

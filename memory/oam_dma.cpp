#include "memory/oam_dma.h"

#include "cpu/registers.h"
#include "memory/bus.h"
#include "memory/machine_state.h"

int OamDmaActive = 0;
uint8_t OamDmaRegister = 0xFF;

namespace {

constexpr int StartDelay = 2;  // cycles from the write to the first byte
constexpr uint64_t Never = UINT64_MAX;

// The copy: its source page, the cycle its first byte moves, and how many
// bytes have been copied. A restart's copy waits as `next` until it begins.
struct Copy {
  uint16_t source = 0;
  uint64_t first = Never;
  int copied = OamSize;
};
Copy Current, Next;

// The source as the copy reads it: from 0xE000 on, work RAM's echo.
uint16_t SourceAddress(uint16_t source, int index) {
  int address = source + index;
  if (address >= 0xE000) address -= 0x2000;
  return static_cast<uint16_t>(address);
}

uint8_t SourceByte(const Copy& copy, int index) { return BusRead(SourceAddress(copy.source, index)); }

// The bus an address is reached through: the cartridge's (ROM and its RAM),
// video RAM's, work RAM's; -1 for the processor's own (OAM, registers, high
// RAM).
int BusOf(int address) {
  if (address < 0x8000 || (address >= 0xA000 && address < 0xC000)) return 0;
  if (address < 0xA000) return 1;
  if (address < 0xFE00) return 2;
  return -1;
}

bool Moving(const Copy& copy) {
  return copy.first != Never && TotalCycles >= copy.first && TotalCycles < copy.first + OamSize;
}

void Advance(Copy& copy) {
  if (copy.first == Never || TotalCycles < copy.first) return;
  const uint64_t due = TotalCycles - copy.first + 1;
  const int until = due < static_cast<uint64_t>(OamSize) ? static_cast<int>(due) : OamSize;
  if (copy.copied >= until) return;
  for (; copy.copied < until; copy.copied++) Oam[copy.copied] = SourceByte(copy, copy.copied);
  OamChanges++;
}

}  // namespace

void StartOamDma(uint8_t value) {
  OamDmaSync();
  OamDmaRegister = value;
  Next = Copy{static_cast<uint16_t>(value << 8), TotalCycles + StartDelay, 0};
  OamDmaActive = 1;
}

void OamDmaCatchUp() {
  if (Next.first != Never && TotalCycles >= Next.first) {
    Advance(Current);  // the old copy runs up to the new one's start
    Current = Next;
    Next = Copy{};
  }
  Advance(Current);
  if (Next.first == Never && Current.copied == OamSize && TotalCycles >= Current.first + OamSize) OamDmaActive = 0;
}

uint8_t OamDmaRead(int address) {
  OamDmaSync();
  address &= 0xFFFF;
  if (!Moving(Current)) return ProcessorRead(address);
  if (address >= 0xFE00 && address < 0xFF00) return 0xFF;
  if (BusOf(address) >= 0 && BusOf(address) == BusOf(SourceAddress(Current.source, 0)))
    return SourceByte(Current, static_cast<int>(TotalCycles - Current.first));
  return ProcessorRead(address);
}

bool OamDmaBlocksWrite(int address) {
  OamDmaSync();
  address &= 0xFFFF;
  if (!Moving(Current)) return false;
  if (address >= 0xFE00 && address < 0xFF00) return true;
  return BusOf(address) >= 0 && BusOf(address) == BusOf(SourceAddress(Current.source, 0));
}

void ResetOamDma() {
  OamDmaActive = 0;
  OamDmaRegister = 0xFF;
  Current = Next = Copy{};
}

void SaveOamDmaState(StateWriter& out) {
  out.section("ODMA");
  out.u8(OamDmaRegister);
  out.flag(OamDmaActive);
  for (const Copy* copy : {&Current, &Next}) {
    out.u16(copy->source);
    out.i64(static_cast<int64_t>(copy->first));
    out.i32(copy->copied);
  }
}

void LoadOamDmaState(StateReader& in) {
  in.section("ODMA");
  OamDmaRegister = in.u8();
  OamDmaActive = in.flag();
  for (Copy* copy : {&Current, &Next}) {
    copy->source = static_cast<uint16_t>(in.u16() & 0xFF00);
    copy->first = static_cast<uint64_t>(in.i64());
    copy->copied = in.number(0, OamSize);
  }
  // The processor stops looking only once both copies are done.
  in.require(OamDmaActive || (Next.first == Never && Current.copied == OamSize));
}

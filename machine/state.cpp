#include "machine/state.h"

#include <algorithm>
#include <cstring>

#include "cpu/registers.h"
#include "memory/bank_controllers.h"
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "memory/little_endian.h"
#include "machine/clock.h"
#include "memory/mbc3_clock.h"
#include "memory/oam_dma.h"
#include "memory/serial.h"
#include "memory/timer.h"
#include "memory/vram_dma.h"
#include "sound/sound_system.h"
#include "video/lcd_timing.h"
#include "video/renderer.h"

namespace {

// The parts in their order, the same list for saving and loading. The clock
// comes before the bank controller, which shows a clock register through
// its RAM window; the register page before the memories, whose bank windows
// it selects.
template <class State>
void WalkParts(Console& m, State& s) {
  WalkCpuState(m, s);
  WalkIoState(m, s);
  WalkMemoryState(m, s);
  WalkOamDmaState(m, s);
  WalkMbc3ClockState(m, s);
  WalkBankControllerState(m, s);
  WalkTimerState(m, s);
  WalkSerialState(m, s);
  WalkVramDmaState(m, s);
  WalkLcdState(m, s);
  WalkPaletteState(m, s);
  WalkRendererState(m, s);
  m.sound.walk(s, MachineClock(m));
}

bool ReadParts(Console& m, const uint8_t* data, size_t size) {
  StateReader in(data, size);
  WalkParts(m, in);
  return in.ok() && in.at_end();
}

}  // namespace

void StateWriter::number(uint64_t value, int size) {
  if (fields_) fields_->push_back(Field{out_.size(), size});
  uint8_t bytes[8];
  PutLe(bytes, value, size);
  out_.insert(out_.end(), bytes, bytes + size);
}

void StateWriter::bytes(const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  out_.insert(out_.end(), p, p + size);
}

void StateWriter::u16s(const uint16_t* values, size_t count) {
  const size_t at = out_.size();
  out_.resize(at + 2 * count);
  uint8_t* p = out_.data() + at;
  for (size_t i = 0; i < count; i++) PutLe(p + 2 * i, values[i], 2);
}

bool StateReader::take(size_t size) {
  if (ok_ && static_cast<size_t>(end_ - at_) >= size) return true;
  ok_ = false;
  return false;
}

uint8_t StateReader::u8() { return take(1) ? *at_++ : 0; }

uint64_t StateReader::number_of(int size) {
  if (!take(static_cast<size_t>(size))) return 0;
  const uint64_t value = GetLe(at_, size);
  at_ += size;
  return value;
}

bool StateReader::flag() {
  const uint8_t value = u8();
  if (value > 1) ok_ = false;
  return value == 1;
}

int32_t StateReader::number(int32_t low, int32_t high) {
  const int32_t value = i32();
  if (ok_ && value >= low && value <= high) return value;
  ok_ = false;
  return low;
}

void StateReader::bytes(void* out, size_t size) {
  if (take(size)) {
    std::memcpy(out, at_, size);
    at_ += size;
  } else {
    std::memset(out, 0, size);
  }
}

void StateReader::u16s(uint16_t* out, size_t count) {
  if (!take(2 * count)) {
    std::fill(out, out + count, 0);
    return;
  }
  for (size_t i = 0; i < count; i++) out[i] = static_cast<uint16_t>(GetLe(at_ + 2 * i, 2));
  at_ += 2 * count;
}

void StateReader::section(const char (&mark)[5]) {
  if (!take(4) || std::memcmp(at_, mark, 4) != 0) {
    ok_ = false;
    return;
  }
  at_ += 4;
}

void SaveMachineState(Console& m, std::vector<uint8_t>& out, std::vector<StateWriter::Field>* fields) {
  SettleUnits(m);
  out.clear();
  StateWriter writer(out);
  writer.list_fields(fields);
  WalkParts(m, writer);
}

// The machine as it was before the load is kept, to put back should the
// load be refused half-way.
bool LoadMachineState(Console& m, const uint8_t* data, size_t size) {
  std::vector<uint8_t> before;
  SaveMachineState(m, before);
  const bool loaded = ReadParts(m, data, size);
  // The machine's own state always reads back.
  if (!loaded) ReadParts(m, before.data(), before.size());
  else m.mbc.ram_written = 1;
  ScheduleEvents(m);
  return loaded;
}

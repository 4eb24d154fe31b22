#include "memory/serial.h"

#include "machine/clock.h"
#include "machine/state.h"
#include "memory/timer.h"

namespace {

constexpr uint8_t ScWritable = 0x83;  // bits 1-6 read as 1 (bit 1 as written)
constexpr uint8_t ScUnused = 0x7C;

}  // namespace

void ResetSerial(Console& m) {
  m.serial.SB = 0;
  m.serial.SC = 0;
  m.serial.ends_at = NoEvent;
}

template <class State>
void WalkSerialState(Console& m, State& s) {
  s.section("SER ");
  s.u8(m.serial.SB);
  s.u8(m.serial.SC);
  s.i64(m.serial.ends_at);
  if constexpr (State::Loading) m.serial.SC &= ScWritable;
}

template void WalkSerialState(Console& m, StateWriter& s);
template void WalkSerialState(Console& m, StateReader& s);

uint8_t SerialRead(Console& m, int address) {
  return address == 0xFF01 ? m.serial.SB : static_cast<uint8_t>(m.serial.SC | ScUnused);
}

// Writing SC with bits 7 and 0 set starts a transfer on the internal clock,
// restarting one that is under way; the byte in SB is what goes out. With
// bit 0 clear the other side would drive the clock, and with nothing
// connected that transfer never ends. Clearing bit 7 abandons a transfer.
void SerialWrite(Console& m, int address, uint8_t value) {
  if (address == 0xFF01) {
    m.serial.SB = value;
    return;
  }
  m.serial.SC = value & ScWritable;
  if ((m.serial.SC & SerialStart) && (m.serial.SC & SerialInternal)) {
    const uint64_t period = (uint64_t{2} << SerialBitCounterBit) / CounterClocksPerCycle;
    const uint64_t since = m.clock.cycles - m.timer.counter_origin;
    m.serial.ends_at = m.timer.counter_origin + (since / period + SerialBits) * period;
    if (m.serial.listening) m.serial.sent.push_back(m.serial.SB);
  } else {
    m.serial.ends_at = NoEvent;
  }
}

void FinishSerialTransfer(Console& m) {
  m.serial.ends_at = NoEvent;
  m.serial.SB = 0xFF;
  m.serial.SC &= static_cast<uint8_t>(~SerialStart);
  m.io.IF |= SerialRequest;
}


#include "memory/serial.h"

#include "memory/io_registers.h"
#include "memory/machine_state.h"
#include "memory/timer.h"

uint8_t SB = 0, SC = 0;
uint64_t SerialEndsAt = NoEvent;
bool SerialListening = false;
std::vector<uint8_t> SerialSent;

namespace {

constexpr uint8_t ScWritable = 0x83;  // bits 1-6 read as 1 (bit 1 as written)
constexpr uint8_t ScUnused = 0x7C;

}  // namespace

void ResetSerial() {
  SB = 0;
  SC = 0;
  SerialEndsAt = NoEvent;
}

void SaveSerialState(StateWriter& out) {
  out.section("SER ");
  out.u8(SB);
  out.u8(SC);
  out.i64(static_cast<int64_t>(SerialEndsAt));
}

void LoadSerialState(StateReader& in) {
  in.section("SER ");
  SB = in.u8();
  SC = in.u8() & ScWritable;
  SerialEndsAt = static_cast<uint64_t>(in.i64());
}

uint8_t SerialRead(int address) {
  return address == 0xFF01 ? SB : static_cast<uint8_t>(SC | ScUnused);
}

// Writing SC with bits 7 and 0 set starts a transfer on the internal clock,
// restarting one that is under way; the byte in SB is what goes out. With
// bit 0 clear the other side would drive the clock, and with nothing
// connected that transfer never ends. Clearing bit 7 abandons a transfer.
void SerialWrite(int address, uint8_t value) {
  if (address == 0xFF01) {
    SB = value;
    return;
  }
  SC = value & ScWritable;
  if ((SC & SerialStart) && (SC & SerialInternal)) {
    const uint64_t period = (uint64_t{2} << SerialBitCounterBit) / CounterClocksPerCycle;
    const uint64_t since = TotalCycles - CounterOrigin;
    SerialEndsAt = CounterOrigin + (since / period + SerialBits) * period;
    if (SerialListening) SerialSent.push_back(SB);
  } else {
    SerialEndsAt = NoEvent;
  }
}

void FinishSerialTransfer() {
  SerialEndsAt = NoEvent;
  SB = 0xFF;
  SC &= static_cast<uint8_t>(~SerialStart);
  IF |= SerialRequest;
}


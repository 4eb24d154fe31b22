// The serial port (link cable) with nothing connected to it.
#pragma once
#include <cstdint>
#include <vector>

// A byte takes 8 bits at 8192 bits per second on the internal clock: 4096
// clocks, 1024 machine cycles.
constexpr int SerialByteCycles = 1024;
constexpr uint8_t SerialStart = 0x80;     // SC bit 7: a transfer is in progress
constexpr uint8_t SerialInternal = 0x01;  // SC bit 0: this side drives the clock
constexpr uint8_t SerialRequest = 0x08;   // IF bit 3

extern uint8_t SB;         // the byte to send, and after a transfer the byte received
extern uint8_t SC;         // control, as written (bits 7, 1 and 0)
extern int SerialCycles;   // machine cycles until the transfer in progress ends; 0 while none counts

// The bytes the cartridge has sent, each as its transfer starts on the
// internal clock, while the front end listens (SerialListening); the front
// end takes them between frames and clears the list.
extern bool SerialListening;
extern std::vector<uint8_t> SerialSent;

// No transfer, both registers cleared. The listening stays: it belongs to
// the run.
void ResetSerial();

// The port's part of a machine state. Loading it sets which of the slow
// counters run (the register page, with TAC, comes first).
class StateWriter;
class StateReader;
void SaveSerialState(StateWriter& out);
void LoadSerialState(StateReader& in);

uint8_t SerialRead(int address);              // 0xFF01 or 0xFF02
void SerialWrite(int address, uint8_t value);  // 0xFF01 or 0xFF02

// The end of a transfer with no partner: eight 1 bits came in.
void FinishSerialTransfer();

// Counts an instruction's cycles off a transfer in progress. TimerAdvance
// calls it only while a transfer or the timer counts (SlowCountersOn).
inline void SerialAdvance(int cycles) {
  if (SerialCycles) {
    SerialCycles -= cycles;
    if (SerialCycles <= 0) FinishSerialTransfer();
  }
}

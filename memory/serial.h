// The serial port (link cable) with nothing connected to it.
#pragma once
#include <cstdint>
#include <vector>

#include "cpu/registers.h"

// On the internal clock a bit goes out on each falling edge of the system
// counter's bit 8 (every 512 clocks, 128 machine cycles at normal speed):
// a byte ends with the eighth such edge after the start, so its transfer
// lasts 1024 machine cycles less the part of a bit's time already gone.
constexpr int SerialBitCounterBit = 8;
constexpr int SerialBits = 8;
constexpr uint8_t SerialStart = 0x80;     // SC bit 7: a transfer is in progress
constexpr uint8_t SerialInternal = 0x01;  // SC bit 0: this side drives the clock
constexpr uint8_t SerialRequest = 0x08;   // IF bit 3

extern uint8_t SB;         // the byte to send, and after a transfer the byte received
extern uint8_t SC;         // control, as written (bits 7, 1 and 0)
// The machine cycle at which the transfer in progress ends; NoEvent while
// none counts.
extern uint64_t SerialEndsAt;

// The bytes the cartridge has sent, each as its transfer starts on the
// internal clock, while the front end listens (SerialListening); the front
// end takes them between frames and clears the list.
extern bool SerialListening;
extern std::vector<uint8_t> SerialSent;

// No transfer, both registers cleared. The listening stays: it belongs to
// the run.
void ResetSerial();

// The port's part of a machine state.
class StateWriter;
class StateReader;
void SaveSerialState(StateWriter& out);
void LoadSerialState(StateReader& in);

uint8_t SerialRead(int address);              // 0xFF01 or 0xFF02
void SerialWrite(int address, uint8_t value);  // 0xFF01 or 0xFF02

// Ends the transfer when its time has come: with no partner, eight 1 bits
// came in.
void FinishSerialTransfer();
inline void SerialSync() {
  if (TotalCycles >= SerialEndsAt) FinishSerialTransfer();
}

// The serial port (link cable) with nothing connected to it.
#pragma once
#include <cstdint>
#include <vector>

#include "memory/timer.h"

// On the internal clock a bit goes out on each falling edge of the system
// counter's bit 8 (every 512 clocks, 128 machine cycles at normal speed):
// a byte ends with the eighth such edge after the start, so its transfer
// lasts 1024 machine cycles less the part of a bit's time already gone.
constexpr int SerialBitCounterBit = 8;
constexpr int SerialBits = 8;
constexpr uint8_t SerialStart = 0x80;     // SC bit 7: a transfer is in progress
constexpr uint8_t SerialInternal = 0x01;  // SC bit 0: this side drives the clock
constexpr uint8_t SerialRequest = 0x08;   // IF bit 3

struct Serial {
  uint8_t SB = 0;  // the byte to send, and after a transfer the byte received
  uint8_t SC = 0;  // control, as written (bits 7, 1 and 0)
  // The machine cycle at which the transfer in progress ends; NoEvent while
  // none counts.
  uint64_t ends_at = NoEvent;
  // The bytes the cartridge has sent, each as its transfer starts on the
  // internal clock, while the front end listens; the front end takes them
  // between frames. Not part of a machine state: they belong to the run.
  bool listening = false;
  std::vector<uint8_t> sent;
};

// No transfer, both registers cleared. The listening stays: it belongs to
// the run.
void ResetSerial(Console& m);

// The port's part of a machine state.
template <class State>
void WalkSerialState(Console& m, State& s);

uint8_t SerialRead(Console& m, int address);              // 0xFF01 or 0xFF02
void SerialWrite(Console& m, int address, uint8_t value);  // 0xFF01 or 0xFF02

// Ends the transfer when its time has come (SerialSync, machine/clock.h):
// with no partner, eight 1 bits came in.
void FinishSerialTransfer(Console& m);

// The real-time clock of MBC3 cartridges: seconds, minutes, hours and a
// 9-bit day counter with halt and day-carry flags.
//
// The clock runs in real time, also while the program is closed (through the
// save file). It is never counted per instruction: the running registers are
// kept as of a moment of the host's clock and carried forward to the host's
// present only when a game latches or writes them, or a save is made.
#pragma once
#include <cstdint>

struct Console;
class StateWriter;
class StateReader;

struct Mbc3ClockRegisters {
  uint8_t seconds, minutes, hours;  // 0-59, 0-59, 0-23
  uint8_t day_low;                  // low 8 bits of the day counter
  uint8_t day_high;                 // bit 0 day counter bit 8, bit 6 halt, bit 7 day carry
};

constexpr int ClockSecondsRegister = 0x08;  // the RAM bank numbers that select
constexpr int ClockDayHighRegister = 0x0C;  // the clock registers, 0x08-0x0C
constexpr uint8_t ClockDayBit8 = 0x01, ClockHalt = 0x40, ClockDayCarry = 0x80;

// The save file's trailer: five 32-bit values of the running clock, five of
// the latched copy, then the Unix time of the save in 64 bits (44 bytes:
// in 32 bits, as some programs write it).
constexpr int Mbc3ClockSaveBytes = 48;
constexpr int Mbc3ClockShortSaveBytes = 44;

// The host's clock in milliseconds since the Unix epoch, which the front
// end hands in (Machine::SetHostClock); tests put a clock of their own
// here to let time pass without waiting. Without one the clock stands
// still.
using HostClock = int64_t (*)();

struct Mbc3Clock {
  Mbc3ClockRegisters running = {};  // as of stamp
  Mbc3ClockRegisters latched = {};  // what the game reads
  int64_t stamp = 0;                // host milliseconds since the Unix epoch
  int millis = 0;                   // milliseconds into the running second at that moment
  HostClock host_millis = nullptr;  // not part of a state: the host's
};


// All registers zero, running from now.
void StartMbc3Clock(Console& m);

// Carries the running registers forward to the host's present (unless halted).
void UpdateMbc3Clock(Console& m);

// Copies the running clock, brought up to date, into the latched registers.
void LatchMbc3Clock(Console& m);

// The latched value of register 0x08-0x0C, unused bits 0.
uint8_t Mbc3ClockRead(Console& m, int reg);

// Sets running register 0x08-0x0C. Writing the seconds starts the second
// afresh; setting the halt bit stops the clock where it is.
void Mbc3ClockWrite(Console& m, int reg, uint8_t value);

// The clock's part of a machine state: the running registers and the host
// time they stand at, and the latched registers. Loading lets the running
// clock go on by the host time since then, as a battery save's trailer
// does, so that the game's clock keeps to the real time however old the
// state; the latched registers come back as they were.
template <class State>
void WalkMbc3ClockState(Console& m, State& s);

// The save trailer (Mbc3ClockSaveBytes) for the present moment.
void SaveMbc3Clock(Console& m, uint8_t* out);

// Takes a trailer of Mbc3ClockSaveBytes or Mbc3ClockShortSaveBytes and lets
// the clock run on for the time since it was saved. False for other sizes.
bool LoadMbc3Clock(Console& m, const uint8_t* data, long size);

// The system counter, the divider and the programmable timer, as the
// console builds them: a 16-bit counter of clocks (four per machine cycle)
// runs all the time; DIV is its upper byte; TIMA counts the falling edges
// of the counter bit TAC selects, gated by TAC's enable bit.
//
// Nothing here runs per cycle. The counter follows from the machine's
// cycle count (TotalCycles) and the moment it was last cleared; TIMA is
// brought up to date when it is touched (TimerSync) and, while it counts,
// the moment of its next overflow is an event of the machine's clock.
#pragma once
#include <cstdint>

#include "cpu/registers.h"

constexpr uint8_t TimerOn = 0x04;       // TAC bit 2
constexpr uint8_t TimerRequest = 0x04;  // IF bit 2
constexpr int CounterClocksPerCycle = 4;

// The machine cycle at which the system counter last stood at 0 (a DIV
// write clears it): the counter is 4 x (TotalCycles - CounterOrigin),
// modulo 2^16.
extern uint64_t CounterOrigin;

// The counter's value at the machine's present cycle.
inline uint16_t SystemCounter() {
  return static_cast<uint16_t>(CounterClocksPerCycle * (TotalCycles - CounterOrigin));
}

// The counter bit whose falling edge counts TIMA, by TAC bits 1-0.
constexpr int TimerBits[4] = {9, 3, 5, 7};

constexpr uint64_t NoEvent = UINT64_MAX;

// TIMA stands as of this cycle.
extern uint64_t TimerSyncedAt;
// When the timer next changes IF (a reload after an overflow), or NoEvent
// when it cannot; kept up to date with the timer's state.
extern uint64_t TimerEventAt;

// Brings TIMA, the overflow's reload and IF up to the present cycle.
void TimerCatchUp();
inline void TimerSync() {
  if (TimerSyncedAt != TotalCycles) TimerCatchUp();
}

// The registers as the processor reads and writes them, each at the
// present cycle (the timer synced first).
uint8_t ReadDiv();
uint8_t ReadTima();
void WriteDiv();  // any value clears the counter
void WriteTima(uint8_t value);
void WriteTma(uint8_t value);
void WriteTac(uint8_t value);

// The counter at 0 now, TIMA, TMA and TAC cleared.
void ResetTimer();

// The counter stood still at 0 from the last sync until now (a speed
// switch holds it): it starts again from 0, nothing counted meanwhile.
void RestartCounter();

// The timer's part of a machine state.
class StateWriter;
class StateReader;
void SaveTimerState(StateWriter& out);
void LoadTimerState(StateReader& in);

// The system counter, the divider and the programmable timer, as the
// console builds them: a 16-bit counter of clocks (four per machine cycle)
// runs all the time; DIV is its upper byte; TIMA counts the falling edges
// of the counter bit TAC selects, gated by TAC's enable bit.
//
// Nothing here runs per cycle. The counter follows from the machine's
// cycle count and the moment it was last cleared; TIMA is brought up to
// date when it is touched (TimerSync, machine/clock.h) and, while it
// counts, the moment of its next overflow is an event of the machine's
// clock.
#pragma once
#include <cstdint>

struct Console;
class StateWriter;
class StateReader;

constexpr uint8_t TimerOn = 0x04;       // TAC bit 2
constexpr uint8_t TimerRequest = 0x04;  // IF bit 2
constexpr int CounterClocksPerCycle = 4;

// The counter bit whose falling edge counts TIMA, by TAC bits 1-0.
constexpr int TimerBits[4] = {9, 3, 5, 7};

constexpr uint64_t NoEvent = UINT64_MAX;

struct Timer {
  uint8_t TIMA = 0, TMA = 0, TAC = 0;
  // The machine cycle at which the system counter last stood at 0 (a DIV
  // write clears it): the counter is 4 x (cycles - counter_origin), modulo
  // 2^16.
  uint64_t counter_origin = 0;
  uint64_t synced_at = 0;  // TIMA stands as of this cycle
  // When the timer next changes IF (a reload after an overflow), or NoEvent
  // when it cannot; kept up to date with the timer's state.
  uint64_t event_at = NoEvent;
  uint64_t overflow_at = NoEvent;  // TIMA went from 0xFF to 0 here; the reload comes a cycle later
  uint64_t reloaded_at = NoEvent;  // the cycle of the latest reload from TMA
};

// Brings TIMA, the overflow's reload and IF up to the present cycle (see
// TimerSync).
void TimerCatchUp(Console& m);

// The registers as the processor reads and writes them, each at the
// present cycle (the timer synced first).
uint8_t ReadDiv(Console& m);
uint8_t ReadTima(Console& m);
void WriteDiv(Console& m);  // any value clears the counter
void WriteTima(Console& m, uint8_t value);
void WriteTma(Console& m, uint8_t value);
void WriteTac(Console& m, uint8_t value);

// The counter at 0 now, TIMA, TMA and TAC cleared.
void ResetTimer(Console& m);

// The counter stood still at 0 from the last sync until now (a speed
// switch holds it): it starts again from 0, nothing counted meanwhile.
void RestartCounter(Console& m);

// The timer's part of a machine state.
template <class State>
void WalkTimerState(Console& m, State& s);

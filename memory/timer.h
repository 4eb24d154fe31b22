// The divider, the programmable timer and the per-instruction hardware step.
#pragma once

#include "memory/io_registers.h"
#include "memory/serial.h"
#include "video/lcd_timing.h"

constexpr int DivPeriod = 64;       // machine cycles per divider step
constexpr uint8_t TimerOn = 0x04;   // TAC bit 2
constexpr uint8_t TimerRequest = 0x04;  // IF bit 2

extern int DivCounter;    // machine cycles until the next divider step
extern int TimerCounter;  // machine cycles until the next TIMA step
extern const int TimerPeriods[4];

// Which of the counters that run only sometimes are counting: the
// programmable timer (TAC bit 2) and a serial transfer. Both are off most of
// the time, so TimerAdvance tests this one byte for the two. It follows TAC
// and SerialCycles: call UpdateSlowCounters() whenever either changes.
constexpr uint8_t TimerCounting = 0x01;
constexpr uint8_t SerialCounting = 0x02;
extern uint8_t SlowCountersOn;
void UpdateSlowCounters();

// The timer and a serial transfer together, away from the common path: a
// transfer in progress is rare.
void AdvanceSlowCounters(int cycles);

// Counts TIMA up once per period that has run out, reloading it from TMA
// and requesting the timer interrupt when it overflows.
void TimerSteps();

// Both counters back to a full period.
void ResetTimer();

// The divider's and the timer's counts in a machine state.
class StateWriter;
class StateReader;
void SaveTimerState(StateWriter& out);
void LoadTimerState(StateReader& in);

// Moves the divider, the timer and a serial transfer on by one instruction's
// cost, before the instruction runs. The divider counts down here, one step
// every 64 machine cycles and at most one per call; games only use it as a
// source of noise and timing, and its direction does not matter to them.
inline void TimerAdvance(int cycles) {
  DivCounter -= cycles;
  if (DivCounter <= 0) {
    DivCounter += DivPeriod;
    DIV--;
  }
  if (const uint8_t on = SlowCountersOn) {
    if (on == TimerCounting) {
      TimerCounter -= cycles;
      if (TimerCounter <= 0) TimerSteps();
    } else {
      AdvanceSlowCounters(cycles);
    }
  }
}

// Runs after every instruction: the LCD counters, and through them the frame.
inline void HardwareStep() { AdvanceLcd(); }

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

// Counts TIMA up once per period that has run out, reloading it from TMA
// and requesting the timer interrupt when it overflows.
void TimerSteps();

// Both counters back to a full period.
void ResetTimer();

// Moves the divider, the timer and a serial transfer on by one instruction's
// cost, before the instruction runs. The divider counts down here, one step every 64 machine
// cycles and at most one per call; games only use it as a source of noise
// and timing, and its direction does not matter to them.
inline void TimerAdvance(int cycles) {
  DivCounter -= cycles;
  if (DivCounter <= 0) {
    DivCounter += DivPeriod;
    DIV--;
  }
  if (TAC & TimerOn) {
    TimerCounter -= cycles;
    if (TimerCounter <= 0) TimerSteps();
  }
  SerialAdvance(cycles);
}

// Runs after every instruction: the LCD counters, and through them the frame.
inline void HardwareStep() { AdvanceLcd(); }

#include "memory/timer.h"

#include "memory/io_registers.h"
#include "video/lcd_timing.h"

int DivCounter = DivPeriod;
int TimerCounter = 256;
const int TimerPeriods[4] = {256, 4, 16, 64};

// Moves the divider and the timer on by one instruction's cost. The divider
// counts down here, one step every 64 machine cycles; games only use it as a
// source of noise and timing, and its direction does not matter to them.
void TimerAdvance(int cycles) {
  const bool timer_on = TAC & 0x04;
  DivCounter -= cycles;
  if (timer_on) TimerCounter -= cycles;
  if (DivCounter <= 0) {
    DivCounter += DivPeriod;
    DIV--;
  }
  if (!timer_on) return;
  while (TimerCounter <= 0) {
    TimerCounter += TimerPeriods[TAC & 3];
    if (TIMA == 0xFF) {
      TIMA = TMA;
      IF |= 0x04;
    } else {
      TIMA++;
    }
  }
}

void HardwareStep() { AdvanceLcd(); }

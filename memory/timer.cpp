#include "memory/timer.h"

#include "memory/machine_state.h"

int DivCounter = DivPeriod;
int TimerCounter = 256;
const int TimerPeriods[4] = {256, 4, 16, 64};
uint8_t SlowCountersOn = 0;

void UpdateSlowCounters() {
  SlowCountersOn = static_cast<uint8_t>(((TAC & TimerOn) ? TimerCounting : 0) | (SerialCycles ? SerialCounting : 0));
}

void AdvanceSlowCounters(int cycles) {
  if (TAC & TimerOn) {
    TimerCounter -= cycles;
    if (TimerCounter <= 0) TimerSteps();
  }
  SerialAdvance(cycles);
}

void TimerSteps() {
  while (TimerCounter <= 0) {
    TimerCounter += TimerPeriods[TAC & 3];
    if (TIMA == 0xFF) {
      TIMA = TMA;
      IF |= TimerRequest;
    } else {
      TIMA++;
    }
  }
}

void SaveTimerState(StateWriter& out) {
  out.section("TIMR");
  out.i32(DivCounter);
  out.i32(TimerCounter);
}

// Between steps both counts stand within one period of their next step;
// the ranges leave room on both sides.
void LoadTimerState(StateReader& in) {
  in.section("TIMR");
  DivCounter = in.number(-DivPeriod, DivPeriod);
  TimerCounter = in.number(-TimerPeriods[0], TimerPeriods[0]);
}

void ResetTimer() {
  DivCounter = DivPeriod;
  TimerCounter = TimerPeriods[0];
  UpdateSlowCounters();
}

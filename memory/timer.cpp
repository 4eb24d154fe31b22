#include "memory/timer.h"

int DivCounter = DivPeriod;
int TimerCounter = 256;
const int TimerPeriods[4] = {256, 4, 16, 64};

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

void ResetTimer() {
  DivCounter = DivPeriod;
  TimerCounter = TimerPeriods[0];
}

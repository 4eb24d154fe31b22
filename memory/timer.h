// The divider, the programmable timer and the per-instruction hardware step.
#pragma once

constexpr int DivPeriod = 64;  // machine cycles per divider step

extern int DivCounter;    // machine cycles until the next divider step
extern int TimerCounter;  // machine cycles until the next TIMA step
extern const int TimerPeriods[4];

void TimerAdvance(int cycles);
void HardwareStep();

// The machine's time. The processor counts it, one machine cycle per
// memory access or idle cycle (TotalCycles); the units beside it (the LCD,
// the timer, the serial port, OAM DMA) are not ticked with it but brought
// up to the present cycle when they are touched, and at the moments they
// have something to do on their own (an event: a line's end, a timer
// overflow, a transfer's end), which the processor's step looks for once
// per instruction.
#pragma once
#include <algorithm>
#include <cstdint>

#include "cpu/registers.h"
#include "memory/oam_dma.h"
#include "memory/serial.h"
#include "memory/timer.h"
#include "video/lcd_timing.h"

// The earliest cycle at which a unit has an event; the step runs RunEvents
// once TotalCycles reaches it.
extern uint64_t NextEventAt;

// Works out NextEventAt again after a unit's schedule changed.
inline void ScheduleEvents() {
  NextEventAt = std::min({LcdNextEventAt, TimerEventAt, SerialEndsAt});
}

// Brings every unit up to the present cycle, doing what is due, and works
// out NextEventAt again. Register accesses call it first, so that they see
// the machine as of their own cycle.
inline void SyncUnits() {
  TimerSync();
  SerialSync();
  OamDmaSync();
  LcdSync();
  ScheduleEvents();
}

// Brings the counters the units keep lazily up to the present cycle when
// no event is due: nothing the machine does changes, but a state taken now
// holds the same bytes however often the units happened to be looked at.
inline void SettleUnits() {
  if (TotalCycles >= NextEventAt) return;
  TimerSync();
  OamDmaSync();
  LcdSync();
}

// STOP with KEY1 prepared: the other speed. Every unit is brought up to the
// switch; the processor then waits while the switch settles
// (SpeedSwitchClocks), the system counter held at 0 meanwhile.
constexpr int SpeedSwitchClocks = 8200;
void SwitchSpeed();
// STOP without a switch: the processor stops, the system counter cleared
// and held, until a button is pressed (WakeFromStop).
void EnterStopMode();

// The units whose events have come, brought up to the present cycle; the
// others change nothing that another unit or IF shows before their own
// events, and are brought up when touched.
void RunEvents();

// The cycle at which RunEvents last ran.
extern uint64_t EventsRunAt;

// After an instruction: the events due by now.
inline void RunDueEvents() {
  if (TotalCycles >= NextEventAt) RunEvents();
}

// What runs beside the processor after a step: the events due.
inline void HardwareStep() { RunDueEvents(); }

// The machine's time. The processor counts it, one machine cycle per
// memory access or idle cycle (TotalCycles); the units beside it (the LCD,
// the timer, the serial port, OAM DMA) are not ticked with it but brought
// up to the present cycle when they are touched, and at the moments they
// have something to do on their own (an event: a line's end, a timer
// overflow, a transfer's end), which the processor's step looks for once
// per instruction.
#pragma once
#include <cstdint>

#include "cpu/registers.h"

// The earliest cycle at which a unit has an event; the step runs RunEvents
// once TotalCycles reaches it.
extern uint64_t NextEventAt;

// Brings every unit up to the present cycle, doing what is due, and works
// out NextEventAt again. Register accesses call it first, so that they see
// the machine as of their own cycle.
void SyncUnits();

// Works out NextEventAt again after a unit's schedule changed.
void ScheduleEvents();

// After an instruction: the events due by now.
inline void RunDueEvents() {
  if (TotalCycles >= NextEventAt) SyncUnits();
}

// What runs beside the processor after a step: the events due.
inline void HardwareStep() { RunDueEvents(); }

#include "memory/machine_clock.h"

#include <algorithm>

#include "memory/oam_dma.h"
#include "memory/serial.h"
#include "memory/timer.h"
#include "video/lcd_timing.h"

uint64_t NextEventAt = 0;

void ScheduleEvents() {
  NextEventAt = std::min({LcdNextEvent(), TimerNextEvent(), SerialNextEvent()});
}

void SyncUnits() {
  TimerSync();
  SerialSync();
  OamDmaSync();
  LcdSync();
  ScheduleEvents();
}

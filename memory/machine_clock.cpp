#include "memory/machine_clock.h"

#include "memory/io_registers.h"
#include "sound/sound_system.h"

uint64_t NextEventAt = 0;
uint64_t EventsRunAt = 0;

// OAM DMA has no events of its own, but the LCD plans its lines from OAM.
void RunEvents() {
  EventsRunAt = TotalCycles;
  if (TotalCycles >= TimerEventAt) TimerSync();
  SerialSync();
  if (TotalCycles >= LcdNextEventAt) {
    OamDmaSync();
    LcdSync();
  }
  ScheduleEvents();
}

void SwitchSpeed() {
  SyncUnits();
  Sound.counter_cleared(SystemCounter());  // its bit falling steps the sequencer now
  WriteDiv();
  DoubleSpeed ^= 1;
  KEY1 = 0;
  SetMachineSpeed(DoubleSpeed ? DoubleSpeedClockShift : NormalClockShift);
  LcdSpeedChanged();
  TotalCycles += static_cast<uint64_t>(SpeedSwitchClocks >> ClockShift);
  RestartCounter();
  Sound.counter_cleared(0);  // the sequencer's steps go on from the counter's restart
  SyncUnits();
}

void EnterStopMode() {
  SyncUnits();
  Sound.counter_cleared(SystemCounter());
  WriteDiv();
  Cpu.Stopped = 1;
  StopLcd();
  ScheduleEvents();
}

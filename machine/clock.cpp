#include "machine/clock.h"

void SetMachineSpeed(Console& m, int clock_shift) {
  m.clock.clock_at_speed_set = MachineClock(m);
  m.clock.cycle_at_speed_set = m.clock.cycles;
  m.clock.shift = clock_shift;
}

// OAM DMA has no events of its own, but the LCD plans its lines from OAM.
void RunEvents(Console& m) {
  m.clock.events_run_at = m.clock.cycles;
  if (m.clock.cycles >= m.timer.event_at) TimerSync(m);
  SerialSync(m);
  if (m.clock.cycles >= m.lcd.next_event_at) {
    OamDmaSync(m);
    LcdSync(m);
  }
  ScheduleEvents(m);
}

void SwitchSpeed(Console& m) {
  SyncUnits(m);
  SoundCounterCleared(m, SystemCounter(m));  // its bit falling steps the sequencer now
  WriteDiv(m);
  m.io.double_speed ^= 1;
  m.io.KEY1 = 0;
  SetMachineSpeed(m, m.io.double_speed ? DoubleSpeedClockShift : NormalClockShift);
  LcdSpeedChanged(m);
  m.clock.cycles += static_cast<uint64_t>(SpeedSwitchClocks >> m.clock.shift);
  RestartCounter(m);
  SoundCounterCleared(m, 0);  // the sequencer's steps go on from the counter's restart
  SyncUnits(m);
}

void EnterStopMode(Console& m) {
  SyncUnits(m);
  SoundCounterCleared(m, SystemCounter(m));
  WriteDiv(m);
  m.cpu.Stopped = 1;
  StopLcd(m);
  ScheduleEvents(m);
}

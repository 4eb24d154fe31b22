// The machine's time and the units brought up to it. The processor counts
// the time, one machine cycle per memory access or idle cycle; the units
// beside it (the LCD, the timer, the serial port, OAM DMA) are not ticked
// with it but brought up to the present cycle when they are touched, and
// at the moments they have something to do on their own (an event: a
// line's end, a timer overflow, a transfer's end), which the processor's
// step looks for once per instruction. These run per access: they are
// inline, and each does nothing when its unit is up to date.
#pragma once
#include <algorithm>
#include <cstdint>

#include "machine/console.h"

inline int ClocksPerCycle(const Console& m) { return 1 << m.clock.shift; }
// The 4194304 Hz clock as of the present machine cycle.
inline uint64_t MachineClock(const Console& m) {
  return m.clock.clock_at_speed_set + ((m.clock.cycles - m.clock.cycle_at_speed_set) << m.clock.shift);
}
// From now on, 1 << `clock_shift` clocks a machine cycle.
void SetMachineSpeed(Console& m, int clock_shift);

// ---- The timer -----------------------------------------------------------

// The system counter's value at the machine's present cycle.
inline uint16_t SystemCounter(const Console& m) {
  return static_cast<uint16_t>(CounterClocksPerCycle * (m.clock.cycles - m.timer.counter_origin));
}
// Where the machine stands, as the sound system takes it.
inline SoundTime SoundNow(const Console& m) {
  return SoundTime{MachineClock(m), SystemCounter(m), m.clock.shift == DoubleSpeedClockShift};
}
// The system counter was cleared now, standing at `before`: the sound
// chip's frame sequencer, stepped by one of its bits, follows.
inline void SoundCounterCleared(Console& m, uint16_t before) {
  m.sound.counter_cleared(MachineClock(m), before, m.clock.shift == DoubleSpeedClockShift);
}
// Brings TIMA, the overflow's reload and IF up to the present cycle.
inline void TimerSync(Console& m) {
  if (m.timer.synced_at != m.clock.cycles) TimerCatchUp(m);
}

// ---- The serial port and OAM DMA -------------------------------------------

inline void SerialSync(Console& m) {
  if (m.clock.cycles >= m.serial.ends_at) FinishSerialTransfer(m);
}
// Copies the OAM DMA bytes due by the present cycle.
inline void OamDmaSync(Console& m) {
  if (m.oam_dma.active) OamDmaCatchUp(m);
}

// ---- The LCD ----------------------------------------------------------------

// The LCD keeps the time of the 4194304 Hz crystal, the machine's clock:
// one dot per tick, four a machine cycle at normal speed and two in double
// speed. These two are the only places where the LCD's time is derived
// from the processor's.
inline uint64_t LcdClock(const Console& m) { return MachineClock(m); }
// The first machine cycle by which the LCD's clock has reached `dot` (at
// the present speed; a dot before the speed was set is reached already).
inline uint64_t CycleAtDot(const Console& m, uint64_t dot) {
  if (dot <= m.clock.clock_at_speed_set) return m.clock.cycle_at_speed_set;
  return m.clock.cycle_at_speed_set + ((dot - m.clock.clock_at_speed_set + ClocksPerCycle(m) - 1) >> m.clock.shift);
}

// Brings the LCD's counters up to the present cycle and does the events due.
inline void LcdSync(Console& m) {
  Lcd& lcd = m.lcd;
  const uint64_t now = LcdClock(m);
  const int passed = static_cast<int>(now - lcd.synced_dot);
  if (!passed) return;
  lcd.synced_dot = now;
  lcd.frame_dots += passed;
  lcd.line_dots += passed;
  if (lcd.frame_dots >= lcd.event_at) AdvanceLcdEvents(m);
}

// Whether the processor finds OAM or video RAM (and the palette data) shut
// at the present cycle: OAM while the LCD searches it and draws (modes 2
// and 3 of a visible line; on the first line after switching on only while
// it draws), video RAM and the palette data while it draws.
inline bool OamLocked(Console& m) {
  LcdSync(m);
  const Lcd& lcd = m.lcd;
  return LcdIsOn(lcd) && lcd.line < VisibleLines && !lcd.line_composed &&
         (lcd.line_dots >= DrawingStart || !lcd.no_oam_search);
}
inline bool VramLocked(Console& m) {
  LcdSync(m);
  const Lcd& lcd = m.lcd;
  return LcdIsOn(lcd) && lcd.line < VisibleLines && !lcd.line_composed && lcd.line_dots >= DrawingStart;
}

// ---- Events -----------------------------------------------------------------

// Works out the next event's cycle again after a unit's schedule changed.
inline void ScheduleEvents(Console& m) {
  m.clock.next_event_at = std::min({m.lcd.next_event_at, m.timer.event_at, m.serial.ends_at});
}

// Brings every unit up to the present cycle, doing what is due, and works
// out the next event again. Register accesses call it first, so that they
// see the machine as of their own cycle.
inline void SyncUnits(Console& m) {
  TimerSync(m);
  SerialSync(m);
  OamDmaSync(m);
  LcdSync(m);
  ScheduleEvents(m);
}

// Brings the counters the units keep lazily up to the present cycle when
// no event is due: nothing the machine does changes, but a state taken now
// holds the same bytes however often the units happened to be looked at.
inline void SettleUnits(Console& m) {
  if (m.clock.cycles >= m.clock.next_event_at) return;
  TimerSync(m);
  OamDmaSync(m);
  LcdSync(m);
}

// STOP with KEY1 prepared: the other speed. Every unit is brought up to the
// switch; the processor then waits while the switch settles
// (SpeedSwitchClocks), the system counter held at 0 meanwhile.
constexpr int SpeedSwitchClocks = 8200;
void SwitchSpeed(Console& m);
// STOP without a switch: the processor stops, the system counter cleared
// and held, until a button is pressed (WakeFromStop).
void EnterStopMode(Console& m);

// The units whose events have come, brought up to the present cycle; the
// others change nothing that another unit or IF shows before their own
// events, and are brought up when touched.
void RunEvents(Console& m);

// After an instruction: the events due by now.
inline void RunDueEvents(Console& m) {
  if (m.clock.cycles >= m.clock.next_event_at) RunEvents(m);
}

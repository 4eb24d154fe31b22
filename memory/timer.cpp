#include "memory/timer.h"

#include "memory/io_registers.h"
#include "memory/machine_state.h"

uint64_t CounterOrigin = 0;
uint64_t TimerSyncedAt = 0;
uint64_t TimerEventAt = NoEvent;

namespace {

uint64_t& SyncedAt = TimerSyncedAt;
uint64_t OverflowAt = NoEvent;  // TIMA went from 0xFF to 0 here; the reload comes a cycle later
uint64_t ReloadedAt = NoEvent;  // the cycle of the latest reload from TMA

constexpr uint8_t TacBits = 0x07;
constexpr uint8_t TacUnused = 0xF8;  // read as 1s

// Cycles from one falling edge of the selected counter bit to the next.
uint64_t EdgePeriod() { return (uint64_t{2} << TimerBits[TAC & 3]) / CounterClocksPerCycle; }

// The timer's input: the selected bit of the counter, gated by the enable bit.
bool Signal() { return (TAC & TimerOn) && (SystemCounter() >> TimerBits[TAC & 3] & 1); }

// The cycle of the n-th falling edge after cycle `after`.
uint64_t EdgeAfter(uint64_t after, uint64_t n) {
  const uint64_t period = EdgePeriod();
  return CounterOrigin + ((after - CounterOrigin) / period + n) * period;
}

uint64_t NextEvent() {
  if (OverflowAt != NoEvent) return OverflowAt + 1;
  if (!(TAC & TimerOn)) return NoEvent;
  return EdgeAfter(SyncedAt, 0x100 - TIMA) + 1;
}

// One count now (a falling edge made by a register write).
void CountOnce() {
  if (TIMA == 0xFF) {
    TIMA = 0;
    OverflowAt = TotalCycles;
  } else {
    TIMA++;
  }
}

}  // namespace

void TimerCatchUp() {
  const uint64_t now = TotalCycles;
  while (SyncedAt < now) {
    if (OverflowAt != NoEvent) {
      const uint64_t reload = OverflowAt + 1;
      if (reload > now) break;
      TIMA = TMA;
      IF |= TimerRequest;
      ReloadedAt = reload;
      OverflowAt = NoEvent;
      SyncedAt = reload;
      continue;
    }
    if (!(TAC & TimerOn)) break;
    const uint64_t period = EdgePeriod();
    const uint64_t edges = (now - CounterOrigin) / period - (SyncedAt - CounterOrigin) / period;
    if (TIMA + edges <= 0xFF) {
      TIMA = static_cast<uint8_t>(TIMA + edges);
      break;
    }
    SyncedAt = EdgeAfter(SyncedAt, 0x100 - TIMA);
    TIMA = 0;
    OverflowAt = SyncedAt;
  }
  SyncedAt = now;
  TimerEventAt = NextEvent();
}

uint8_t ReadDiv() { return static_cast<uint8_t>(SystemCounter() >> 8); }

uint8_t ReadTima() {
  TimerSync();
  return TIMA;
}

// Clearing the counter makes the timer's input fall when it stood at 1.
void WriteDiv() {
  TimerSync();
  const bool was_high = Signal();
  CounterOrigin = TotalCycles;
  if (was_high) CountOnce();
  TimerEventAt = NextEvent();
}

// In the cycle TIMA reads 0 after an overflow, a write keeps its value and
// the reload never comes; in the reload's cycle the write is lost.
void WriteTima(uint8_t value) {
  TimerSync();
  if (ReloadedAt == TotalCycles) return;  // the reload wins
  OverflowAt = NoEvent;
  TIMA = value;
  TimerEventAt = NextEvent();
}

// TMA written in the reload's cycle goes into TIMA as well.
void WriteTma(uint8_t value) {
  TimerSync();
  TMA = value;
  if (ReloadedAt == TotalCycles) TIMA = value;
  TimerEventAt = NextEvent();
}

// A new rate or the enable bit cleared can make the input fall: one count.
void WriteTac(uint8_t value) {
  TimerSync();
  const bool was_high = Signal();
  TAC = static_cast<uint8_t>(value | TacUnused);
  if (was_high && !Signal()) CountOnce();
  TimerEventAt = NextEvent();
}

void RestartCounter() {
  CounterOrigin = SyncedAt = TotalCycles;
  TimerEventAt = NextEvent();
}

void ResetTimer() {
  CounterOrigin = SyncedAt = TotalCycles;
  OverflowAt = ReloadedAt = TimerEventAt = NoEvent;
  TIMA = TMA = 0;
  TAC = TacUnused;
}

void SaveTimerState(StateWriter& out) {
  out.section("TIMR");
  for (uint64_t moment : {CounterOrigin, SyncedAt, OverflowAt, ReloadedAt}) out.i64(static_cast<int64_t>(moment));
}

// Every moment lies at or before the machine's present cycle (an overflow
// pending stands at most a cycle back).
void LoadTimerState(StateReader& in) {
  in.section("TIMR");
  CounterOrigin = static_cast<uint64_t>(in.i64());
  SyncedAt = static_cast<uint64_t>(in.i64());
  OverflowAt = static_cast<uint64_t>(in.i64());
  ReloadedAt = static_cast<uint64_t>(in.i64());
  if (CounterOrigin > TotalCycles || SyncedAt > TotalCycles || SyncedAt < CounterOrigin) in.refuse();
  if (OverflowAt != NoEvent && OverflowAt > TotalCycles) in.refuse();
  TAC |= TacUnused;
  TimerEventAt = in.ok() ? NextEvent() : NoEvent;
}

#include "memory/timer.h"

#include "machine/clock.h"
#include "machine/state.h"

namespace {

constexpr uint8_t TacBits = 0x07;
constexpr uint8_t TacUnused = 0xF8;  // read as 1s

// Cycles from one falling edge of the selected counter bit to the next.
uint64_t EdgePeriod(Console& m) { return (uint64_t{2} << TimerBits[m.timer.TAC & 3]) / CounterClocksPerCycle; }

// The timer's input: the selected bit of the counter, gated by the enable bit.
bool Signal(Console& m) { return (m.timer.TAC & TimerOn) && (SystemCounter(m) >> TimerBits[m.timer.TAC & 3] & 1); }

// The cycle of the n-th falling edge after cycle `after`.
uint64_t EdgeAfter(Console& m, uint64_t after, uint64_t n) {
  const uint64_t period = EdgePeriod(m);
  return m.timer.counter_origin + ((after - m.timer.counter_origin) / period + n) * period;
}

uint64_t NextEvent(Console& m) {
  if (m.timer.overflow_at != NoEvent) return m.timer.overflow_at + 1;
  if (!(m.timer.TAC & TimerOn)) return NoEvent;
  return EdgeAfter(m, m.timer.synced_at, 0x100 - m.timer.TIMA) + 1;
}

// One count now (a falling edge made by a register write).
void CountOnce(Console& m) {
  if (m.timer.TIMA == 0xFF) {
    m.timer.TIMA = 0;
    m.timer.overflow_at = m.clock.cycles;
  } else {
    m.timer.TIMA++;
  }
}

}  // namespace

void TimerCatchUp(Console& m) {
  const uint64_t now = m.clock.cycles;
  while (m.timer.synced_at < now) {
    if (m.timer.overflow_at != NoEvent) {
      const uint64_t reload = m.timer.overflow_at + 1;
      if (reload > now) break;
      m.timer.TIMA = m.timer.TMA;
      m.io.IF |= TimerRequest;
      m.timer.reloaded_at = reload;
      m.timer.overflow_at = NoEvent;
      m.timer.synced_at = reload;
      continue;
    }
    if (!(m.timer.TAC & TimerOn)) break;
    const uint64_t period = EdgePeriod(m);
    const uint64_t edges = (now - m.timer.counter_origin) / period - (m.timer.synced_at - m.timer.counter_origin) / period;
    if (m.timer.TIMA + edges <= 0xFF) {
      m.timer.TIMA = static_cast<uint8_t>(m.timer.TIMA + edges);
      break;
    }
    m.timer.synced_at = EdgeAfter(m, m.timer.synced_at, 0x100 - m.timer.TIMA);
    m.timer.TIMA = 0;
    m.timer.overflow_at = m.timer.synced_at;
  }
  m.timer.synced_at = now;
  m.timer.event_at = NextEvent(m);
}

uint8_t ReadDiv(Console& m) { return static_cast<uint8_t>(SystemCounter(m) >> 8); }

uint8_t ReadTima(Console& m) {
  TimerSync(m);
  return m.timer.TIMA;
}

// Clearing the counter makes the timer's input fall when it stood at 1.
void WriteDiv(Console& m) {
  TimerSync(m);
  const bool was_high = Signal(m);
  m.timer.counter_origin = m.clock.cycles;
  if (was_high) CountOnce(m);
  m.timer.event_at = NextEvent(m);
}

// In the cycle TIMA reads 0 after an overflow, a write keeps its value and
// the reload never comes; in the reload's cycle the write is lost.
void WriteTima(Console& m, uint8_t value) {
  TimerSync(m);
  if (m.timer.reloaded_at == m.clock.cycles) return;  // the reload wins
  m.timer.overflow_at = NoEvent;
  m.timer.TIMA = value;
  m.timer.event_at = NextEvent(m);
}

// TMA written in the reload's cycle goes into TIMA as well.
void WriteTma(Console& m, uint8_t value) {
  TimerSync(m);
  m.timer.TMA = value;
  if (m.timer.reloaded_at == m.clock.cycles) m.timer.TIMA = value;
  m.timer.event_at = NextEvent(m);
}

// A new rate or the enable bit cleared can make the input fall: one count.
void WriteTac(Console& m, uint8_t value) {
  TimerSync(m);
  const bool was_high = Signal(m);
  m.timer.TAC = static_cast<uint8_t>(value | TacUnused);
  if (was_high && !Signal(m)) CountOnce(m);
  m.timer.event_at = NextEvent(m);
}

void RestartCounter(Console& m) {
  m.timer.counter_origin = m.timer.synced_at = m.clock.cycles;
  m.timer.event_at = NextEvent(m);
}

void ResetTimer(Console& m) {
  m.timer.counter_origin = m.timer.synced_at = m.clock.cycles;
  m.timer.overflow_at = m.timer.reloaded_at = m.timer.event_at = NoEvent;
  m.timer.TIMA = m.timer.TMA = 0;
  m.timer.TAC = TacUnused;
}

// Every moment lies at or before the machine's present cycle (an overflow
// pending stands at most a cycle back).
template <class State>
void WalkTimerState(Console& m, State& s) {
  Timer& t = m.timer;
  s.section("TIMR");
  for (uint64_t* moment : {&t.counter_origin, &t.synced_at, &t.overflow_at, &t.reloaded_at}) s.i64(*moment);
  if constexpr (State::Loading) {
    s.require(t.counter_origin <= m.clock.cycles && t.synced_at <= m.clock.cycles && t.synced_at >= t.counter_origin);
    s.require(t.overflow_at == NoEvent || t.overflow_at <= m.clock.cycles);
    t.TAC |= TacUnused;
    t.event_at = s.ok() ? NextEvent(m) : NoEvent;
  }
}

template void WalkTimerState(Console& m, StateWriter& s);
template void WalkTimerState(Console& m, StateReader& s);

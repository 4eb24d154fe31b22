#include "memory/mbc3_clock.h"
#include "machine/clock.h"

#include "machine/console.h"
#include "machine/state.h"
#include "memory/little_endian.h"

namespace {

constexpr int64_t SecondsPerDay = 86400;
constexpr int DaysCounted = 512;  // the 9-bit day counter
// Beyond any real date, and far enough from the ends of 64 bits that the
// time between two stamps can always be taken.
constexpr uint64_t LatestSeconds = uint64_t{1} << 40;
constexpr int64_t LatestStampMillis = static_cast<int64_t>(LatestSeconds) * 1000;

// The host's clock as the front end handed it in, or a clock that stands
// still at the Unix epoch.
int64_t HostNow(const Console& m) { return m.rtc.host_millis ? m.rtc.host_millis() : 0; }

int Days(const Mbc3ClockRegisters& r) { return (r.day_high & ClockDayBit8) << 8 | r.day_low; }

void SetDays(Mbc3ClockRegisters& r, int days) {
  r.day_low = static_cast<uint8_t>(days);
  r.day_high = static_cast<uint8_t>((r.day_high & ~ClockDayBit8) | (days >> 8 & ClockDayBit8));
}

bool InRange(const Mbc3ClockRegisters& r) { return r.seconds < 60 && r.minutes < 60 && r.hours < 24; }

// One second as the chip counts it. A register set beyond its range (a
// game may write 60-63 seconds) counts on to the top of its bits and wraps
// to 0 without carrying into the next one.
void Tick(Mbc3ClockRegisters& r) {
  if (r.seconds != 59) {
    r.seconds = (r.seconds + 1) & 0x3F;
    return;
  }
  r.seconds = 0;
  if (r.minutes != 59) {
    r.minutes = (r.minutes + 1) & 0x3F;
    return;
  }
  r.minutes = 0;
  if (r.hours != 23) {
    r.hours = (r.hours + 1) & 0x1F;
    return;
  }
  r.hours = 0;
  const int days = Days(r) + 1;
  if (days == DaysCounted) r.day_high |= ClockDayCarry;
  SetDays(r, days % DaysCounted);
}

// Lets seconds pass on the registers: one by one while a register is out of
// range (at most some hours' worth), then all at once.
void AddSeconds(Mbc3ClockRegisters& r, int64_t seconds) {
  while (seconds > 0 && !InRange(r)) {
    Tick(r);
    seconds--;
  }
  if (seconds <= 0) return;
  const int64_t total = r.seconds + 60 * r.minutes + 3600 * r.hours + SecondsPerDay * Days(r) + seconds;
  const int64_t days = total / SecondsPerDay;
  const int64_t in_day = total % SecondsPerDay;
  r.hours = static_cast<uint8_t>(in_day / 3600);
  r.minutes = static_cast<uint8_t>(in_day / 60 % 60);
  r.seconds = static_cast<uint8_t>(in_day % 60);
  if (days >= DaysCounted) r.day_high |= ClockDayCarry;
  SetDays(r, static_cast<int>(days % DaysCounted));
}

// Keeps each register to the bits the chip has.
Mbc3ClockRegisters Masked(Mbc3ClockRegisters r) {
  r.seconds &= 0x3F;
  r.minutes &= 0x3F;
  r.hours &= 0x1F;
  r.day_high &= ClockDayBit8 | ClockHalt | ClockDayCarry;
  return r;
}

void PutRegisters(uint8_t* out, const Mbc3ClockRegisters& r) {
  const uint8_t values[5] = {r.seconds, r.minutes, r.hours, r.day_low, r.day_high};
  for (int i = 0; i < 5; i++) PutLe(out + 4 * i, values[i], 4);
}

Mbc3ClockRegisters GetRegisters(const uint8_t* in) {
  Mbc3ClockRegisters r;
  r.seconds = static_cast<uint8_t>(GetLe(in, 4));
  r.minutes = static_cast<uint8_t>(GetLe(in + 4, 4));
  r.hours = static_cast<uint8_t>(GetLe(in + 8, 4));
  r.day_low = static_cast<uint8_t>(GetLe(in + 12, 4));
  r.day_high = static_cast<uint8_t>(GetLe(in + 16, 4));
  return Masked(r);
}

}  // namespace

void StartMbc3Clock(Console& m) {
  m.rtc.running = {};
  m.rtc.latched = {};
  m.rtc.stamp = HostNow(m);
  m.rtc.millis = 0;
}

void UpdateMbc3Clock(Console& m) {
  const int64_t now = HostNow(m);
  const int64_t passed = now - m.rtc.stamp;
  m.rtc.stamp = now;
  // A host clock set back (or a save from the future) costs no time: the
  // clock goes on from where it stands.
  if (passed <= 0 || (m.rtc.running.day_high & ClockHalt)) return;
  const int64_t millis = m.rtc.millis + passed;
  m.rtc.millis = static_cast<int>(millis % 1000);
  AddSeconds(m.rtc.running, millis / 1000);
}

void LatchMbc3Clock(Console& m) {
  UpdateMbc3Clock(m);
  m.rtc.latched = m.rtc.running;
}

uint8_t Mbc3ClockRead(Console& m, int reg) {
  switch (reg) {
    case 0x08: return m.rtc.latched.seconds;
    case 0x09: return m.rtc.latched.minutes;
    case 0x0A: return m.rtc.latched.hours;
    case 0x0B: return m.rtc.latched.day_low;
    case 0x0C: return m.rtc.latched.day_high;
    default: return 0xFF;
  }
}

void Mbc3ClockWrite(Console& m, int reg, uint8_t value) {
  UpdateMbc3Clock(m);  // the time so far counts before anything changes
  Mbc3ClockRegisters& r = m.rtc.running;
  switch (reg) {
    case 0x08: r.seconds = value; m.rtc.millis = 0; break;
    case 0x09: r.minutes = value; break;
    case 0x0A: r.hours = value; break;
    case 0x0B: r.day_low = value; break;
    case 0x0C: r.day_high = value; break;
    default: return;
  }
  r = Masked(r);
}

namespace {

template <class State>
void WalkRegisters(State& s, Mbc3ClockRegisters& r) {
  for (uint8_t* v : {&r.seconds, &r.minutes, &r.hours, &r.day_low, &r.day_high}) s.u8(*v);
  if constexpr (State::Loading) r = Masked(r);
}

}  // namespace

// The stamp is kept as it was: the next look at the clock counts the time
// since then, and a stamp ahead of the host's clock costs no time.
template <class State>
void WalkMbc3ClockState(Console& m, State& s) {
  s.section("RTC ");
  WalkRegisters(s, m.rtc.running);
  WalkRegisters(s, m.rtc.latched);
  s.i64(m.rtc.stamp);
  s.number(m.rtc.millis, 0, 999);
  s.require(m.rtc.stamp >= 0 && m.rtc.stamp <= LatestStampMillis);
}

template void WalkMbc3ClockState(Console& m, StateWriter& s);
template void WalkMbc3ClockState(Console& m, StateReader& s);

void SaveMbc3Clock(Console& m, uint8_t* out) {
  UpdateMbc3Clock(m);
  PutRegisters(out, m.rtc.running);
  PutRegisters(out + 20, m.rtc.latched);
  PutLe(out + 40, static_cast<uint64_t>(m.rtc.stamp / 1000), 8);
}

bool LoadMbc3Clock(Console& m, const uint8_t* data, long size) {
  if (size != Mbc3ClockSaveBytes && size != Mbc3ClockShortSaveBytes) return false;
  m.rtc.running = GetRegisters(data);
  m.rtc.latched = GetRegisters(data + 20);
  const uint64_t saved = GetLe(data + 40, size == Mbc3ClockSaveBytes ? 8 : 4);
  m.rtc.stamp = saved < LatestSeconds ? static_cast<int64_t>(saved) * 1000 : HostNow(m);
  m.rtc.millis = 0;
  UpdateMbc3Clock(m);
  return true;
}

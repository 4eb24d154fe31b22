#include "memory/mbc3_clock.h"

#include <chrono>

#include "memory/little_endian.h"
#include "memory/machine_state.h"

Mbc3ClockRegisters Mbc3ClockRunning = {};
Mbc3ClockRegisters Mbc3ClockLatched = {};
int64_t Mbc3ClockStamp = 0;
int Mbc3ClockMillis = 0;

namespace {

constexpr int64_t SecondsPerDay = 86400;
constexpr int DaysCounted = 512;  // the 9-bit day counter
// Beyond any real date, and far enough from the ends of 64 bits that the
// time between two stamps can always be taken.
constexpr uint64_t LatestSeconds = uint64_t{1} << 40;
constexpr int64_t LatestStampMillis = static_cast<int64_t>(LatestSeconds) * 1000;

int64_t SystemMillis() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

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

int64_t (*HostMillis)() = SystemMillis;

void StartMbc3Clock() {
  Mbc3ClockRunning = {};
  Mbc3ClockLatched = {};
  Mbc3ClockStamp = HostMillis();
  Mbc3ClockMillis = 0;
}

void UpdateMbc3Clock() {
  const int64_t now = HostMillis();
  const int64_t passed = now - Mbc3ClockStamp;
  Mbc3ClockStamp = now;
  // A host clock set back (or a save from the future) costs no time: the
  // clock goes on from where it stands.
  if (passed <= 0 || (Mbc3ClockRunning.day_high & ClockHalt)) return;
  const int64_t millis = Mbc3ClockMillis + passed;
  Mbc3ClockMillis = static_cast<int>(millis % 1000);
  AddSeconds(Mbc3ClockRunning, millis / 1000);
}

void LatchMbc3Clock() {
  UpdateMbc3Clock();
  Mbc3ClockLatched = Mbc3ClockRunning;
}

uint8_t Mbc3ClockRead(int reg) {
  switch (reg) {
    case 0x08: return Mbc3ClockLatched.seconds;
    case 0x09: return Mbc3ClockLatched.minutes;
    case 0x0A: return Mbc3ClockLatched.hours;
    case 0x0B: return Mbc3ClockLatched.day_low;
    case 0x0C: return Mbc3ClockLatched.day_high;
    default: return 0xFF;
  }
}

void Mbc3ClockWrite(int reg, uint8_t value) {
  UpdateMbc3Clock();  // the time so far counts before anything changes
  Mbc3ClockRegisters& r = Mbc3ClockRunning;
  switch (reg) {
    case 0x08: r.seconds = value; Mbc3ClockMillis = 0; break;
    case 0x09: r.minutes = value; break;
    case 0x0A: r.hours = value; break;
    case 0x0B: r.day_low = value; break;
    case 0x0C: r.day_high = value; break;
    default: return;
  }
  r = Masked(r);
}

namespace {

void SaveRegisters(StateWriter& out, const Mbc3ClockRegisters& r) {
  for (uint8_t v : {r.seconds, r.minutes, r.hours, r.day_low, r.day_high}) out.u8(v);
}

Mbc3ClockRegisters LoadRegisters(StateReader& in) {
  Mbc3ClockRegisters r;
  for (uint8_t* v : {&r.seconds, &r.minutes, &r.hours, &r.day_low, &r.day_high}) *v = in.u8();
  return Masked(r);
}

}  // namespace

void SaveMbc3ClockState(StateWriter& out) {
  out.section("RTC ");
  SaveRegisters(out, Mbc3ClockRunning);
  SaveRegisters(out, Mbc3ClockLatched);
  out.i64(Mbc3ClockStamp);
  out.i32(Mbc3ClockMillis);
}

// The stamp is kept as it was: the next look at the clock counts the time
// since then, and a stamp ahead of the host's clock costs no time.
void LoadMbc3ClockState(StateReader& in) {
  in.section("RTC ");
  Mbc3ClockRunning = LoadRegisters(in);
  Mbc3ClockLatched = LoadRegisters(in);
  Mbc3ClockStamp = in.i64();
  if (Mbc3ClockStamp < 0 || Mbc3ClockStamp > LatestStampMillis) in.refuse();
  Mbc3ClockMillis = in.number(0, 999);
}

void SaveMbc3Clock(uint8_t* out) {
  UpdateMbc3Clock();
  PutRegisters(out, Mbc3ClockRunning);
  PutRegisters(out + 20, Mbc3ClockLatched);
  PutLe(out + 40, static_cast<uint64_t>(Mbc3ClockStamp / 1000), 8);
}

bool LoadMbc3Clock(const uint8_t* data, long size) {
  if (size != Mbc3ClockSaveBytes && size != Mbc3ClockShortSaveBytes) return false;
  Mbc3ClockRunning = GetRegisters(data);
  Mbc3ClockLatched = GetRegisters(data + 20);
  const uint64_t saved = GetLe(data + 40, size == Mbc3ClockSaveBytes ? 8 : 4);
  Mbc3ClockStamp = saved < LatestSeconds ? static_cast<int64_t>(saved) * 1000 : HostMillis();
  Mbc3ClockMillis = 0;
  UpdateMbc3Clock();
  return true;
}

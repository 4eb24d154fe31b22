#include "support/state_cases.h"

#include <algorithm>

#include "cpu/registers.h"
#include "memory/io_registers.h"
#include "memory/little_endian.h"
#include "machine/clock.h"
#include "machine/state.h"
#include "sound/sample_buffer.h"
#include "support/machine.h"
#include "video/lcd_timing.h"

namespace {

using Field = StateWriter::Field;

struct Numbers {
  std::vector<uint8_t> state;
  std::vector<Field> fields;

  // The k-th number after a part's mark.
  const Field& at(const char* mark, int k) const {
    const size_t mark_at = std::search(state.begin(), state.end(), mark, mark + 4) - state.begin();
    const auto first = std::find_if(fields.begin(), fields.end(), [&](const Field& f) { return f.at > mark_at; });
    return first[k];
  }
  // The k-th number from the end.
  const Field& last(int k) const { return fields[fields.size() - 1 - k]; }
  int64_t get(const Field& f) const { return static_cast<int64_t>(GetLe(&state[f.at], f.size)); }
};

void Put(std::vector<uint8_t>& state, const Field& f, int64_t value) {
  PutLe(&state[f.at], static_cast<uint64_t>(value), f.size);
}

}  // namespace

std::vector<StateCase> StateRangeCases(const std::string& cartridge) {
  StartTestCartridge(cartridge);
  RunFrames(300);
  // The processor waits while the LCD runs on, a cycle at a time, to where
  // LY has wrapped to 0 on line 153.
  while (m.lcd.line != LinesPerFrame - 1 || m.lcd.LY != 0) {
    m.clock.cycles++;
    RunDueEvents(m);
    LcdSync(m);
  }
  Numbers n;
  SaveMachineState(m, n.state, &n.fields);
  std::vector<StateCase> cases;
  auto add = [&](const std::string& what, auto change) {
    StateCase c{what, n.state, n.state};
    change(c.accepted, false);
    change(c.refused, true);
    cases.push_back(c);
  };

  // The LCD's line, LY and the frame's dots agree; a line past 153 would
  // make a frame that never ends.
  add("the LCD on line 154", [&](std::vector<uint8_t>& s, bool beyond) {
    if (!beyond) return;
    Put(s, n.at("LCD ", 2), LinesPerFrame);
    Put(s, n.at("IO  ", 9), LinesPerFrame);
    for (int k : {0, 8}) Put(s, n.at("LCD ", k), n.get(n.at("LCD ", k)) + DotsPerLine);  // the frame's dots, the next step
  });
  // Square 1's period, by which its steps are counted out.
  add("a channel's period of 0", [&](std::vector<uint8_t>& s, bool beyond) { Put(s, n.at("SND ", 9), beyond ? 0 : 1); });
  add("the wave channel at sample 32", [&](std::vector<uint8_t>& s, bool beyond) { Put(s, n.at("SND ", 69), beyond ? 32 : 31); });
  // Each buffer's place (16.16), the third number of the four each ends
  // with: beyond half the buffer the next frames write past its end.
  const int places[] = {10, 6, 2};
  add("the sample buffers past half their length", [&](std::vector<uint8_t>& s, bool beyond) {
    for (int k : places) Put(s, n.last(k), int64_t{MaxBufferSamples / 2 + (beyond ? 1 : 0)} << 16);
  });
  add("the sample buffers at different places", [&](std::vector<uint8_t>& s, bool beyond) {
    for (int k : places) Put(s, n.last(k), n.get(n.last(k)) + ((k == 2 || !beyond) ? 0x10000 : 0));
  });
  // The counter's origin moved to the moment the timer was synced at, then
  // a cycle after it.
  add("the timer synced before its counter's origin", [&](std::vector<uint8_t>& s, bool beyond) {
    const int64_t synced = n.get(n.at("TIMR", 1));
    Put(s, n.at("TIMR", 0), synced);
    Put(s, n.at("TIMR", 1), synced - (beyond ? 1 : 0));
  });
  return cases;
}

// States of a real machine with a number changed, or a few that change
// together, to the last value the state loader takes and to the first it
// refuses: the checks that keep a crafted state from corrupting memory,
// dividing by zero or making a frame that never ends.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct StateCase {
  std::string what;
  std::vector<uint8_t> accepted;  // at the edge of the range
  std::vector<uint8_t> refused;   // just beyond it
};

// The machine of this program runs `cartridge` for 300 frames, then its
// LCD on into line 153, whose state every case changes.
std::vector<StateCase> StateRangeCases(const std::string& cartridge);

// The rewind ring's memory of the game.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "shell/rewind.h"

// A game changes a few bytes between snapshots: the ring keeps little more
// than those, and every state comes back exactly, whatever changed where
// (first and last bytes, changes close together and far apart, a state that
// grows or shrinks), also when rewinding stops and new snapshots follow.
TEST(RewindRing, KeepsOnlyTheChangesAndGivesBackEveryStateExactly) {
  std::mt19937 generator(11);
  std::vector<uint8_t> state(100000);
  for (uint8_t& b : state) b = static_cast<uint8_t>(generator() % 4);  // like memory: much alike
  std::vector<std::vector<uint8_t>> pushed;
  RewindRing ring;
  for (int n = 0; n < 600; n++) {
    const size_t at = generator() % (state.size() - 20);
    state[at] ^= 0x5A;
    state[at + 8 + n % 3] ^= 0xA5;  // 8, 9 or 10 bytes on: one run or two
    if (n % 50 == 0) state.front()++;
    if (n % 70 == 0) state.back()--;
    if (n % 90 == 10) state.resize(state.size() + 3, 7);
    if (n % 90 == 40) state.resize(state.size() - 5);
    ring.push(state);
    pushed.push_back(state);
  }
  EXPECT_EQ(ring.size(), 600u);
  EXPECT_LT(ring.bytes(), 200000u) << "the newest whole, about 30 bytes for each of the others";

  std::vector<uint8_t> back;
  for (int n = 599; n >= 400; n--) {
    ASSERT_TRUE(ring.pop(back));
    ASSERT_EQ(back, pushed[n]) << "snapshot " << n;
  }
  // Rewinding stopped at 400; the game goes on from there.
  pushed.resize(400);
  for (int n = 0; n < 3; n++) {
    back[back.size() / 2 + n] = 0xEE;
    ring.push(back);
    pushed.push_back(back);
  }
  for (int n = 402; n >= 0; n--) {
    ASSERT_TRUE(ring.pop(back));
    ASSERT_EQ(back, pushed[n]) << "snapshot " << n << " after the rewind";
  }
  EXPECT_FALSE(ring.pop(back));
  EXPECT_EQ(ring.bytes(), 0u);
}

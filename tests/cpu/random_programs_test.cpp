// Whole-machine robustness: cartridges of random bytes, under every bank
// controller, run for a few frames. Random code writes everywhere (bank
// registers, DMA, sound, video, the register page) and jumps anywhere; the
// machine must neither crash nor touch memory outside its arrays (the
// sanitized build checks that) and must keep its counters in range.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "cpu/cpu.h"
#include "cpu/registers.h"
#include "memory/bus.h"
#include "memory/cartridge.h"
#include "machine/clock.h"
#include "support/machine.h"
#include "video/lcd_timing.h"

namespace {

constexpr uint8_t Undefined[] = {0xD3, 0xDB, 0xDD, 0xE3, 0xE4, 0xEB, 0xEC, 0xED, 0xF4, 0xFC, 0xFD};

std::vector<uint8_t> RandomCartridge(uint32_t seed, uint8_t type, uint8_t size_code, long bytes) {
  std::mt19937 random(seed);
  std::vector<uint8_t> rom(bytes);
  for (auto& b : rom) {
    b = static_cast<uint8_t>(random());
    // Undefined opcodes would stop most runs within a few instructions.
    for (uint8_t u : Undefined)
      if (b == u) b = 0x00;
  }
  if (bytes > 0x149) {  // a shorter image has no header: it reads 0xFF there
    rom[0x147] = type;
    rom[0x148] = size_code;
    rom[0x149] = static_cast<uint8_t>(random() % 6);
  }
  return rom;
}

}  // namespace

TEST(RandomPrograms, NeverLeaveTheMachinesMemory) {
  struct Kind {
    uint8_t type, size_code;
    long bytes;
  } kinds[] = {{0x00, 0, 0x8000}, {0x03, 5, 0x6000}, {0x06, 3, 0x10000}, {0x13, 6, 0x20000},
               {0x1B, 8, 0x9000},  {0x19, 0x53, 0x4000}, {0x01, 0x20, 0x100}};
  const int seeds_per_kind = 16;
  const long frames_per_run = 12;
  int full_runs = 0, total_runs = 0;
  for (const Kind& kind : kinds) {
    for (int seed = 1; seed <= seeds_per_kind; seed++) {
      m.cart.mapper = 0;
      ResetTestMachine(RandomCartridge(seed * 7919 + kind.type, kind.type, kind.size_code, kind.bytes));
      long steps = 0;
      while (m.lcd.frames_finished < frames_per_run && !m.cpu.frozen && steps < 2000000) {
        CpuStep(m);
        RunDueEvents(m);
        steps++;
        ASSERT_LT(m.lcd.LY, 154);
        ASSERT_GE(m.lcd.frame_dots, 0);
        ASSERT_LT(m.lcd.frame_dots, DotsPerFrame);
      }
      total_runs++;
      if (m.lcd.frames_finished == frames_per_run) full_runs++;
      // Either it ran its frames, or a jump into RAM met an undefined opcode.
      EXPECT_TRUE(m.lcd.frames_finished == frames_per_run || m.cpu.frozen)
          << "type 0x" << std::hex << int(kind.type) << " seed " << std::dec << seed << ": " << steps << " steps";
    }
  }
  m.cpu.frozen = 0;
  std::printf("%d of %d random cartridges ran all %ld frames\n", full_runs, total_runs, frames_per_run);
  EXPECT_GE(full_runs * 2, total_runs) << "most runs must get through their frames, or the test proves little";
}

#include <gtest/gtest.h>

#include "memory/bus.h"
#include "support/machine.h"

TEST(Bus, EchoRamMirrorsWorkRam) {
  ResetTestMachine();
  BusWrite(0xC123, 0x5A);
  EXPECT_EQ(BusRead(0xE123), 0x5A) << "0xE000 echoes 0xC000";
}

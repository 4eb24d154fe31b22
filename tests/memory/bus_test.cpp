// Address decoding of the whole 16-bit bus.
#include <gtest/gtest.h>

#include "memory/bus.h"
#include "memory/cartridge.h"
#include "support/machine.h"
#include "video/renderer.h"

namespace {

std::vector<uint8_t> NumberedBanks(int banks) {
  std::vector<uint8_t> rom(banks * 0x4000);
  for (int b = 0; b < banks; b++) rom[b * 0x4000 + 0x100] = static_cast<uint8_t>(0xB0 + b);
  return rom;
}

}  // namespace

TEST(Bus, RomWindowsShowBankZeroAndBankOneAfterReset) {
  ResetTestMachine(NumberedBanks(4));
  EXPECT_EQ(BusRead(m, 0x0100), 0xB0);
  EXPECT_EQ(BusRead(m, 0x4100), 0xB1);
}

TEST(Bus, RomWritesNeverChangeTheImage) {
  ResetTestMachine(NumberedBanks(2));
  BusWrite(m, 0x0100, 0x12);
  BusWrite(m, 0x4100, 0x34);
  EXPECT_EQ(BusRead(m, 0x0100), 0xB0);
  EXPECT_EQ(BusRead(m, 0x4100), 0xB1);
}

TEST(Bus, WorkRamAndItsEcho) {
  ResetTestMachine();
  BusWrite(m, 0xC123, 0x5A);
  EXPECT_EQ(BusRead(m, 0xE123), 0x5A) << "0xE000-0xEFFF echoes 0xC000-0xCFFF";
  BusWrite(m, 0xD123, 0xA5);
  EXPECT_EQ(BusRead(m, 0xF123), 0xA5) << "0xF000-0xFDFF echoes 0xD000-0xDDFF";
  BusWrite(m, 0xFDFF, 0x77);
  EXPECT_EQ(BusRead(m, 0xDDFF), 0x77) << "the echo reaches up to 0xFDFF";
  BusWrite(m, 0xE000, 0x99);
  EXPECT_EQ(BusRead(m, 0xC000), 0x99) << "writes through the echo land in work RAM";
}

TEST(Bus, SwitchableWorkRamBankFollowsSvbkThroughTheEcho) {
  ResetTestMachine(ColourImage());
  BusWrite(m, 0xD123, 0x11);
  BusWrite(m, 0xFF70, 3);
  EXPECT_EQ(BusRead(m, 0xD123), 0x00) << "bank 3 is still empty";
  BusWrite(m, 0xF123, 0x33);
  EXPECT_EQ(BusRead(m, 0xD123), 0x33);
  EXPECT_EQ(m.mem.work_ram[3 * 0x1000 + 0x123], 0x33);
  BusWrite(m, 0xFF70, 1);
  EXPECT_EQ(BusRead(m, 0xD123), 0x11);
}

// The cases of absent, disabled and mirrored cartridge RAM are the bank
// controllers' (tests/memory/bank_controllers_test.cpp): they point the window.
TEST(Bus, FullCartridgeRamWindowIsEightKilobytes) {
  std::vector<uint8_t> rom(0x8000);
  rom[0x147] = 0x09;  // no controller, RAM always enabled
  rom[0x149] = 3;
  ResetTestMachine(rom);
  BusWrite(m, 0xA000, 0x42);
  BusWrite(m, 0xBFFF, 0x24);
  EXPECT_EQ(BusRead(m, 0xA000), 0x42);
  EXPECT_EQ(BusRead(m, 0xA800), 0x00) << "no mirroring with a full window";
  EXPECT_EQ(m.mem.cart_ram[0x1FFF], 0x24);
}

TEST(Bus, OamAndTheUnusableArea) {
  ResetTestMachine();
  BusWrite(m, 0xFE00, 0x10);
  BusWrite(m, 0xFE9F, 0x9F);
  EXPECT_EQ(m.mem.oam[0], 0x10);
  EXPECT_EQ(m.mem.oam[159], 0x9F);
  for (int a = 0xFEA0; a <= 0xFEFF; a++) {
    BusWrite(m, a, 0xFF);
    ASSERT_EQ(BusRead(m, a), 0x00) << std::hex << a;
  }
}

TEST(Bus, HighRamAndInterruptEnable) {
  ResetTestMachine();
  BusWrite(m, 0xFF80, 0x01);
  BusWrite(m, 0xFFFE, 0xFE);
  EXPECT_EQ(m.mem.high_ram[0], 0x01);
  EXPECT_EQ(m.mem.high_ram[126], 0xFE);
  BusWrite(m, 0xFFFF, 0x1F);
  EXPECT_EQ(m.io.IE, 0x1F);
  EXPECT_EQ(BusRead(m, 0xFFFF), 0x1F);
}

TEST(Bus, AddressesAreReducedTo16Bits) {
  ResetTestMachine();
  BusWrite(m, 0x1C123, 0x66);
  EXPECT_EQ(BusRead(m, 0xC123), 0x66);
  EXPECT_EQ(BusRead(m, 0x2C123), 0x66);
}

TEST(Bus, Read16IsLittleEndianAndWrapsAtTheTop) {
  std::vector<uint8_t> rom(0x8000);
  rom[0x0000] = 0xAB;
  rom[0x0150] = 0x34;
  rom[0x0151] = 0x12;
  ResetTestMachine(rom);
  EXPECT_EQ(BusRead16(m, 0x0150), 0x1234);
  BusWrite(m, 0xFFFF, 0xCD);
  EXPECT_EQ(BusRead16(m, 0xFFFF), 0xABCD) << "IE is the low byte, 0x0000 the high byte";
}

TEST(Bus, VideoRamWriteRecordsAddressAndMarksTile) {
  ResetTestMachine(ColourImage());
  RefreshTileCache(m);  // every tile decoded and valid
  BusWrite(m, 0x8010, 0x5A);
  EXPECT_EQ(m.mem.video_ram[0x10], 0x5A);
  EXPECT_EQ(m.mem.last_vram_write, 0x8010);
  EXPECT_EQ(m.tiles.valid[1], 0) << "tile 1 is stale";
  EXPECT_EQ(m.tiles.valid[513], 1) << "bank 1's tile is untouched";

  BusWrite(m, 0xFF4F, 1);
  BusWrite(m, 0x8010, 0xA5);
  EXPECT_EQ(m.mem.video_ram[0x2010], 0xA5) << "VBK 1 writes the second bank";
  EXPECT_EQ(m.mem.video_ram[0x10], 0x5A);
  EXPECT_EQ(m.tiles.valid[513], 0);
  EXPECT_EQ(BusRead(m, 0x8010), 0xA5);

  BusWrite(m, 0x9FFF, 1);
  EXPECT_EQ(m.tiles.valid[1023], 0) << "map writes mark blocks 384-511 (+512 in bank 1)";
}

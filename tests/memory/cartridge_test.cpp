// Loading images and reading their header.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "memory/bus.h"
#include "memory/cartridge.h"
#include "support/cartridge_image.h"
#include "support/machine.h"
#include "support/run.h"

namespace {

std::vector<uint8_t> Image(long size, uint8_t type, uint8_t rom_code, uint8_t ram_code) {
  std::vector<uint8_t> rom(size, 0x00);
  if (size > 0x149) {
    rom[0x147] = type;
    rom[0x148] = rom_code;
    rom[0x149] = ram_code;
  }
  return rom;
}

int Install(const std::vector<uint8_t>& rom) {
  return InstallCartridgeImage(m, rom.data(), static_cast<long>(rom.size()));
}

}  // namespace

TEST(Cartridge, MapperFromCartridgeType) {
  struct { uint8_t type; uint8_t mapper; } cases[] = {
      {0x00, 0}, {0x01, 1}, {0x02, 1}, {0x03, 1}, {0x05, 2}, {0x06, 2}, {0x0F, 3}, {0x10, 3}, {0x11, 3},
      {0x12, 3}, {0x13, 3}, {0x19, 5}, {0x1A, 5}, {0x1B, 5}, {0x1C, 5}, {0x1D, 5}, {0x1E, 5}};
  for (auto c : cases) {
    ASSERT_EQ(Install(Image(0x8000, c.type, 0, 2)), 0);
    EXPECT_EQ(m.cart.mapper, c.mapper) << "type 0x" << std::hex << int(c.type);
  }
}

TEST(Cartridge, UnsupportedTypesRunWithoutAController) {
  for (uint8_t type : {0x00, 0x08, 0x09, 0x03, 0x06, 0x10, 0x1E}) {
    ASSERT_EQ(Install(Image(0x8000, type, 0, 0)), 0);
    EXPECT_TRUE(m.cart.supported) << "type 0x" << std::hex << int(type);
  }
  for (uint8_t type : {0x04, 0x07, 0x0B, 0x0D, 0x14, 0x18, 0x1F, 0x22, 0xFC, 0xFF}) {
    ASSERT_EQ(Install(Image(0x8000, 0x01, 0, 0)), 0);
    ASSERT_EQ(Install(Image(0x8000, type, 0, 0)), 0);
    EXPECT_FALSE(m.cart.supported) << "type 0x" << std::hex << int(type);
    EXPECT_EQ(m.cart.mapper, 0) << "type 0x" << std::hex << int(type) << " runs without its controller";
  }
}

TEST(Cartridge, BatteryClockRumbleAndRamSizeFromTheHeader) {
  const uint8_t battery[] = {0x03, 0x06, 0x09, 0x0D, 0x0F, 0x10, 0x13, 0x1B, 0x1E, 0x22, 0xFF};
  for (int type = 0; type < 256; type++) {
    ASSERT_EQ(Install(Image(0x8000, static_cast<uint8_t>(type), 0, 2)), 0);
    const bool expected = std::find(std::begin(battery), std::end(battery), type) != std::end(battery);
    EXPECT_EQ(m.cart.has_battery, expected) << "type 0x" << std::hex << type;
    EXPECT_EQ(m.cart.has_clock, type == 0x0F || type == 0x10) << "type 0x" << std::hex << type;
    EXPECT_EQ(m.cart.has_rumble, type >= 0x1C && type <= 0x1E) << "type 0x" << std::hex << type;
  }
  const long sizes[] = {0, 0x800, 0x2000, 0x8000, 0x20000, 0x10000, 0};  // code 6 and up: unknown, none
  for (int code = 0; code < 7; code++) {
    ASSERT_EQ(Install(Image(0x8000, 0x1B, 0, static_cast<uint8_t>(code))), 0);
    EXPECT_EQ(m.cart.ram_bytes, sizes[code]) << "RAM size code " << code;
  }
  ASSERT_EQ(Install(Image(0x8000, 0x06, 0, 3)), 0);
  EXPECT_EQ(m.cart.ram_bytes, 512) << "MBC2: 512 half-bytes whatever the header says";
}

TEST(Cartridge, Mbc2AlwaysHasTheSmallMirroredRam) {
  ASSERT_EQ(Install(Image(0x8000, 0x06, 0, 0)), 0);
  EXPECT_EQ(m.cart.mapper, 2);
  EXPECT_EQ(m.cart.ram_size_code, 1);
  ASSERT_EQ(Install(Image(0x8000, 0x05, 0, 3)), 0);
  EXPECT_EQ(m.cart.ram_size_code, 1);
}

TEST(Cartridge, HeaderFieldsAndBankMask) {
  struct { uint8_t code; int mask; } cases[] = {{0, 1}, {1, 3}, {2, 7}, {5, 63}, {8, 511}};
  for (auto c : cases) {
    ASSERT_EQ(Install(Image((c.mask + 1) * 0x4000L, 0x19, c.code, 3)), 0);
    EXPECT_EQ(m.cart.rom_size_code, c.code);
    EXPECT_EQ(m.cart.ram_size_code, 3);
    EXPECT_EQ(m.cart.max_bank, c.mask) << "code " << int(c.code);
  }
}

TEST(Cartridge, OddSizeCodesGetTheMaskThatCoversTheFile) {
  ASSERT_EQ(Install(Image(72 * 0x4000L, 0x19, 0x52, 0)), 0);
  EXPECT_EQ(m.cart.rom_size_code, 0x52) << "the code is shown as read";
  EXPECT_EQ(m.cart.max_bank, 127);
  ASSERT_EQ(Install(Image(96 * 0x4000L, 0x19, 0x54, 0)), 0);
  EXPECT_EQ(m.cart.max_bank, 127);
  ASSERT_EQ(Install(Image(0x8000, 0x00, 0x40, 0)), 0);
  EXPECT_EQ(m.cart.max_bank, 1);
}

TEST(Cartridge, ShortImageIsPaddedWithFFToTheAnnouncedBanks) {
  ResetTestMachine();
  std::vector<uint8_t> rom = Image(0x4000, 0x00, 0, 0);
  rom[0x3FFF] = 0x12;
  ASSERT_EQ(Install(rom), 0);
  EXPECT_GE(m.cart.rom_size, 0x8000);
  EXPECT_EQ(BusRead(m, 0x3FFF), 0x12);
  EXPECT_EQ(BusRead(m, 0x4000), 0xFF) << "a 16 KiB image reads 0xFF in bank 1";
  EXPECT_EQ(BusRead(m, 0x7FFF), 0xFF);

  ASSERT_EQ(Install(Image(0x8000, 0x19, 4, 0)), 0);  // announces 32 banks
  EXPECT_EQ(m.cart.rom_size, 32 * 0x4000L) << "every bank the mask can select lies inside the image";
}

TEST(Cartridge, ImageShorterThanItsHeaderReadsFFHeaderBytes) {
  std::vector<uint8_t> tiny(0x100, 0x00);
  m.cart.mapper = 0;  // as at program start
  ASSERT_EQ(Install(tiny), 0);
  EXPECT_EQ(m.cart.mapper, 0);
  EXPECT_EQ(m.cart.rom_size_code, 0xFF);
  EXPECT_EQ(m.cart.rom_size, 0x8000);
  EXPECT_EQ(m.cart.rom[0x150], 0xFF);
}

TEST(Cartridge, TooLargeImageIsRefused) {
  ASSERT_EQ(Install(Image(0x8000, 0x01, 0, 0)), 0);
  const char* error = nullptr;
  std::vector<uint8_t> huge(MaxCartridgeSize + 1, 0);
  EXPECT_EQ(InstallCartridgeImage(m, huge.data(), static_cast<long>(huge.size()), &error), 1);
  EXPECT_STREQ(error, "Cartridge image too large");
  EXPECT_EQ(m.cart.mapper, 1) << "a failed load keeps the previous cartridge";
}

TEST(Cartridge, LoadFromFile) {
  const std::string dir = MakeTempDir("cartridge-load");
  std::vector<uint8_t> rom = Image(0x10000, 0x13, 1, 3);
  rom[0x8000] = 0x77;
  GiveValidHeader(rom);
  WriteFileBytes(dir + "/game.gb", rom);
  const char* error = nullptr;
  ASSERT_EQ(LoadTestCartridgeFile(dir + "/game.gb", &error), 0) << error;
  EXPECT_EQ(m.cart.mapper, 3);
  EXPECT_EQ(m.cart.max_bank, 3);
  EXPECT_EQ(m.cart.rom[0x8000], 0x77);

  std::vector<uint8_t> short_of_8_mib = Image(0x8000, 0x19, 8, 0);  // announces the largest size, 8 MiB
  GiveValidHeader(short_of_8_mib);
  WriteFileBytes(dir + "/short.gb", short_of_8_mib);
  CartridgeLoad load;
  ASSERT_EQ(LoadTestCartridgeFile(dir + "/short.gb", &error, &load), 0) << error;
  EXPECT_EQ(load.missing(), 8L * 1024 * 1024 - 0x8000) << "the missing part is told";
}

TEST(Cartridge, LoadFailuresReturnOneWithAReason) {
  const std::string dir = MakeTempDir("cartridge-fail");
  const char* error = nullptr;
  EXPECT_EQ(LoadTestCartridgeFile(dir + "/missing.gb", &error), 1);
  EXPECT_NE(error, nullptr);
  WriteFileBytes(dir + "/empty.gb", {});
  error = nullptr;
  EXPECT_EQ(LoadTestCartridgeFile(dir + "/empty.gb", &error), 1);
  EXPECT_STREQ(error, "Empty cartridge image");
}


// Loading a cartridge image through the archive layer: plain, gzip and ZIP
// images load alike, and archives that hold no usable image are refused.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "archive/archive_files.h"
#include "memory/bus.h"
#include "memory/cartridge.h"
#include "support/cartridge_image.h"
#include "support/machine.h"
#include "support/run.h"

namespace {

using namespace archive_files;

// A 64 KiB image whose header says MBC1, four banks, 8 KiB of RAM.
std::vector<uint8_t> CartridgeImage() {
  auto image = SampleBytes(0x10000, 40);
  image[0x147] = 0x01;
  image[0x148] = 0x01;
  image[0x149] = 0x02;
  GiveValidHeader(image);
  return image;
}

class CartridgeArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTestMachine();
    dir_ = MakeTempDir(std::string("cartridge_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = dir_ + "/" + name;
    WriteFileBytes(path, bytes);
    return path;
  }
  // Loads the path and returns the error text ("" on success).
  std::string Load(const std::string& path) {
    const char* error = nullptr;
    const int result = LoadTestCartridgeFile(path, &error);
    EXPECT_EQ(result != 0, error != nullptr) << "a failed load names its reason";
    return result == 0 ? "" : error;
  }
  std::string dir_;
};

TEST_F(CartridgeArchiveTest, PlainGzipAndZippedImagesLoadAlike) {
  const auto image = CartridgeImage();
  const std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {
      {"rom.gb", image},
      {"rom.gb.gz", Gzip(image)},
      {"stored.zip", MakeZip({{"rom.gb", image, 0}}).bytes},
      {"deflated.zip", MakeZip({{"dir/", {}, 0}, {"rom.gb", image, 8}}).bytes},
      {"zip-named.gbc", MakeZip({{"rom.gb", image, 8}}).bytes},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    ResetTestMachine();
    ASSERT_EQ(Load(Write(name, bytes)), "");
    ASSERT_GE(m.cart.rom_size, 0x10000);
    EXPECT_EQ(std::memcmp(m.cart.rom, image.data(), image.size()), 0) << "the image must arrive byte for byte";
    EXPECT_EQ(m.cart.mapper, 1);
    EXPECT_EQ(m.cart.rom_size_code, 1);
    EXPECT_EQ(m.cart.ram_size_code, 2);
    EXPECT_EQ(m.cart.max_bank, 3);
  }
}

TEST_F(CartridgeArchiveTest, ImageOver8MiBIsRefusedBeforeReading) {
  auto small = SampleBytes(1000, 41);
  GiveValidHeader(small);
  Zip zip = MakeZip({{"big.gb", small}});
  Put32(zip.bytes, zip.central[0] + Size, 8 * 1024 * 1024 + 1);
  EXPECT_EQ(Load(Write("big.zip", zip.bytes)), "Cartridge image too large");

  auto gz = Gzip(small);
  Put32(gz, gz.size() - 4, 0xFFFFFFFFu);
  EXPECT_EQ(Load(Write("big.gz", gz)), "Cartridge image too large") << "a gzip trailer claiming 4 GiB";
  Put32(gz, gz.size() - 4, 0x7FFFFFFFu);
  EXPECT_EQ(Load(Write("big2.gz", gz)), "Cartridge image too large");
}

TEST_F(CartridgeArchiveTest, ArchiveWithoutAFileEntryIsNoCartridge) {
  EXPECT_EQ(Load(Write("none.zip", MakeZip({}).bytes)), "No cartridge image in archive");
  EXPECT_EQ(Load(Write("dirs.zip", MakeZip({{"a/", {}, 0}, {"b/", {}, 0}}).bytes)), "No cartridge image in archive");
}

TEST_F(CartridgeArchiveTest, FailedLoadKeepsThePreviousCartridge) {
  ASSERT_EQ(Load(Write("good.zip", MakeZip({{"rom.gb", CartridgeImage()}}).bytes)), "");
  const uint8_t* before = m.cart.rom;
  const long size_before = m.cart.rom_size;

  auto other = CartridgeImage();
  other[0x147] = 0x19;
  Zip damaged = MakeZip({{"rom.gb", other}});
  damaged.bytes[damaged.local[0] + 30 + 6 + 100] ^= 0xFF;  // inside the deflate data
  EXPECT_EQ(Load(Write("damaged.zip", damaged.bytes)), "Corrupt zip file");
  EXPECT_EQ(m.cart.rom, before);
  EXPECT_EQ(m.cart.rom_size, size_before);
  EXPECT_EQ(m.cart.mapper, 1) << "the cartridge fields keep their values";

  Zip truncated = MakeZip({{"rom.gb", other}});
  truncated.bytes.resize(truncated.bytes.size() - 1);
  EXPECT_EQ(Load(Write("truncated.zip", truncated.bytes)), "Zip file cut short or damaged (no directory at its end)");
  EXPECT_EQ(Load(dir_ + "/absent.gb"), "Empty cartridge image") << "a file that cannot be read gives no bytes";
  EXPECT_EQ(m.cart.mapper, 1);
}

}  // namespace

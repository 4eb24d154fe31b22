// The reader interface over files and the fixed-buffer writer.
#include "archive/data_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "archive/archive_files.h"
#include "support/run.h"

namespace {

using archive_files::SampleBytes;

class FileReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir("file_reader");
    path_ = dir_ + "/data.bin";
    bytes_ = SampleBytes(1000);
    WriteFileBytes(path_, bytes_);
    ASSERT_EQ(reader_.open(path_.c_str()), nullptr);
  }
  std::string dir_, path_;
  std::vector<uint8_t> bytes_;
  FileReader reader_;
};

TEST_F(FileReaderTest, ReadOfZeroBytesSucceedsAndMovesNothing) {
  EXPECT_EQ(reader_.read(nullptr, 0), nullptr);
  EXPECT_EQ(reader_.tell(), 0);
}

TEST_F(FileReaderTest, ReadAcrossTheEndFailsAndReadAvailGivesTheShortCount) {
  uint8_t buffer[100];
  ASSERT_EQ(reader_.seek(950), nullptr);
  EXPECT_STREQ(reader_.read(buffer, 100), "Unexpected end of file");

  ASSERT_EQ(reader_.seek(950), nullptr);
  EXPECT_EQ(reader_.read_avail(buffer, 100), 50) << "read_avail should give the 50 bytes that are there";
  EXPECT_EQ(std::memcmp(buffer, bytes_.data() + 950, 50), 0);
}

TEST_F(FileReaderTest, SeekBeyondTheEndSucceedsAndTheNextReadReportsTheEnd) {
  uint8_t byte;
  EXPECT_EQ(reader_.seek(5000), nullptr) << "stdio allows positions past the end";
  EXPECT_STREQ(reader_.read(&byte, 1), "Unexpected end of file");
  EXPECT_EQ(reader_.remain(), 0);
}

TEST_F(FileReaderTest, SizeTellRemainAndSkipAgree) {
  EXPECT_EQ(reader_.size(), 1000);
  ASSERT_EQ(reader_.skip(300), nullptr);
  EXPECT_EQ(reader_.tell(), 300) << "size() must put the position back";
  EXPECT_EQ(reader_.size(), 1000);
  EXPECT_EQ(reader_.tell(), 300);
  EXPECT_EQ(reader_.remain(), 700);
  uint8_t byte;
  ASSERT_EQ(reader_.read(&byte, 1), nullptr);
  EXPECT_EQ(byte, bytes_[300]);
}

TEST_F(FileReaderTest, OpenOfAMissingFileFailsAndLeavesTheReaderClosed) {
  FileReader missing;
  EXPECT_STREQ(missing.open((dir_ + "/nothing-here.bin").c_str()), "Couldn't open file");
  EXPECT_FALSE(missing.is_open());
  uint8_t byte;
  EXPECT_EQ(missing.read_avail(&byte, 1), -1);
}

// A reader that serves bytes from memory through read_avail only, counting
// the requests, so the base class's read and skip are what is tested.
class CountingReader : public DataReader {
 public:
  explicit CountingReader(int32_t length, bool fail = false) : length_(length), fail_(fail) {}
  int32_t read_avail(void* buffer, int32_t n) override {
    requests.push_back(n);
    if (fail_) return -1;
    const int32_t take = n < length_ - position_ ? n : length_ - position_;
    std::memset(buffer, 0x5A, static_cast<size_t>(take));
    position_ += take;
    return take;
  }
  std::vector<int32_t> requests;

 private:
  int32_t length_, position_ = 0;
  bool fail_;
};

TEST(DataReaderTest, BaseReadNamesAShortReadAndAFailedOne) {
  uint8_t buffer[64];
  CountingReader short_reader(10);
  EXPECT_STREQ(short_reader.read(buffer, 64), "Unexpected end of file");
  CountingReader failing(10, true);
  EXPECT_STREQ(failing.read(buffer, 8), "Read error");
  CountingReader plenty(100);
  EXPECT_EQ(plenty.read(buffer, 64), nullptr);
  EXPECT_EQ(plenty.remain(), 0) << "the base class knows no length";
}

TEST(DataReaderTest, BaseSkipReadsInChunksOfAtMost512Bytes) {
  CountingReader reader(5000);
  ASSERT_EQ(reader.skip(1300), nullptr);
  EXPECT_EQ(reader.requests, (std::vector<int32_t>{512, 512, 276}));
  CountingReader short_reader(600);
  EXPECT_STREQ(short_reader.skip(1300), "Unexpected end of file") << "skip reports the first failed read";
}

TEST(MemoryWriterTest, FailingModeRefusesAnOverflowingWriteWhole) {
  uint8_t buffer[10] = {};
  MemoryWriter writer(buffer, 10, false);
  EXPECT_EQ(writer.mode(), MemoryWriter::FailOnOverflow);
  const auto data = SampleBytes(16);
  ASSERT_EQ(writer.write(data.data(), 6), nullptr);
  EXPECT_STREQ(writer.write(data.data(), 5), "Tried to write more data than expected");
  EXPECT_EQ(writer.written(), 6) << "a refused write must add nothing";
  EXPECT_EQ(writer.write(data.data(), 4), nullptr) << "an exact fit is allowed";
  EXPECT_EQ(writer.written(), 10);
}

TEST(MemoryWriterTest, TruncatingModeTakesWhatFitsAndSucceeds) {
  uint8_t buffer[12];
  std::memset(buffer, 0xEE, sizeof buffer);
  MemoryWriter writer(buffer, 10, true);
  EXPECT_EQ(writer.mode(), MemoryWriter::TruncateOnOverflow);
  const auto data = SampleBytes(16);
  EXPECT_EQ(writer.write(data.data(), 16), nullptr);
  EXPECT_EQ(writer.written(), 10);
  EXPECT_EQ(std::memcmp(buffer, data.data(), 10), 0);
  EXPECT_EQ(buffer[10], 0xEE) << "nothing may be written past the capacity";
  EXPECT_EQ(writer.write(data.data(), 1), nullptr);
  EXPECT_EQ(writer.written(), 10);
}

TEST(MemoryWriterTest, OverlappingCopyKeepsTheSourceBytes) {
  uint8_t buffer[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  MemoryWriter writer(buffer, 8, false);
  ASSERT_EQ(writer.write(buffer + 2, 6), nullptr);
  const uint8_t expected[8] = {3, 4, 5, 6, 7, 8, 7, 8};
  EXPECT_EQ(std::memcmp(buffer, expected, 8), 0);
}

}  // namespace

// The inflate stream (copying and inflating through one buffer) and the
// gzip reader built on it.
#include "archive/inflate_stream.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "archive/archive_files.h"
#include "support/run.h"

namespace {

using namespace archive_files;

// A source over bytes in memory that notes where each request started and
// how much it asked for.
struct MemorySource {
  explicit MemorySource(std::vector<uint8_t> data) : bytes(std::move(data)) {}
  std::vector<uint8_t> bytes;
  size_t position = 0;
  std::vector<std::pair<size_t, int32_t>> requests;  // (position, count)

  static const char* Serve(void* user, void* destination, int32_t* count) {
    auto* self = static_cast<MemorySource*>(user);
    self->requests.emplace_back(self->position, *count);
    const size_t left = self->bytes.size() - self->position;
    const size_t take = static_cast<size_t>(*count) < left ? static_cast<size_t>(*count) : left;
    std::memcpy(destination, self->bytes.data() + self->position, take);
    self->position += take;
    *count = static_cast<int32_t>(take);
    return nullptr;
  }
};

std::vector<uint8_t> ReadAll(InflateStream& stream, int32_t chunk, const char** error) {
  std::vector<uint8_t> out;
  std::vector<uint8_t> piece(static_cast<size_t>(chunk));
  *error = nullptr;
  for (;;) {
    int32_t count = chunk;
    *error = stream.read(piece.data(), &count);
    out.insert(out.end(), piece.begin(), piece.begin() + count);
    if (*error || count == 0) return out;
  }
}

TEST(InflateStreamTest, PlainReadOf32768BytesStartsBufferedThenGoesDirect) {
  MemorySource source{SampleBytes(32768)};
  InflateStream stream;
  ASSERT_EQ(stream.begin(MemorySource::Serve, &source, 0, 0), nullptr);
  ASSERT_EQ(stream.set_mode(InflateStream::Automatic, 0), nullptr);
  EXPECT_FALSE(stream.deflating()) << "plain data must be copied";

  std::vector<uint8_t> image(32768);
  int32_t count = 32768;
  ASSERT_EQ(stream.read(image.data(), &count), nullptr);
  EXPECT_EQ(count, 32768);
  EXPECT_EQ(image, source.bytes);
  ASSERT_EQ(source.requests.size(), 2u) << "expected one buffered fetch and one direct read";
  EXPECT_EQ(source.requests[0], std::make_pair(size_t{0}, 4096));
  EXPECT_EQ(source.requests[1], std::make_pair(size_t{4096}, 28672));
}

TEST(InflateStreamTest, SmallCopyReadsFetchFromAlignedPositions) {
  MemorySource source{SampleBytes(50000)};
  InflateStream stream;
  ASSERT_EQ(stream.begin(MemorySource::Serve, &source, 0, 0), nullptr);
  ASSERT_EQ(stream.set_mode(InflateStream::Copy, 0), nullptr);
  const char* error;
  const auto out = ReadAll(stream, 1000, &error);
  EXPECT_EQ(error, nullptr);
  EXPECT_EQ(out, source.bytes);
  for (const auto& [position, count] : source.requests)
    EXPECT_EQ(position % 4096, 0u) << "a source read started at " << position << " for " << count;
  int32_t count = 10;
  uint8_t more[10];
  EXPECT_EQ(stream.read(more, &count), nullptr);
  EXPECT_EQ(count, 0) << "an exhausted stream delivers nothing";
}

TEST(InflateStreamTest, SkipDropsBufferedBytesBeforeCopying) {
  MemorySource source{SampleBytes(300)};
  InflateStream stream;
  ASSERT_EQ(stream.begin(MemorySource::Serve, &source, 0, 0), nullptr);
  ASSERT_EQ(stream.set_mode(InflateStream::Copy, 100), nullptr);
  std::vector<uint8_t> out(200);
  int32_t count = 200;
  ASSERT_EQ(stream.read(out.data(), &count), nullptr);
  EXPECT_EQ(count, 200);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), source.bytes.begin() + 100));
}

TEST(InflateStreamTest, RawDeflateInflatesAcrossManyRefills) {
  const auto data = SampleBytes(200000, 7);
  MemorySource source{RawDeflate(data)};
  InflateStream stream;
  ASSERT_EQ(stream.begin(MemorySource::Serve, &source, 16384, 8192), nullptr);
  ASSERT_EQ(stream.set_mode(InflateStream::RawDeflate, 0), nullptr);
  EXPECT_TRUE(stream.deflating());
  const char* error;
  EXPECT_EQ(ReadAll(stream, 3001, &error), data);
  EXPECT_EQ(error, nullptr);
  EXPECT_TRUE(stream.ended()) << "the stream ends with the deflate data";
}

TEST(InflateStreamTest, TruncatedDeflateDataIsCorruptOnceTheSourceRunsDry) {
  const auto data = SampleBytes(100000, 3);
  auto compressed = RawDeflate(data);
  compressed.resize(compressed.size() / 2);
  MemorySource source{compressed};
  InflateStream stream;
  ASSERT_EQ(stream.begin(MemorySource::Serve, &source, 0, 0), nullptr);
  ASSERT_EQ(stream.set_mode(InflateStream::RawDeflate, 0), nullptr);
  std::vector<uint8_t> out(data.size());
  int32_t count = static_cast<int32_t>(out.size());
  EXPECT_STREQ(stream.read(out.data(), &count), "Corrupt zip file");
  EXPECT_LT(count, static_cast<int32_t>(data.size()));
}

TEST(InflateStreamTest, DamagedDeflateDataIsCorrupt) {
  MemorySource source{std::vector<uint8_t>(64, 0xFF)};  // block type 3 does not exist
  InflateStream stream;
  ASSERT_EQ(stream.begin(MemorySource::Serve, &source, 0, 0), nullptr);
  ASSERT_EQ(stream.set_mode(InflateStream::RawDeflate, 0), nullptr);
  uint8_t out[64];
  int32_t count = 64;
  EXPECT_STREQ(stream.read(out, &count), "Corrupt zip file");
}

TEST(InflateStreamTest, SkipBeyondTheBufferedBytesIsRefused) {
  MemorySource source{SampleBytes(50)};
  InflateStream stream;
  ASSERT_EQ(stream.begin(MemorySource::Serve, &source, 0, 0), nullptr);
  EXPECT_STREQ(stream.set_mode(InflateStream::Copy, 51), "Corrupt zip file");
  uint8_t out[8];
  int32_t count = 8;
  EXPECT_EQ(stream.read(out, &count), nullptr);
  EXPECT_EQ(count, 0) << "a stream whose mode failed delivers nothing";
}

TEST(ZlibErrorTextTest, NamesCodesAndNeverIndexesPastZlibsTable) {
  EXPECT_STREQ(zlib_error_text(Z_MEM_ERROR), "Out of memory");
  EXPECT_STREQ(zlib_error_text(Z_DATA_ERROR), "Corrupt zip file");
  EXPECT_STREQ(zlib_error_text(Z_STREAM_ERROR), zError(Z_STREAM_ERROR));
  EXPECT_STREQ(zlib_error_text(Z_VERSION_ERROR), zError(Z_VERSION_ERROR));
  EXPECT_STREQ(zlib_error_text(-100), "Zip error");
  EXPECT_STREQ(zlib_error_text(42), "Zip error");
}

// --- GzipReader over real files --------------------------------------------------

class GzipReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeTempDir("gzip_reader"); }
  void Open(const std::vector<uint8_t>& bytes) {
    const std::string path = dir_ + "/file.gz";
    WriteFileBytes(path, bytes);
    ASSERT_EQ(file_.open(path.c_str()), nullptr);
    ASSERT_EQ(gzip_.open(&file_), nullptr);
  }
  std::string dir_;
  FileReader file_;
  GzipReader gzip_;
};

TEST_F(GzipReaderTest, InflatesAGzipFileAndKnowsItsLengthFromTheTrailer) {
  const auto data = SampleBytes(70000, 5);
  Open(Gzip(data));
  EXPECT_TRUE(gzip_.inflating());
  EXPECT_EQ(gzip_.remain(), 70000);
  std::vector<uint8_t> out(data.size());
  ASSERT_EQ(gzip_.read(out.data(), 70000), nullptr);
  EXPECT_EQ(out, data);
  EXPECT_EQ(gzip_.remain(), 0);
  uint8_t more;
  EXPECT_EQ(gzip_.read_avail(&more, 1), 0);
}

TEST_F(GzipReaderTest, PlainFileIsCopiedWithTheFileLength) {
  const auto data = SampleBytes(20000, 9);
  Open(data);
  EXPECT_FALSE(gzip_.inflating());
  EXPECT_EQ(gzip_.remain(), 20000);
  std::vector<uint8_t> out(data.size());
  ASSERT_EQ(gzip_.read(out.data(), 20000), nullptr);
  EXPECT_EQ(out, data);
}

TEST_F(GzipReaderTest, FileUnder18BytesStartingWithTheGzipSignatureIsCopied) {
  const std::vector<uint8_t> data{0x1F, 0x8B, 8, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
  Open(data);
  EXPECT_FALSE(gzip_.inflating()) << "17 bytes cannot be a gzip file";
  EXPECT_EQ(gzip_.remain(), 17);
  std::vector<uint8_t> out(17);
  ASSERT_EQ(gzip_.read(out.data(), 17), nullptr);
  EXPECT_EQ(out, data);
}

TEST_F(GzipReaderTest, TrailerSmallerThanTheContentIsCorrupt) {
  const auto data = SampleBytes(10000, 11);
  auto gz = Gzip(data);
  Put32(gz, gz.size() - 4, 6000);
  Open(gz);
  EXPECT_EQ(gzip_.remain(), 6000);
  std::vector<uint8_t> out(8000);
  EXPECT_STREQ(gzip_.read(out.data(), 8000), "Corrupt zip file") << "reading past the claimed length";
  EXPECT_EQ(gzip_.delivered(), 6000);
}

TEST_F(GzipReaderTest, ReadingExactlyAnUnderstatedLengthIsStillCorrupt) {
  const auto data = SampleBytes(10000, 11);
  auto gz = Gzip(data);
  Put32(gz, gz.size() - 4, 6000);
  Open(gz);
  std::vector<uint8_t> out(6000);
  EXPECT_STREQ(gzip_.read(out.data(), gzip_.remain()), "Corrupt zip file")
      << "the whole claimed image came but the data goes on: the image would be cut short";
}

TEST_F(GzipReaderTest, TrailerLargerThanTheContentEndsEarly) {
  const auto data = SampleBytes(5000, 13);
  auto gz = Gzip(data);
  Put32(gz, gz.size() - 4, 9000);
  Open(gz);
  std::vector<uint8_t> out(9000);
  EXPECT_NE(gzip_.read(out.data(), gzip_.remain()), nullptr);
}

TEST_F(GzipReaderTest, DamagedCrcIsCorrupt) {
  const auto data = SampleBytes(5000, 17);
  auto gz = Gzip(data);
  gz[gz.size() - 8] ^= 0x55;
  Open(gz);
  std::vector<uint8_t> out(5000);
  EXPECT_STREQ(gzip_.read(out.data(), gzip_.remain()), "Corrupt zip file");
}

TEST_F(GzipReaderTest, TruncatedGzipFileIsCorrupt) {
  const auto data = SampleBytes(60000, 19);
  auto gz = Gzip(data);
  gz.resize(gz.size() / 2);
  Put32(gz, gz.size() - 4, 60000);  // the cut file still claims the whole length
  Open(gz);
  ASSERT_EQ(gzip_.remain(), 60000);
  std::vector<uint8_t> out(60000);
  EXPECT_STREQ(gzip_.read(out.data(), 60000), "Corrupt zip file");
}

TEST_F(GzipReaderTest, HugeTrailerClaimStaysPositive) {
  auto gz = Gzip(SampleBytes(100));
  Put32(gz, gz.size() - 4, 0xFFFFFFF0u);
  Open(gz);
  EXPECT_EQ(gzip_.remain(), INT32_MAX) << "a claim past 2 GiB must read as huge, not negative";
}

TEST_F(GzipReaderTest, ClosedReaderDeliversNothing) {
  Open(SampleBytes(100));
  gzip_.close();
  uint8_t byte;
  EXPECT_EQ(gzip_.read_avail(&byte, 1), -1);
  EXPECT_STREQ(gzip_.read(&byte, 1), "Unexpected end of file");
  EXPECT_EQ(gzip_.remain(), 0);
}

}  // namespace

// Choosing the archive kind, the entry points, and ZIP archives: the walk
// over the catalog, stored and deflated members, CRC checks and damaged files.
#include "archive/archive_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "archive/archive.h"
#include "archive/archive_files.h"
#include "archive/zip_archive.h"
#include "support/run.h"

namespace {

using namespace archive_files;

class ArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = MakeTempDir(std::string("archive_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override { close_archive(reader_); }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = dir_ + "/" + name;
    WriteFileBytes(path, bytes);
    return path;
  }
  // Opens the file; the error text, or null when it opened.
  const char* Open(const std::string& path) {
    close_archive(reader_);
    const char* error = "not set";
    reader_ = open_archive(path.c_str(), &error);
    EXPECT_EQ(reader_ == nullptr, error != nullptr) << "a reader comes back exactly when no error does";
    return error;
  }
  // Reads the whole current entry in one read.
  std::vector<uint8_t> ReadWhole(const char** error) {
    std::vector<uint8_t> out(static_cast<size_t>(entry_size(reader_)));
    *error = read_entry(reader_, out.data(), static_cast<long>(out.size()));
    return out;
  }
  std::vector<uint8_t> ReadInChunks(long chunk, const char** error) {
    const long size = entry_size(reader_);
    std::vector<uint8_t> out(static_cast<size_t>(size));
    *error = nullptr;
    for (long at = 0; at < size && !*error; at += chunk) {
      const long n = size - at < chunk ? size - at : chunk;
      *error = read_entry(reader_, out.data() + at, n);
    }
    return out;
  }

  std::string dir_;
  ArchiveReader* reader_ = nullptr;
};

// --- Kinds ---------------------------------------------------------------------------

TEST(ArchiveKindTest, LookupGoesByTheLastExtensionInAnyCase) {
  EXPECT_STREQ(lookup_archive_type("game.zip")->extension, "ZIP");
  EXPECT_STREQ(lookup_archive_type("dir/Game.ZiP")->extension, "ZIP");
  EXPECT_STREQ(lookup_archive_type("game.gb.gz")->extension, "GZ");
  EXPECT_STREQ(lookup_archive_type("game.zip.gb")->extension, "") << "only the last extension counts";
  EXPECT_STREQ(lookup_archive_type("game.gbc")->extension, "");
  EXPECT_STREQ(lookup_archive_type("zip")->extension, "ZIP") << "a name without a dot is its own extension";
  EXPECT_STREQ(lookup_archive_type("game.zipzip")->extension, "") << "six or more characters count as none";
  EXPECT_EQ(lookup_archive_type("x.7z")->create, lookup_archive_type("x.gb")->create);
}

TEST(ArchiveKindTest, SignatureNamesCountMissingBytesAsZero) {
  const uint8_t zip[] = {'P', 'K', 3, 4}, empty_zip[] = {'P', 'K', 5, 6}, seven[] = {0x37, 0x7A, 0xBC, 0xAF},
                rar[] = {'R', 'a', 'r', '!'}, old_rar[] = {0x52, 0x45, 0x7E, 0x5E}, gz[] = {0x1F, 0x8B},
                local_only[] = {'P', 'K', 3};
  EXPECT_STREQ(signature_name(zip, 4), "ZIP");
  EXPECT_STREQ(signature_name(empty_zip, 4), "ZIP");
  EXPECT_STREQ(signature_name(seven, 4), "7Z");
  EXPECT_STREQ(signature_name(rar, 4), "RAR");
  EXPECT_STREQ(signature_name(old_rar, 4), "RAR");
  EXPECT_STREQ(signature_name(gz, 2), "GZ");
  EXPECT_STREQ(signature_name(local_only, 3), "") << "PK 03 00 is no signature";
  EXPECT_STREQ(signature_name(zip, 0), "");
}

TEST_F(ArchiveTest, IdentifyTrustsAZipOrGzNameWithoutOpeningTheFile) {
  const char* error = "not set";
  const ArchiveType* type = identify_file((dir_ + "/absent.ZIP").c_str(), &error);
  ASSERT_NE(type, nullptr);
  EXPECT_STREQ(type->extension, "ZIP");
  EXPECT_EQ(error, nullptr);
  type = identify_file((dir_ + "/absent.gz").c_str(), &error);
  ASSERT_NE(type, nullptr);
  EXPECT_STREQ(type->extension, "GZ");
}

TEST_F(ArchiveTest, IdentifyLooksAtTheBytesOfOtherNames) {
  const auto zip = MakeZip({{"rom.gb", SampleBytes(100)}}).bytes;
  const char* error = nullptr;
  EXPECT_STREQ(identify_file(Write("zip.gb", zip).c_str(), &error)->extension, "ZIP");
  EXPECT_STREQ(identify_file(Write("zip", zip).c_str(), &error)->extension, "ZIP");
  EXPECT_STREQ(identify_file(Write("gzip.gbc", Gzip(SampleBytes(100))).c_str(), &error)->extension, "GZ");
  EXPECT_STREQ(identify_file(Write("plain.gb", SampleBytes(100)).c_str(), &error)->extension, "");
  EXPECT_STREQ(identify_file(Write("seven.gb", {0x37, 0x7A, 0xBC, 0xAF, 0x27}).c_str(), &error)->extension, "")
      << "7-Zip files are read as plain files";
  EXPECT_STREQ(identify_file(Write("one.gb", {'P'}).c_str(), &error)->extension, "");
  EXPECT_EQ(identify_file((dir_ + "/absent.gb").c_str(), &error), nullptr);
  EXPECT_STREQ(error, "Couldn't open file");
}

// --- Plain and gzip files -------------------------------------------------------------

TEST_F(ArchiveTest, PlainAndGzipFilesAreOneEntryEach) {
  const auto data = SampleBytes(40000, 21);
  for (const auto& [name, bytes] : {std::make_pair("rom.gb", data), std::make_pair("rom.gb.gz", Gzip(data)),
                                    std::make_pair("hidden.gb", Gzip(data))}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(Open(Write(name, bytes)), nullptr);
    EXPECT_TRUE(entry_present(reader_));
    EXPECT_EQ(entry_size(reader_), 40000);
    EXPECT_STREQ(reader_->entry_name, "rom.gb" == std::string(name) || "rom.gb.gz" == std::string(name)
                                          ? "rom.gb"
                                          : "hidden.gb");
    const char* error;
    EXPECT_EQ(ReadInChunks(7777, &error), data);
    EXPECT_EQ(error, nullptr);
    EXPECT_EQ(reader_->remain(), 0);
    EXPECT_STREQ(read_entry(reader_, nullptr, 1), "Unexpected end of file");
  }
}

TEST_F(ArchiveTest, SingleFileRewindDeliversFromTheStartAndNextEndsIt) {
  const auto data = SampleBytes(20000, 22);
  ASSERT_EQ(Open(Write("rom.gz", Gzip(data))), nullptr);
  const char* error;
  ReadInChunks(5000, &error);
  ASSERT_EQ(error, nullptr);
  ASSERT_EQ(reader_->rewind(), nullptr);
  EXPECT_EQ(entry_size(reader_), 20000);
  EXPECT_EQ(ReadWhole(&error), data);
  EXPECT_EQ(error, nullptr);
  ASSERT_EQ(reader_->next(), nullptr);
  EXPECT_FALSE(entry_present(reader_));
}

TEST_F(ArchiveTest, MissingFileFailsWithNothingOpen) {
  EXPECT_STREQ(Open(dir_ + "/absent.gb"), "Couldn't open file");
  EXPECT_STREQ(Open(dir_ + "/absent.zip"), "Couldn't open file");
}

// --- ZIP archives -----------------------------------------------------------------------

TEST_F(ArchiveTest, ZipStandsOnItsFirstEntryStoredOrDeflated) {
  const auto data = SampleBytes(50000, 23);
  for (int method : {0, 8}) {
    SCOPED_TRACE(method);
    ASSERT_EQ(Open(Write("rom.zip", MakeZip({{"game.gb", data, method}, {"other.gb", SampleBytes(10)}}).bytes)),
              nullptr);
    EXPECT_STREQ(reader_->type->extension, "ZIP");
    EXPECT_STREQ(reader_->entry_name, "game.gb");
    EXPECT_EQ(reader_->entry_dos_time, 0x5A2B1C00u);
    EXPECT_EQ(entry_size(reader_), 50000);
    const char* error;
    EXPECT_EQ(ReadWhole(&error), data);
    EXPECT_EQ(error, nullptr);
    ASSERT_EQ(reader_->rewind(), nullptr);
    EXPECT_EQ(ReadInChunks(3333, &error), data) << "chunked reads give the same bytes";
    EXPECT_EQ(error, nullptr);
  }
}

TEST_F(ArchiveTest, ZipNamedLikeACartridgeIsFoundByItsBytes) {
  const auto data = SampleBytes(1000, 24);
  ASSERT_EQ(Open(Write("game.gb", MakeZip({{"inner.gb", data}}).bytes)), nullptr);
  EXPECT_STREQ(reader_->type->extension, "ZIP");
  const char* error;
  EXPECT_EQ(ReadWhole(&error), data);
  EXPECT_EQ(error, nullptr);
}

TEST_F(ArchiveTest, ZipWalksPastDirectoriesAndTakesAnEmptyFile) {
  const auto data = SampleBytes(3000, 25);
  ASSERT_EQ(Open(Write("dirs.zip", MakeZip({{"roms/", {}, 0}, {"roms\\old\\", {}, 0}, {"roms/game.gb", data}})
                                       .bytes)),
            nullptr);
  EXPECT_STREQ(reader_->entry_name, "roms/game.gb");
  const char* error;
  EXPECT_EQ(ReadWhole(&error), data);

  ASSERT_EQ(Open(Write("empty.zip", MakeZip({{"dir/", {}, 0}, {"empty.gb", {}, 0}, {"game.gb", data}}).bytes)),
            nullptr);
  EXPECT_TRUE(entry_present(reader_));
  EXPECT_STREQ(reader_->entry_name, "empty.gb") << "a file entry of size 0 is still a file";
  EXPECT_EQ(entry_size(reader_), 0);
  EXPECT_EQ(read_entry(reader_, nullptr, 0), nullptr);
}

TEST_F(ArchiveTest, ZipWithoutFileEntriesOpensStandingOnNothing) {
  for (const auto& members : {std::vector<Member>{}, std::vector<Member>{{"a/", {}, 0}, {"a/b/", {}, 0}}}) {
    SCOPED_TRACE(members.size());
    ASSERT_EQ(Open(Write("nothing.zip", MakeZip(members).bytes)), nullptr);
    EXPECT_FALSE(entry_present(reader_));
    EXPECT_TRUE(reader_->done);
    EXPECT_EQ(entry_size(reader_), 0);
    EXPECT_STREQ(read_entry(reader_, nullptr, 1), "Unexpected end of file");
    EXPECT_EQ(read_entry(reader_, nullptr, 0), nullptr) << "a read of nothing succeeds even without an entry";
  }
}

TEST_F(ArchiveTest, NextAndRewindWalkTheEntriesAndKeepTheNames) {
  const auto first = SampleBytes(2000, 26), second = SampleBytes(3000, 27);
  ASSERT_EQ(Open(Write("two.zip", MakeZip({{"first.gb", first}, {"dir/", {}, 0}, {"second.gb", second, 0}}).bytes)),
            nullptr);
  ASSERT_EQ(reader_->next(), nullptr);
  EXPECT_STREQ(reader_->entry_name, "second.gb");
  const char* error;
  EXPECT_EQ(ReadWhole(&error), second);
  EXPECT_EQ(error, nullptr);
  ASSERT_EQ(reader_->next(), nullptr);
  EXPECT_FALSE(entry_present(reader_));
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_EQ(reader_->rewind(), nullptr);
    EXPECT_STREQ(reader_->entry_name, "first.gb") << "names ended in place must survive another walk";
    EXPECT_EQ(ReadWhole(&error), first);
    EXPECT_EQ(error, nullptr);
  }
}

TEST_F(ArchiveTest, ExtractCutsAtTheCapacityAndEntryDataHoldsTheWholeEntry) {
  const auto data = SampleBytes(9000, 28);
  ASSERT_EQ(Open(Write("x.zip", MakeZip({{"a.gb", data}}).bytes)), nullptr);
  std::vector<uint8_t> small(5000);
  ASSERT_EQ(reader_->extract(small.data(), 5000), nullptr) << "extraction into a buffer truncates";
  EXPECT_TRUE(std::equal(small.begin(), small.end(), data.begin()));
  ASSERT_EQ(reader_->rewind(), nullptr);
  const uint8_t* whole = nullptr;
  ASSERT_EQ(reader_->entry_data(&whole), nullptr);
  EXPECT_EQ(std::memcmp(whole, data.data(), data.size()), 0);
}

TEST_F(ArchiveTest, CommentOfAbout8KIsFoundAndAnEndRecordFurtherBackIsNot) {
  const auto data = SampleBytes(500, 29);
  ASSERT_EQ(Open(Write("comment.zip", MakeZip({{"a.gb", data}}, std::string(8170, 'c'), 20000).bytes)), nullptr);
  const char* error;
  EXPECT_EQ(ReadWhole(&error), data);
  EXPECT_EQ(error, nullptr);
  EXPECT_STREQ(Open(Write("far.zip", MakeZip({{"a.gb", data}}, std::string(12300, 'c'), 20000).bytes)),
               "Archive format not supported");
}

TEST_F(ArchiveTest, LongLocalExtraFieldPutsTheDataBeyondTheFirstFetch) {
  const auto data = SampleBytes(30000, 30);
  for (int method : {0, 8}) {
    SCOPED_TRACE(method);
    Member member{"far.gb", data, method};
    member.local_extra.assign(60000, 0);
    ASSERT_EQ(Open(Write("far.zip", MakeZip({member}, "", 5000).bytes)), nullptr);
    const char* error;
    EXPECT_EQ(ReadWhole(&error), data);
    EXPECT_EQ(error, nullptr);
    ASSERT_EQ(reader_->rewind(), nullptr);
    EXPECT_EQ(ReadInChunks(1000, &error), data);
    EXPECT_EQ(error, nullptr);
  }
}

TEST_F(ArchiveTest, LocalCrcOfZeroDefersToTheDirectory) {
  const auto data = SampleBytes(4000, 31);
  Member member{"a.gb", data};
  member.crc_only_in_directory = true;
  ASSERT_EQ(Open(Write("stream.zip", MakeZip({member}).bytes)), nullptr);
  const char* error;
  EXPECT_EQ(ReadWhole(&error), data);
  EXPECT_EQ(error, nullptr);
}

TEST_F(ArchiveTest, StoredEntryWithAWrongCrcFailsOnTheReadThatCompletesIt) {
  const auto data = SampleBytes(6000, 32);
  Zip zip = MakeZip({{"a.gb", data, 0}});
  Put32(zip.bytes, zip.local[0] + LocalCrc, Crc(data) ^ 1);
  ASSERT_EQ(Open(Write("crc.zip", zip.bytes)), nullptr);
  std::vector<uint8_t> out(6000);
  EXPECT_EQ(read_entry(reader_, out.data(), 4000), nullptr) << "the CRC is only known at the end";
  EXPECT_STREQ(read_entry(reader_, out.data() + 4000, 2000), "Corrupt zip file");
  EXPECT_EQ(out, data) << "the bytes are delivered before the check";
}

TEST_F(ArchiveTest, DeflatedEntryWithAWrongCrcFails) {
  const auto data = SampleBytes(6000, 33);
  Zip zip = MakeZip({{"a.gb", data}});
  Put32(zip.bytes, zip.local[0] + LocalCrc, 0);
  Put32(zip.bytes, zip.central[0] + CentralCrc, Crc(data) + 1);
  ASSERT_EQ(Open(Write("crc.zip", zip.bytes)), nullptr);
  const char* error;
  ReadWhole(&error);
  EXPECT_STREQ(error, "Corrupt zip file");
}

TEST_F(ArchiveTest, UnknownMethodOrNewerVersionIsUnsupported) {
  const auto data = SampleBytes(100, 34);
  Zip bzip = MakeZip({{"a.gb", data}});
  Put16(bzip.bytes, bzip.central[0] + Method, 12);
  Zip newer = MakeZip({{"a.gb", data}});
  Put16(newer.bytes, newer.central[0] + VersionNeeded, 45);
  for (const auto& bytes : {bzip.bytes, newer.bytes}) {
    ASSERT_EQ(Open(Write("new.zip", bytes)), nullptr);
    const char* error;
    ReadWhole(&error);
    EXPECT_STREQ(error, "Unsupported zip file compression");
  }
}

TEST_F(ArchiveTest, TooShortOrSignaturelessZipIsNotSupported) {
  EXPECT_STREQ(Open(Write("short.zip", SampleBytes(21))), "Archive format not supported");
  EXPECT_STREQ(Open(Write("plain.zip", SampleBytes(5000))), "Archive format not supported");
  Zip zip = MakeZip({{"a.gb", SampleBytes(10)}});
  zip.bytes[zip.directory + 2] = 9;  // the directory no longer starts with a header
  EXPECT_STREQ(Open(Write("odd.zip", zip.bytes)), "Corrupt zip file");
}

// Every length and offset a ZIP file gives is checked before it is used.
TEST_F(ArchiveTest, DamagedOffsetsAndLengthsAreCorrupt) {
  const auto data = SampleBytes(3000, 35);
  struct Damage {
    const char* what;
    bool on_open;  // found while walking the catalog, else when the entry starts
    void (*apply)(Zip&);
  };
  const Damage damages[] = {
      {"directory offset past the end record", true,
       [](Zip& z) { Put32(z.bytes, z.end_record + DirectoryOffset, static_cast<uint32_t>(z.end_record + 1)); }},
      {"directory offset near 4 GiB", true, [](Zip& z) { Put32(z.bytes, z.end_record + DirectoryOffset, 0xFFFFFFF0u); }},
      {"name running past the catalog", true, [](Zip& z) { Put16(z.bytes, z.central[0] + NameLength, 0xFFFF); }},
      {"extra field running past the catalog", true,
       [](Zip& z) { Put16(z.bytes, z.central[0] + ExtraLength, 200); }},
      {"comment running into the end record", true,
       [](Zip& z) { Put16(z.bytes, z.central[0] + CommentLength, 5); }},
      {"local header beyond the file", false,
       [](Zip& z) { Put32(z.bytes, z.central[0] + LocalOffset, static_cast<uint32_t>(z.bytes.size() + 100)); }},
      {"local header offset that overflows", false,
       [](Zip& z) { Put32(z.bytes, z.central[0] + LocalOffset, 0xFFFFFFF0u); }},
      {"local header inside the directory", false,
       [](Zip& z) { Put32(z.bytes, z.central[0] + LocalOffset, static_cast<uint32_t>(z.directory)); }},
      {"no local header at the offset", false, [](Zip& z) { Put32(z.bytes, z.central[0] + LocalOffset, 1); }},
      {"compressed size past the directory", false,
       [](Zip& z) { Put32(z.bytes, z.central[0] + CompressedSize, static_cast<uint32_t>(z.directory)); }},
      {"compressed size near 4 GiB", false,
       [](Zip& z) { Put32(z.bytes, z.central[0] + CompressedSize, 0xFFFFFFFFu); }},
      {"local name running past the data", false,
       [](Zip& z) { Put16(z.bytes, z.local[0] + LocalNameLength, 0xFFFF); }},
      {"local extra running past the data", false,
       [](Zip& z) { Put16(z.bytes, z.local[0] + LocalExtraLength, 0xFFFF); }},
      {"stored sizes that disagree", false, [](Zip& z) {
         Put16(z.bytes, z.central[0] + Method, 0);
         Put32(z.bytes, z.central[0] + Size, 3000);
       }},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    Zip zip = MakeZip({{"a.gb", data}});
    damage.apply(zip);
    const char* error = Open(Write("damaged.zip", zip.bytes));
    if (damage.on_open) {
      EXPECT_STREQ(error, "Corrupt zip file");
      continue;
    }
    ASSERT_EQ(error, nullptr);
    std::vector<uint8_t> out(static_cast<size_t>(entry_size(reader_)));
    EXPECT_STREQ(read_entry(reader_, out.data(), static_cast<long>(out.size())), "Corrupt zip file");
  }
}

TEST_F(ArchiveTest, HugeClaimedEntrySizeStaysPositive) {
  Zip zip = MakeZip({{"a.gb", SampleBytes(100, 36)}});
  Put32(zip.bytes, zip.central[0] + Size, 0xFFFFFF00u);
  ASSERT_EQ(Open(Write("huge.zip", zip.bytes)), nullptr);
  EXPECT_EQ(entry_size(reader_), 0x7FFFFFFF) << "a size past 2 GiB must read as huge, not negative";
}

TEST_F(ArchiveTest, ZipMadeByTheZipToolReadsLikeTheOriginal) {
  const auto data = SampleBytes(70000, 37);
  WriteFileBytes(dir_ + "/game.gb", data);
  ASSERT_EQ(RunCommand({"mkdir", "-p", "a_dir"}, dir_).exit_code, 0);
  const RunResult zipped = RunCommand({"sh", "-c", "echo 'a comment' | zip -q -z -9 tool.zip a_dir game.gb"}, dir_);
  ASSERT_EQ(zipped.exit_code, 0) << zipped.err;
  ASSERT_EQ(Open(dir_ + "/tool.zip"), nullptr);
  EXPECT_STREQ(reader_->entry_name, "game.gb");
  const char* error;
  EXPECT_EQ(ReadWhole(&error), data);
  EXPECT_EQ(error, nullptr);
}

}  // namespace

// Whole-file replacement and the bounded reader; the writer thread that
// runs them away from the frames.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "shell/atomic_file.h"
#include "shell/writer_thread.h"
#include "support/run.h"

namespace fs = std::filesystem;

namespace {

int TemporaryFiles(const std::string& dir) {
  int n = 0;
  for (const auto& entry : fs::directory_iterator(dir)) n += entry.path().extension() == ".tmp";
  return n;
}

}  // namespace

TEST(AtomicFile, ReplacesKeepingTheOldAsBakAndOnFailureLeavesNoTrace) {
  const std::string dir = MakeTempDir("atomic-file");
  const std::string path = dir + "/game.sav";
  std::string error;
  bool kept = true;
  ASSERT_TRUE(ReplaceFile(path, {1, 2, 3}, true, &error, &kept)) << error;
  EXPECT_FALSE(kept) << "nothing there to keep";
  ASSERT_TRUE(ReplaceFile(path, {4, 5}, true, &error, &kept)) << error;
  EXPECT_TRUE(kept);
  EXPECT_EQ(ReadFileBytes(path), (std::vector<uint8_t>{4, 5}));
  EXPECT_EQ(ReadFileBytes(path + ".bak"), (std::vector<uint8_t>{1, 2, 3})) << "the old file, kept";

  // The final rename cannot happen (the target is a folder with a file in
  // it): the folder is as it was, no temporary file stays, the reason is given.
  fs::create_directories(dir + "/taken");
  WriteFileBytes(dir + "/taken/inside", {9});
  EXPECT_FALSE(ReplaceFile(dir + "/taken", {6}, false, &error));
  EXPECT_NE(error.find("cannot rename the new file"), std::string::npos) << error;
  EXPECT_EQ(ReadFileBytes(dir + "/taken/inside"), (std::vector<uint8_t>{9}));
  EXPECT_FALSE(ReplaceFile(dir + "/gone/game.sav", {6}, false, &error));
  EXPECT_EQ(TemporaryFiles(dir), 0);
}

TEST(AtomicFile, ReadsAtMostTheLimitFromAnyFile) {
  std::vector<uint8_t> bytes;
  FileRead read = ReadWholeFile("/dev/zero", 1000, bytes, false);
  EXPECT_TRUE(read.too_large);
  EXPECT_EQ(bytes.size(), 1000u);
  EXPECT_EQ(ReadWholeFile("/dev/zero", 1000, bytes).error, EINVAL) << "not a regular file";
  EXPECT_EQ(ReadWholeFile("/", 1000, bytes).error, EISDIR);
  const std::string path = MakeTempDir("atomic-read") + "/f";
  WriteFileBytes(path, std::vector<uint8_t>(1000, 7));
  read = ReadWholeFile(path, 1000, bytes);
  EXPECT_FALSE(read.too_large) << "exactly the limit";
  EXPECT_EQ(read.size, 1000);
}

// A slow disk: the frame that asks for a write goes on at once; the end of
// the run waits for it, and the outcomes come back in order.
TEST(WriterThread, AskingDoesNotWaitForTheDiskButTheEndDoes) {
  using Clock = std::chrono::steady_clock;
  WriterThread writer;
  std::vector<int> told;
  const auto slow = [](std::string* error) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    *error = "disk full";
    return false;
  };
  const auto start = Clock::now();
  writer.submit(slow, [&](bool ok, const std::string& error) { told.push_back(ok ? 1 : error == "disk full" ? 2 : 0); });
  writer.submit([](std::string*) { return true; }, [&](bool ok, const std::string&) { told.push_back(ok ? 3 : 0); });
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
  writer.finish_done();
  EXPECT_TRUE(told.empty()) << "nothing has finished yet";
  EXPECT_EQ(writer.outstanding(), 2u);
  writer.drain();
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(300));
  EXPECT_EQ(told, (std::vector<int>{2, 3}));
  EXPECT_EQ(writer.outstanding(), 0u);
}

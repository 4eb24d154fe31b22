// Save states and rewinding as a user meets them: a run resumed from a
// state goes on exactly as the run that saved it, bad state files are
// refused, F2/F3/F4 and Backspace in a real window.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "machine/machine.h"
#include "support/png.h"
#include "support/run.h"
#include "support/window_session.h"
#include "support/xvfb.h"

namespace {

constexpr size_t WavHeader = 44;
constexpr size_t BlockBytes = 2048 * 2;  // the sound is handed off in blocks of 2048 16-bit values
constexpr size_t TraceLine = 95;

struct ScriptLine {
  long frame;
  const char* buttons;
};

// Buttons that take the games through their title screens into play, the
// same for every cartridge: a game ignores what it does not use.
const ScriptLine Buttons[] = {{0, "-"},       {50, "start"},   {56, "-"},       {90, "a"},       {96, "-"},
                              {130, "start"}, {136, "-"},      {170, "right"},  {260, "right+a"}, {270, "left"},
                              {340, "a"},     {346, "up"},     {380, "down+b"}, {420, "b"},       {426, "left+a"},
                              {470, "-"},     {520, "select"}, {530, "right"},  {600, "-"}};

void WriteText(const std::string& path, const std::string& text) {
  WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// The script as a run that starts at frame `from` of this one sees it.
std::string ScriptFrom(long from) {
  std::string text;
  for (size_t i = 0; i < std::size(Buttons); i++) {
    const bool last_before = i + 1 == std::size(Buttons) || Buttons[i + 1].frame > from;
    if (Buttons[i].frame < from && !last_before) continue;
    text += std::to_string(std::max(0L, Buttons[i].frame - from)) + " " + Buttons[i].buttons + "\n";
  }
  return text;
}

std::vector<uint8_t> Tail(const std::vector<uint8_t>& bytes, size_t from) {
  return from <= bytes.size() ? std::vector<uint8_t>(bytes.begin() + static_cast<long>(from), bytes.end())
                              : std::vector<uint8_t>();
}

void ExpectSamePicture(const std::string& expected, const std::string& actual, const std::string& what) {
  RgbImage a, b;
  std::string error;
  ASSERT_TRUE(ReadPng(expected, a, error)) << what << ": " << error;
  ASSERT_TRUE(ReadPng(actual, b, error)) << what << ": " << error;
  EXPECT_EQ(ComparePictures(a, b), "") << what;
}

}  // namespace

// Each cartridge runs Total frames with scripted buttons, writing states at
// two frames k. A second run loads each state and runs to the same end with
// the script from k on: its pictures (one in the middle, the last), its
// vram.bin and its sound are those of the first run from k on, byte for
// byte. The sound goes out in whole blocks, so the second run's capture is
// the first's from a block boundary on: it starts with the samples that
// were waiting in the state.
TEST(SaveState, AResumedRunGoesOnExactlyAsTheRunThatSavedIt) {
  const std::string cartridges[] = {
      RomPath("homebrew/unbricked.gb"),      RomPath("homebrew/geometrix.gbc"),
      RomPath("homebrew/shocklobster.gb"),   RomPath("homebrew/libbet.gb"),
      RomPath("cpu_instrs/cpu_instrs.gb"),   RomPath("cgb_sound/cgb_sound.gb"),
      RomPath("acid2/cgb-acid2.gbc"),
  };
  constexpr long Total = 700;
  constexpr long Picture = 40;  // frames after k: a picture in the middle of the second run
  for (const std::string& cartridge : cartridges) {
    const std::string name = std::filesystem::path(cartridge).stem();
    SCOPED_TRACE(name);
    const std::string dir = MakeTempDir("state-exact-" + name);
    const std::string rom = CopyCartridgeInto(cartridge, dir);
    std::filesystem::create_directory(dir + "/first");
    WriteText(dir + "/first/keys.txt", ScriptFrom(0));
    const long ks[] = {150, 433};
    std::vector<std::string> args = {"--headless", "--no-save", "--colour", "--frames", std::to_string(Total),
                                     "--input", "keys.txt", "--screenshot", "end.png", "--wav", "sound.wav"};
    for (long k : ks) {
      args.insert(args.end(), {"--save-state-at", std::to_string(k) + ":at" + std::to_string(k) + ".st",
                               "--screenshot-at", std::to_string(k + Picture) + ":at" + std::to_string(k + Picture) + ".png"});
    }
    args.push_back(rom);
    RunResult first = RunPellix(args, dir + "/first");
    ASSERT_EQ(first.exit_code, 0) << first.err;
    const std::vector<uint8_t> sound = ReadFileBytes(dir + "/first/sound.wav");

    for (long k : ks) {
      SCOPED_TRACE("from frame " + std::to_string(k));
      const std::string run = dir + "/from" + std::to_string(k);
      std::filesystem::create_directory(run);
      WriteText(run + "/keys.txt", ScriptFrom(k));
      RunResult second = RunPellix({"--headless", "--no-save", "--colour", "--load-state",
                                    dir + "/first/at" + std::to_string(k) + ".st", "--frames",
                                    std::to_string(Total - k), "--input", "keys.txt", "--screenshot", "end.png",
                                    "--screenshot-at", std::to_string(Picture) + ":middle.png", "--wav", "sound.wav",
                                    rom},
                                   run);
      ASSERT_EQ(second.exit_code, 0) << second.err;
      ExpectSamePicture(dir + "/first/at" + std::to_string(k + Picture) + ".png", run + "/middle.png",
                        "the picture " + std::to_string(Picture) + " frames on");
      EXPECT_EQ(ReadFileBytes(run + "/end.png"), ReadFileBytes(dir + "/first/end.png")) << "the last picture";
      EXPECT_EQ(ReadFileBytes(run + "/vram.bin"), ReadFileBytes(dir + "/first/vram.bin")) << "vram.bin";

      const std::vector<uint8_t> resumed = Tail(ReadFileBytes(run + "/sound.wav"), WavHeader);
      const std::vector<uint8_t> whole = Tail(sound, WavHeader);
      // All but the last unfinished block of the frames after k.
      const size_t expected = static_cast<size_t>(Total - k) * 22050 / 60 * 4;
      ASSERT_GE(resumed.size() + 2 * BlockBytes, expected) << "the sound of the frames after the load";
      ASSERT_LE(resumed.size(), whole.size());
      EXPECT_EQ((whole.size() - resumed.size()) % BlockBytes, 0u) << "the first run's blocks from one on";
      EXPECT_TRUE(Tail(whole, whole.size() - resumed.size()) == resumed)
          << "the sound after the load is the first run's, sample for sample";
    }
  }
}

// The trace of a resumed run is the trace of the first run from the load
// on, line for line.
TEST(SaveState, TheTraceOfAResumedRunIsTheTailOfTheFirst) {
  const std::string dir = MakeTempDir("state-trace");
  const std::string cartridge = RomPath("homebrew/unbricked.gb");
  std::filesystem::create_directory(dir + "/first");
  std::filesystem::create_directory(dir + "/second");
  RunResult first = RunPellix(
      {"--headless", "--no-save", "--trace", "--frames", "12", "--save-state-at", "8:at8.st", cartridge},
      dir + "/first");
  ASSERT_EQ(first.exit_code, 0) << first.err;
  RunResult second = RunPellix({"--headless", "--no-save", "--trace", "--frames", "4", "--load-state",
                                dir + "/first/at8.st", cartridge},
                               dir + "/second");
  ASSERT_EQ(second.exit_code, 0) << second.err;
  const std::vector<uint8_t> whole = ReadFileBytes(dir + "/first/Trace.Log");
  const std::vector<uint8_t> resumed = ReadFileBytes(dir + "/second/Trace.Log");
  ASSERT_GT(resumed.size(), 1000 * TraceLine) << "four frames of instructions";
  ASSERT_LT(resumed.size(), whole.size());
  EXPECT_EQ(resumed.size() % TraceLine, 0u);
  EXPECT_TRUE(Tail(whole, whole.size() - resumed.size()) == resumed) << "the first run's last lines";
}

// Another cartridge's state, a newer format, a file cut short, random
// bytes: each a message naming the file and the reason, and exit 1 before
// the run starts (no vram.bin). A state that a run ends before is missing:
// exit 1 too.
TEST(SaveState, BadStateFilesAreRefusedWithTheirReasonAndExitOne) {
  const std::string dir = MakeTempDir("state-refusals-run");
  const std::string cartridge = RomPath("homebrew/libbet.gb");
  RunResult made = RunPellix({"--headless", "--no-save", "--frames", "30", "--save-state-at", "20:good.st",
                              "--save-state-at", "31:late.st", RomPath("homebrew/unbricked.gb")},
                             dir);
  EXPECT_EQ(made.exit_code, 1);
  EXPECT_NE(made.err.find("late.st: not written: the run ended after 30 frames, before frame 31"), std::string::npos)
      << made.err;
  RunResult ours = RunPellix({"--headless", "--no-save", "--frames", "30", "--save-state-at", "20:ours.st", cartridge},
                             dir);
  ASSERT_EQ(ours.exit_code, 0) << ours.err;

  std::vector<uint8_t> newer = ReadFileBytes(dir + "/ours.st");
  newer[8] = 99;
  WriteFileBytes(dir + "/newer.st", newer);
  const std::vector<uint8_t> good = ReadFileBytes(dir + "/ours.st");
  WriteFileBytes(dir + "/short.st", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2));
  std::vector<uint8_t> random(5000);
  for (size_t i = 0; i < random.size(); i++) random[i] = static_cast<uint8_t>(i * 7919 >> 3);
  WriteFileBytes(dir + "/random.st", random);

  const std::string newer_reason = "it has state format 99; this PELLIX reads format " + std::to_string(Machine::StateFormat());
  const std::pair<const char*, std::string> cases[] = {
      {"good.st", "it was saved from another cartridge"},
      {"newer.st", newer_reason},
      {"short.st", "the file is cut short (truncated)"},
      {"random.st", "not a PELLIX state file"},
  };
  for (const auto& [file, reason] : cases) {
    std::filesystem::remove(dir + "/vram.bin");
    RunResult r = RunPellix({"--headless", "--no-save", "--frames", "10", "--load-state", file, cartridge}, dir);
    EXPECT_EQ(r.exit_code, 1) << file << ": " << r.err;
    EXPECT_EQ(r.err, std::string("pellix: ") + file + ": cannot load the state: " + reason + "\n") << file;
    EXPECT_FALSE(FileExists(dir + "/vram.bin")) << file << ": the run must not start";
  }
  RunResult fine = RunPellix({"--headless", "--no-save", "--frames", "10", "--load-state", "ours.st", cartridge}, dir);
  EXPECT_EQ(fine.exit_code, 0) << fine.err;
  RunResult missing = RunPellix({"--headless", "--load-state", "none.st", cartridge}, dir);
  EXPECT_EQ(missing.exit_code, 2) << "a file that is not there is a mistake on the command line";
  EXPECT_NE(missing.err.find("none.st: no such state file"), std::string::npos) << missing.err;
}

namespace {

void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

// The window's picture below the notes in its top-left corner.
RgbImage BelowTheNotes(const RgbImage& image) {
  constexpr int Top = 48;
  RgbImage part;
  part.width = image.width;
  part.height = image.height > Top ? image.height - Top : 0;
  part.rgb.assign(image.rgb.begin() + static_cast<long>(Top) * image.width * 3, image.rgb.end());
  return part;
}

// The notes' text; scroll_on_a's greens never are white.
bool HasWhite(const RgbImage& image) { return HasColour(image, 0xFFFFFF); }

class SaveStateWindow : public WindowSession {
 protected:
  // scroll_on_a moves its picture only while A is held. It is copied into
  // the test's folder, where its slots then lie.
  void Start(std::vector<std::string> args) {
    ASSERT_TRUE(x.ok()) << "Xvfb did not start";
    std::filesystem::copy_file(TestRomPath("scroll_on_a"), dir + "/scroll_on_a.gb");
    args.push_back("scroll_on_a.gb");
    run = StartPellix(args, dir, x.env(), true);  // stdout and stderr in one log
    window = FindWindow(x, 20);
    ASSERT_FALSE(window.empty()) << DescribeRun(run, x);
    shown = window;
    ASSERT_TRUE(WaitForPicture(x, window, 20)) << "the information screen is drawn";
    Press("Return");
    Sleep(0.5);
  }
  void EndCleanly() {
    Press("Escape");
    int code = -1;
    ASSERT_TRUE(WaitForExit(run, 20, code)) << "the run must end";
    EXPECT_EQ(code, 0) << ReadErrors(run);
  }
};

}  // namespace

// F2 saves into slot 1, F4 brings the picture back after A moved it, F3
// steps to slot 2 (empty: "No state 2") and 3 (a bad file: refused, the
// game goes on as it was). Each key says what it did in the window and on
// the terminal, at once and in order in a log of both. With --no-rewind,
// Backspace leaves the picture alone.
TEST_F(SaveStateWindow, F2F3AndF4AsAPlayerPressesThem) {
  dir = MakeTempDir("state-keys");
  WriteText(dir + "/scroll_on_a.st3", "not a state at all");
  ASSERT_NO_FATAL_FAILURE(Start({"--no-save", "--no-rewind"}));
  const RgbImage saved = BelowTheNotes(Capture("start.png"));

  Press("F2");
  Sleep(0.3);
  EXPECT_TRUE(HasWhite(Capture("saved.png"))) << "a note says what happened";
  EXPECT_TRUE(FileExists(dir + "/scroll_on_a.st1")) << ReadErrors(run);
  EXPECT_NE(ReadOutput(run).find("saved state 1 in scroll_on_a.st1"), std::string::npos) << ReadOutput(run);

  Press("x", 0.5);  // A: the picture moves
  Sleep(0.2);
  const RgbImage moved = BelowTheNotes(Capture("moved.png"));
  ASSERT_NE(ComparePictures(saved, moved), "") << "A moves the picture";

  Press("F4");
  Sleep(0.4);
  EXPECT_EQ(ComparePictures(saved, BelowTheNotes(Capture("loaded.png"))), "") << "F4: the picture of the state";
  EXPECT_NE(ReadOutput(run).find("loaded state 1 from scroll_on_a.st1"), std::string::npos) << ReadOutput(run);

  Press("F3");
  Sleep(0.2);
  EXPECT_EQ(ReadText(Capture("slot-2.png"), 4, 4, 13), "Slot 2: empty");
  Press("F4");
  Sleep(0.3);
  EXPECT_NE(ReadOutput(run).find("state slot 2: empty"), std::string::npos) << ReadOutput(run);
  EXPECT_NE(ReadOutput(run).find("no state 2"), std::string::npos) << ReadOutput(run);
  EXPECT_EQ(ComparePictures(saved, BelowTheNotes(Capture("empty-slot.png"))), "") << "nothing changes";

  Press("x", 0.5);
  Sleep(0.2);
  const RgbImage before = BelowTheNotes(Capture("before-refusal.png"));
  Press("F3");
  Sleep(0.2);
  Press("F4");
  Sleep(0.3);
  EXPECT_NE(ReadErrors(run).find("scroll_on_a.st3: cannot load the state: not a PELLIX state file"),
            std::string::npos)
      << ReadErrors(run);
  EXPECT_EQ(ComparePictures(before, BelowTheNotes(Capture("refused.png"))), "") << "the game goes on as it was";
  Press("x", 0.5);
  Sleep(0.2);
  EXPECT_NE(ComparePictures(before, BelowTheNotes(Capture("still-playing.png"))), "") << "and still plays";

  // Shift+F3 steps back: slot 1 holds the state F2 wrote, at its file's time.
  Press("shift+F3");
  Press("shift+F3");
  Sleep(0.2);
  struct stat st;
  ASSERT_EQ(stat((dir + "/scroll_on_a.st1").c_str(), &st), 0);
  char written[8];
  std::strftime(written, sizeof written, "%H:%M", std::localtime(&st.st_mtime));
  EXPECT_EQ(ReadText(Capture("slot-1.png"), 4, 4, 13), std::string("Slot 1: ") + written);

  Sleep(2.5);
  const RgbImage last = Capture("no-note.png");
  EXPECT_FALSE(HasWhite(last)) << "the notes go after a while";
  Press("BackSpace", 3.5);  // with snapshots this would go back to before A moved the picture
  Sleep(0.2);
  EXPECT_EQ(ComparePictures(BelowTheNotes(last), BelowTheNotes(Capture("no-rewind.png"))), "")
      << "no snapshots, nothing to go back to";
  ASSERT_NO_FATAL_FAILURE(EndCleanly());
  const std::string log = ReadOutput(run);
  EXPECT_LT(log.find("no state 2"), log.find("st3: cannot load")) << log;
  EXPECT_LT(log.find("st3: cannot load"), log.find("state slot 1: saved")) << log;
}

// F2 and F4 in one frame (here one key for both) load the state just
// taken, before its file is written.
TEST_F(SaveStateWindow, SaveAndLoadInOneFrameLoadTheNewState) {
  dir = MakeTempDir("state-same-frame");
  WriteText(dir + "/keys.cfg", "[keys]\nload_state = F2\n");
  ASSERT_NO_FATAL_FAILURE(Start({"--no-save", "--config", "keys.cfg"}));
  Press("F2");  // into the empty slot 1
  Press("x", 0.5);
  Sleep(0.2);
  const RgbImage moved = BelowTheNotes(Capture("moved.png"));
  Press("F2");
  Sleep(0.4);
  EXPECT_EQ(ComparePictures(moved, BelowTheNotes(Capture("reloaded.png"))), "") << "not the first F2's state";
  ASSERT_NO_FATAL_FAILURE(EndCleanly());
  EXPECT_EQ(ReadOutput(run).find("no state 1"), std::string::npos) << ReadOutput(run);
}

// With A held by a script the picture moves every frame, and --screenshot-at
// keeps the picture of every frame. A second of Backspace brings back the
// picture of about a second (60 frames) before it was pressed.
TEST_F(SaveStateWindow, HoldingBackspaceForASecondGoesBackASecond) {
  dir = MakeTempDir("state-rewind");
  WriteText(dir + "/keys.txt", "0 a\n");
  constexpr int References = 220;
  std::vector<std::string> args = {"--no-save", "--input", "keys.txt"};
  for (int f = 1; f <= References; f++) args.insert(args.end(), {"--screenshot-at", std::to_string(f) + ":f" + std::to_string(f) + ".png"});
  ASSERT_NO_FATAL_FAILURE(Start(args));
  Sleep(2.0);
  Press("p");
  Sleep(0.3);
  Press("F12");
  Sleep(0.3);
  Press("p");
  KeyDown("BackSpace");
  Sleep(1.0);
  KeyUp("BackSpace");
  Press("p");
  Sleep(0.3);
  Press("F12");
  Sleep(0.3);
  Press("p");
  Sleep(2.5);  // on past the last reference picture
  KeyDown("BackSpace");  // Escape, pressed for less than a frame, ends a rewind
  Sleep(0.3);
  RunCommand({"xdotool", "key", "Escape"}, "/tmp", 5, x.env());
  int code = -1;
  const bool ended = WaitForExit(run, 5, code);
  KeyUp("BackSpace");
  ASSERT_TRUE(ended) << "Escape during a rewind ends the run";
  EXPECT_EQ(code, 0) << ReadErrors(run);

  // The frame whose picture each F12 wrote: the first reference equal to it
  // (pictures after the rewind repeat earlier ones).
  auto frame_of = [&](const std::string& name) {
    const RgbImage shot = Load(name);
    for (int f = 1; f <= References; f++)
      if (ComparePictures(Load("f" + std::to_string(f) + ".png"), shot) == "") return f;
    return -1;
  };
  const int before = frame_of("pellix-scroll_on_a-1.png");
  const int after = frame_of("pellix-scroll_on_a-2.png");
  ASSERT_GT(before, 60) << "paused after two seconds of play";
  ASSERT_GT(after, 0) << "the picture after rewinding is one the run showed before";
  EXPECT_GE(before - after, 30) << "frames " << before << " and " << after;
  EXPECT_LE(before - after, 80) << "frames " << before << " and " << after;
}

#include "shell/test_runner.h"

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "shell/run_control.h"
#include "shell/run_control.h"

bool TestRunning = false;

namespace {

constexpr uint8_t StatusRunning = 0x80;
constexpr uint8_t StatusSignature[3] = {0xDE, 0xB0, 0x61};
constexpr size_t StatusTextOffset = 4;
constexpr int CartRamBankSize = 0x2000;
constexpr int CartRamSize = 0x20000;  // the most any cartridge has: 16 banks
constexpr int SmallCartRamSize = 0x800;  // RAM size code 1: 2 KiB
constexpr size_t MaxShownText = 1000;    // a longer text keeps its end

constexpr uint8_t PassPattern[6] = {3, 5, 8, 13, 21, 34};
constexpr uint8_t FailByte = 0x42;

Verdict Result = Verdict::None;
std::string ResultText;

std::string SerialText;
size_t SerialSearchFrom = 0;
size_t SerialWordAt = std::string::npos;  // where the verdict word stands, once seen
Verdict SerialWord = Verdict::None;
long SerialWordFrame = 0;

std::vector<uint8_t> RamAtStart;  // the cartridge RAM as the run began
std::vector<bool> SeenRunning;    // per bank: its block said "running" during this run

void Decide(Verdict verdict, std::string text) {
  if (Result != Verdict::None) return;
  Result = verdict;
  ResultText = std::move(text);
  QuitRequested = 1;
}

long MapWordFrame = -1;  // the frame a verdict word was first seen in the map

// The background map at 0x9800 as text, a line per row of 32 bytes, each
// byte the ASCII code its tile shows; other bytes as spaces.
std::string MapText() {
  constexpr int MapAt = 0x1800, Rows = 32, Columns = 32;
  std::string text;
  for (int row = 0; row < Rows; row++) {
    std::string line;
    for (int column = 0; column < Columns; column++) {
      const uint8_t c = TheMachine().VideoRam()[MapAt + row * Columns + column];
      line += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : ' ';
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  return text;
}

// A verdict word in the map that has stood there for a while (the line
// with the code may still be printing), or any at the end of the run.
void CheckMapVerdict(long frames_finished, bool at_end) {
  const std::string text = MapText();
  size_t at;
  const Verdict v = FindSerialVerdict(text, 0, at);
  if (v == Verdict::None) {
    MapWordFrame = -1;
    return;
  }
  if (MapWordFrame < 0) MapWordFrame = frames_finished;
  if (at_end || frames_finished - MapWordFrame >= SerialLineWaitFrames)
    Decide(v, v == Verdict::Failed ? OneLine(text) : "");
}

// LD B,B: the registers say whether the test is over and how it went.
void AtBreakpoint(void*) {
  const Registers r = TheMachine().CpuRegisters();
  const Verdict v = ReadBreakpoint(r.B, r.C, r.D, r.E, r.H, r.L);
  if (v == Verdict::None) return;
  char text[96];
  std::snprintf(text, sizeof text, "breakpoint (LD B,B) at 0x%04X with B, C, D, E, H and L all 0x42",
                static_cast<uint16_t>(r.PC - 1));
  Decide(v, v == Verdict::Failed ? text : "");
}

// The bytes a status block may take: its bank, or the 2 KiB of RAM there is.
size_t StatusBankBytes() { return TheMachine().Cartridge().ram_size_code == 1 ? SmallCartRamSize : CartRamBankSize; }

// The block at the start of the bank at this offset of the cartridge RAM.
// It counts once this run has written it: it said "running" at some frame,
// or it is no longer what the RAM held when the run began.
void CheckStatusBlock(int offset) {
  const uint8_t* bank = TheMachine().CartridgeRam() + offset;
  const size_t size = StatusBankBytes();
  const int index = offset / CartRamBankSize;
  if (bank[0] == StatusRunning) SeenRunning[index] = true;
  std::string text;
  const Verdict v = ReadStatusBlock(bank, size, text);
  if (v == Verdict::None) return;
  const size_t used = StatusTextOffset + text.size() + (StatusTextOffset + text.size() < size ? 1 : 0);
  if (!SeenRunning[index] && std::memcmp(bank, RamAtStart.data() + offset, used) == 0) return;
  if (v == Verdict::Failed && OneLine(text).empty()) {
    char code[32];
    std::snprintf(code, sizeof code, "result code %d", bank[0]);
    text = code;
  }
  Decide(v, text);
}

}  // namespace

Verdict ReadStatusBlock(const uint8_t* bank, size_t size, std::string& text) {
  text.clear();
  if (size < StatusTextOffset || std::memcmp(bank + 1, StatusSignature, sizeof StatusSignature) != 0) {
    return Verdict::None;
  }
  if (bank[0] == StatusRunning) return Verdict::None;
  for (size_t i = StatusTextOffset; i < size && bank[i]; i++) text += static_cast<char>(bank[i]);
  return bank[0] == 0 ? Verdict::Passed : Verdict::Failed;
}

Verdict ReadBreakpoint(uint8_t b, uint8_t c, uint8_t d, uint8_t e, uint8_t h, uint8_t l) {
  const uint8_t regs[6] = {b, c, d, e, h, l};
  if (std::memcmp(regs, PassPattern, sizeof regs) == 0) return Verdict::Passed;
  for (uint8_t r : regs)
    if (r != FailByte) return Verdict::None;
  return Verdict::Failed;
}

Verdict FindSerialVerdict(const std::string& text, size_t from, size_t& at) {
  const size_t passed = text.find("Passed", from);
  const size_t failed = text.find("Failed", from);
  at = passed < failed ? passed : failed;
  if (at == std::string::npos) return Verdict::None;
  return at == passed ? Verdict::Passed : Verdict::Failed;
}

std::string OneLine(const std::string& text) {
  std::string line;
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    const bool space = c < 0x20 || c == 0x7F || c == ' ';
    if (space) {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += ch;
    }
  }
  if (!line.empty() && line.back() == ' ') line.pop_back();
  if (line.size() > MaxShownText) line = "..." + line.substr(line.size() - MaxShownText);
  return line;
}

void StartTestRun() {
  TestRunning = true;
  Result = Verdict::None;
  ResultText.clear();
  SerialText.clear();
  SerialSearchFrom = 0;
  SerialWordAt = std::string::npos;
  SerialWord = Verdict::None;
  MapWordFrame = -1;
  RamAtStart.assign(TheMachine().CartridgeRam(), TheMachine().CartridgeRam() + CartRamSize);
  SeenRunning.assign(CartRamSize / CartRamBankSize, false);
  TheMachine().SetBreakpointHook(AtBreakpoint, nullptr);
}

void TestRunSerialByte(uint8_t byte) { SerialText += static_cast<char>(byte); }

void CheckTestVerdict(long frames_finished) {
  if (Result != Verdict::None) return;
  if (TheMachine().Cartridge().ram_size_code != 0) {
    CheckStatusBlock(0);
    const long mapped = TheMachine().ShownCartridgeRam();
    if (mapped > 0 && mapped < CartRamSize && mapped % CartRamBankSize == 0) {
      CheckStatusBlock(static_cast<int>(mapped));
    }
    if (Result != Verdict::None) return;
  }

  if (SerialWordAt == std::string::npos) {
    SerialWord = FindSerialVerdict(SerialText, SerialSearchFrom, SerialWordAt);
    // The next search starts where a word cut in two by this frame could begin.
    SerialSearchFrom = SerialText.size() >= 5 ? SerialText.size() - 5 : 0;
    SerialWordFrame = frames_finished;
  }
  if (SerialWordAt != std::string::npos &&
      (SerialText.find('\n', SerialWordAt) != std::string::npos ||
       frames_finished - SerialWordFrame >= SerialLineWaitFrames)) {
    Decide(SerialWord, SerialWord == Verdict::Failed ? OneLine(SerialText) : "");
  }
  if (Result == Verdict::None && SerialWordAt == std::string::npos) CheckMapVerdict(frames_finished, false);
}

int ReportTestResult(const char* cartridge, long frames_finished, bool processor_stopped) {
  // A verdict word whose line the run did not wait to see finished still counts.
  if (Result == Verdict::None && SerialWordAt == std::string::npos) {
    SerialWord = FindSerialVerdict(SerialText, SerialSearchFrom, SerialWordAt);
  }
  if (Result == Verdict::None && SerialWord != Verdict::None) {
    Result = SerialWord;
    ResultText = SerialWord == Verdict::Failed ? OneLine(SerialText) : "";
  }
  if (Result == Verdict::None && !processor_stopped) CheckMapVerdict(frames_finished, true);
  TheMachine().SetBreakpointHook(nullptr, nullptr);
  TestRunning = false;

  switch (Result) {
    case Verdict::Passed:
      std::printf("%s: passed\n", cartridge);
      return 0;
    case Verdict::Failed:
      std::printf("%s: failed: %s\n", cartridge, OneLine(ResultText).c_str());
      return 1;
    default:
      if (processor_stopped) {
        std::printf("%s: no verdict: the processor stopped on an unknown opcode after %ld frames\n", cartridge,
                    frames_finished);
        return 3;
      }
      std::printf("%s: no verdict after %ld frames\n", cartridge, frames_finished);
      return 4;
  }
}

#include "support/machine.h"

#include <chrono>
#include <cstring>

#include "cpu/cpu.h"
#include "support/run.h"

namespace {

int64_t SystemMillis() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

Console& TestConsole() {
  static Console* console = [] {
    Console* made = new Console;  // never destroyed: test files reach it until the program ends
    made->rtc.host_millis = SystemMillis;
    return made;
  }();
  return *console;
}

void ResetTestMachine(const std::vector<uint8_t>& image) {
  // What a run's front end holds, and the cartridge RAM that a reset keeps.
  m.trace.all = false;
  m.trace.key_held = false;
  std::memset(m.mem.cart_ram, 0, sizeof m.mem.cart_ram);
  m.lcd.frames_finished = 0;
  m.lcd.frame_ready = 0;
  m.lcd.frame_start_pending = 0;
  m.io.joypad_held = m.io.joypad_next_frame = 0;
  std::memset(m.renderer.picture, 0, sizeof m.renderer.picture);

  m.cart.mapper = 0;
  std::vector<uint8_t> rom = image;
  if (rom.size() < 0x8000) rom.resize(0x8000, 0);
  InstallCartridgeImage(m, rom.data(), static_cast<long>(rom.size()));
  ResetMachine(m);
}

void ResetWithCode(uint16_t address, const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> image(0x8000, 0);
  for (size_t i = 0; i < bytes.size(); i++) image[address + i] = bytes[i];
  ResetTestMachine(image);
}

std::vector<uint8_t> ColourImage() {
  std::vector<uint8_t> image(0x8000, 0);
  image[0x143] = 0x80;
  return image;
}

int LoadTestCartridgeFile(const std::string& path, const char** error, CartridgeLoad* load) {
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  return LoadCartridgeFromMemory(m, path.c_str(), bytes.data(), static_cast<long>(bytes.size()), error, load);
}

bool StartTestCartridge(const std::string& path) {
  ResetTestMachine();
  if (LoadTestCartridgeFile(path) != 0) return false;
  m.sound.set_sample_rate(DefaultSampleRate);
  ResetMachine(m);
  return true;
}

void RunFrames(long n) {
  const long end = m.lcd.frames_finished + n;
  int16_t samples[4096];
  while (m.lcd.frames_finished < end && RunFrame(m))
    while (m.sound.buffer.read_samples(samples, sizeof samples / sizeof samples[0]) > 0) {
    }
}

// Two consoles in one program, run a frame each in turn: a program outside
// PELLIX that includes only machine/machine.h and links the machine library.
//
//   g++ -std=c++17 -O2 -I PELLIX examples/side_by_side.cpp \
//       PELLIX/build/libpellix_machine.a -lz -lpthread -o side_by_side
//   ./side_by_side one.gb two.gbc 600 both.ppm
//
// It runs both cartridges for the frames given, pressing Start now and then,
// prints what each sent through its serial port and writes the two last
// pictures next to each other as a PPM image.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "machine/machine.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: side_by_side ROM1 ROM2 FRAMES PICTURE.ppm\n");
    return 2;
  }
  Machine consoles[2];
  for (int i = 0; i < 2; i++) {
    std::ifstream file(argv[1 + i], std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    std::string error;
    if (!file || !consoles[i].LoadCartridge(bytes.data(), bytes.size(), argv[1 + i], &error)) {
      std::fprintf(stderr, "%s: %s\n", argv[1 + i], file ? error.c_str() : "cannot be read");
      return 1;
    }
    consoles[i].ListenToSerial(true);
  }
  const long frames = std::atol(argv[3]);
  int16_t samples[2 * 4096];
  for (long frame = 0; frame < frames; frame++) {
    const uint8_t buttons = frame % 120 < 10 ? ButtonStart : 0;
    for (Machine& console : consoles) {
      console.RunFrame(buttons);
      console.TakeSamples(samples, 4096);  // a player would play them
    }
  }
  std::FILE* picture = std::fopen(argv[4], "wb");
  if (!picture) {
    std::perror(argv[4]);
    return 1;
  }
  std::fprintf(picture, "P6 %d %d 255\n", 2 * ScreenWidth, ScreenHeight);
  for (int y = 0; y < ScreenHeight; y++) {
    for (Machine& console : consoles) {
      for (int x = 0; x < ScreenWidth; x++) {
        uint8_t rgb[3];
        LookRgb(console.Picture()[y * ScreenWidth + x], true, rgb);
        std::fwrite(rgb, 1, 3, picture);
      }
    }
  }
  std::fclose(picture);
  for (Machine& console : consoles) {
    const std::vector<uint8_t> serial = console.TakeSerial();
    std::printf("%s: %zu serial bytes%s%.*s\n", console.Cartridge().title.c_str(), serial.size(),
                serial.empty() ? "" : "\n", static_cast<int>(serial.size()),
                reinterpret_cast<const char*>(serial.data()));
  }
  return 0;
}

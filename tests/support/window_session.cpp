#include "support/window_session.h"

#include <allegro.h>

#include <array>

#include "support/headless_allegro.h"
#include "support/run.h"

void WindowSession::KeyDown(const std::string& key) {
  RunCommand({"xdotool", "windowfocus", "--sync", window}, "/tmp", 5, x.env());
  RunCommand({"xdotool", "keydown", key}, "/tmp", 5, x.env());
}

void WindowSession::KeyUp(const std::string& key) { RunCommand({"xdotool", "keyup", key}, "/tmp", 5, x.env()); }

RgbImage WindowSession::Capture(const std::string& name) {
  RgbImage image;
  std::string error;
  EXPECT_TRUE(CaptureWindow(x, shown, dir + "/" + name)) << name;
  EXPECT_TRUE(ReadPng(dir + "/" + name, image, error)) << name << ": " << error;
  return image;
}

RgbImage WindowSession::Load(const std::string& name) {
  RgbImage image;
  std::string error;
  EXPECT_TRUE(ReadPng(dir + "/" + name, image, error)) << name << ": " << error;
  return image;
}

bool HasColour(const RgbImage& image, uint32_t colour) {
  for (int y = 0; y < image.height; y++)
    for (int x = 0; x < image.width; x++)
      if (image.at(x, y) == colour) return true;
  return false;
}

std::string ReadText(const RgbImage& shot, int x0, int y0, int columns, int dot) {
  EnsureHeadlessAllegro();
  static std::array<uint64_t, 127> glyphs{};
  if (!glyphs['A']) {
    BITMAP* scratch = create_bitmap_ex(16, 8, 8);
    for (int c = 32; c < 127; c++) {
      clear_to_color(scratch, 0);
      const char text[2] = {static_cast<char>(c), '\0'};
      textout_ex(scratch, font, text, 0, 0, 0xFFFF, -1);
      for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
          if (reinterpret_cast<uint16_t*>(scratch->line[y])[x]) glyphs[c] |= uint64_t{1} << (y * 8 + x);
    }
    destroy_bitmap(scratch);
  }
  std::string text;
  for (int column = 0; column < columns; column++) {
    uint64_t mask = 0;
    for (int y = 0; y < 8; y++)
      for (int x = 0; x < 8; x++)
        if (shot.at(x0 + (column * 8 + x) * dot, y0 + y * dot) != 0) mask |= uint64_t{1} << (y * 8 + x);
    char shown = mask ? '?' : ' ';
    for (int c = 32; c < 127 && mask; c++)
      if (glyphs[c] == mask) shown = static_cast<char>(c);
    text += shown;
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

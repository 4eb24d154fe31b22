#include "support/window_session.h"

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

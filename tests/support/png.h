// Reading PNG files in tests, and comparing pictures.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An 8-bit RGB picture, rows top to bottom, three bytes per pixel.
struct RgbImage {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;

  uint32_t at(int x, int y) const {  // 0xRRGGBB
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
  }
};

// Reads any PNG (palette, grey, alpha and 16-bit files are converted to
// 8-bit RGB). Returns false and sets error when the file cannot be read.
bool ReadPng(const std::string& path, RgbImage& image, std::string& error);

// Empty when the two pictures are equal; otherwise says how they differ
// (size, or the number of differing pixels and the first one).
std::string ComparePictures(const RgbImage& expected, const RgbImage& actual);

// The picture scaled up by a whole factor (nearest neighbour).
RgbImage ScaleUp(const RgbImage& image, int factor);

// The picture with each channel cut back to the bits of a 16-bit RGB565
// pixel. Two expansions of the same 16-bit picture (a PNG file, a window
// converted by the X server) may round differently in the low bits; cut
// back, they are equal.
RgbImage CutTo565(const RgbImage& image);

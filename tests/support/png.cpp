#include "support/png.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace {

// Kept free of objects with destructors: libpng reports errors by longjmp.
bool ReadRows(FILE* file, RgbImage* image, const char** error) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) {
    *error = "out of memory";
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    *error = "out of memory";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    *error = "not a readable PNG file";
    return false;
  }
  png_init_io(png, file);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_read_update_info(png, info);
  const int width = static_cast<int>(png_get_image_width(png, info));
  const int height = static_cast<int>(png_get_image_height(png, info));
  image->width = width;
  image->height = height;
  image->rgb.assign(static_cast<size_t>(width) * height * 3, 0);
  for (int pass = png_set_interlace_handling(png); pass > 0; pass--)
    for (int y = 0; y < height; y++) png_read_row(png, &image->rgb[static_cast<size_t>(y) * width * 3], nullptr);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

bool ReadPng(const std::string& path, RgbImage& image, std::string& error) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    error = "cannot open " + path;
    return false;
  }
  const char* message = nullptr;
  const bool ok = ReadRows(file, &image, &message);
  std::fclose(file);
  if (!ok) error = path + ": " + message;
  return ok;
}

std::string ComparePictures(const RgbImage& expected, const RgbImage& actual) {
  if (expected.width != actual.width || expected.height != actual.height)
    return "size " + std::to_string(actual.width) + "x" + std::to_string(actual.height) + ", expected " +
           std::to_string(expected.width) + "x" + std::to_string(expected.height);
  long differing = 0;
  std::string first;
  for (int y = 0; y < expected.height; y++)
    for (int x = 0; x < expected.width; x++)
      if (expected.at(x, y) != actual.at(x, y) && differing++ == 0) {
        char text[96];
        std::snprintf(text, sizeof text, "first at (%d, %d): 0x%06X, expected 0x%06X", x, y, actual.at(x, y),
                      expected.at(x, y));
        first = text;
      }
  if (differing == 0) return "";
  return std::to_string(differing) + " pixels differ, " + first;
}

RgbImage ScaleUp(const RgbImage& image, int factor) {
  RgbImage out;
  out.width = image.width * factor;
  out.height = image.height * factor;
  out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
  for (int y = 0; y < out.height; y++)
    for (int x = 0; x < out.width; x++)
      for (int c = 0; c < 3; c++)
        out.rgb[(static_cast<size_t>(y) * out.width + x) * 3 + c] =
            image.rgb[(static_cast<size_t>(y / factor) * image.width + x / factor) * 3 + c];
  return out;
}

RgbImage CutTo565(const RgbImage& image) {
  RgbImage out = image;
  for (size_t i = 0; i < out.rgb.size(); i += 3) {
    out.rgb[i] &= 0xF8;
    out.rgb[i + 1] &= 0xFC;
    out.rgb[i + 2] &= 0xF8;
  }
  return out;
}

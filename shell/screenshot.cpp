// The picture as a PNG file, written with libpng.
#include "shell/screenshot.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "shell/atomic_file.h"
#include "shell/display.h"
#include "shell/run_control.h"

namespace {

struct ScheduledShot {
  long frame;
  const char* path;
};

std::vector<ScheduledShot> Scheduled;  // in frame order
size_t NextShot = 0;
bool ShotFailed = false;

void AppendToBuffer(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

void NoFlush(png_structp) {}

// The rows are filled before libpng is called, and the bytes go into a
// buffer of the caller's, so that nothing with a destructor lives in this
// frame across libpng's longjmp.
bool EncodePng(std::vector<uint8_t>* out, png_bytep* rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, AppendToBuffer, NoFlush);
  png_set_IHDR(png, info, ScreenWidth, ScreenHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool SaveScreenshot(const char* path, std::string* error) {
  if (!path) return false;

  static uint8_t pixels[ScreenHeight][ScreenWidth * 3];
  static png_bytep rows[ScreenHeight];
  const uint16_t* picture = TheMachine().Picture();
  const bool true_colours = ShowsTrueColours();
  for (int y = 0; y < ScreenHeight; y++) {
    const uint16_t* line = picture + y * ScreenWidth;
    uint8_t* out = pixels[y];
    for (int x = 0; x < ScreenWidth; x++, out += 3) LookRgb(line[x], true_colours, out);
    rows[y] = pixels[y];
  }

  std::vector<uint8_t> png;
  if (EncodePng(&png, rows)) return ReplaceFile(path, png, false, error);
  if (error) *error = "cannot encode the picture";
  return false;
}

void ScheduleScreenshot(long frame, const char* path) {
  auto at = Scheduled.begin();
  while (at != Scheduled.end() && at->frame <= frame) ++at;
  Scheduled.insert(at, ScheduledShot{frame, path});
}

void TakeScheduledScreenshots(long frames_finished) {
  while (NextShot < Scheduled.size() && Scheduled[NextShot].frame <= frames_finished) {
    const ScheduledShot& shot = Scheduled[NextShot++];
    std::string error;
    if (!SaveScreenshot(shot.path, &error)) {
      std::fprintf(stderr, "pellix: %s: cannot write the screenshot (%s)\n", shot.path, error.c_str());
      ShotFailed = true;
    }
  }
}

bool ScheduledScreenshotsDone(long frames_finished) {
  for (size_t i = NextShot; i < Scheduled.size(); i++) {
    std::fprintf(stderr, "pellix: %s: not written: the run ended after %ld frames, before frame %ld\n",
                 Scheduled[i].path, frames_finished, Scheduled[i].frame);
  }
  return !ShotFailed && NextShot == Scheduled.size();
}

#include "debug/screen_text.h"

#include <allegro.h>

#include <array>
#include <stdexcept>

#include "debug/disassembler.h"
#include "shell/display.h"
#include "support/machine.h"

namespace {

constexpr int Cell = 8;
constexpr uint16_t Glyph = 0xFFFF;
constexpr int FirstChar = 32, LastChar = 126;

// One bit per pixel of an 8x8 cell, set where the pixel is white.
uint64_t CellMask(BITMAP* bitmap, int x0, int y0) {
  uint64_t mask = 0;
  for (int y = 0; y < Cell; y++) {
    const uint16_t* line = reinterpret_cast<const uint16_t*>(bitmap->line[y0 + y]);
    for (int x = 0; x < Cell; x++)
      if (line[x0 + x] == Glyph) mask |= uint64_t{1} << (y * Cell + x);
  }
  return mask;
}

// The masks of the printable characters, drawn once with the built-in font.
const std::array<uint64_t, LastChar + 1>& GlyphMasks() {
  static std::array<uint64_t, LastChar + 1> masks{};
  static bool made = false;
  if (!made) {
    EnsureHeadlessAllegro();
    BITMAP* scratch = create_bitmap_ex(16, Cell, Cell);
    for (int c = FirstChar; c <= LastChar; c++) {
      clear_to_color(scratch, 0);
      const char text[2] = {static_cast<char>(c), '\0'};
      textout_ex(scratch, font, text, 0, 0, Glyph, -1);
      masks[c] = CellMask(scratch, 0, 0);
    }
    destroy_bitmap(scratch);
    made = true;
  }
  return masks;
}

}  // namespace

std::string ReadCells(int column, int row, int count) {
  const auto& masks = GlyphMasks();
  std::string text;
  for (int i = 0; i < count; i++) {
    const int x = (column + i) * Cell, y = row * Cell;
    if (x + Cell > WorkBitmap->w || y + Cell > WorkBitmap->h) break;
    const uint64_t mask = CellMask(WorkBitmap, x, y);
    char shown = '?';
    if (mask == 0) {
      shown = ' ';
    } else {
      for (int c = FirstChar; c <= LastChar; c++)
        if (masks[c] == mask) {
          shown = static_cast<char>(c);
          break;
        }
    }
    text += shown;
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

void FillWorkBitmap(uint16_t colour) { clear_to_color(WorkBitmap, colour); }

int PixelsNotOf(uint16_t colour, int x0, int y0, int x1, int y1) {
  int count = 0;
  for (int y = y0; y < y1; y++) {
    const uint16_t* line = reinterpret_cast<const uint16_t*>(WorkBitmap->line[y]);
    for (int x = x0; x < x1; x++) count += line[x] != colour;
  }
  return count;
}

TraceCapture::TraceCapture() : file_(std::tmpfile()) {
  if (!file_) throw std::runtime_error("cannot create a temporary trace file");
  TraceFile = file_;
}

TraceCapture::~TraceCapture() {
  if (TraceFile == file_) TraceFile = nullptr;
  std::fclose(file_);
}

std::string TraceCapture::Contents() {
  std::fflush(file_);
  const long end = std::ftell(file_);
  std::string text(static_cast<size_t>(end), '\0');
  std::rewind(file_);
  const size_t got = std::fread(text.data(), 1, text.size(), file_);
  text.resize(got);
  std::fseek(file_, 0, SEEK_END);
  return text;
}

void TraceCapture::Clear() {
  std::fclose(file_);
  file_ = std::tmpfile();
  if (!file_) throw std::runtime_error("cannot create a temporary trace file");
  TraceFile = file_;
}

void ResetWithCode(uint16_t address, const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> image(0x8000, 0);
  for (size_t i = 0; i < bytes.size(); i++) image[address + i] = bytes[i];
  ResetTestMachine(image);
}

#include "debug/screen_text.h"

#include "debug/disassembler.h"
#include "debug/text.h"
#include "support/machine.h"

std::string ReadCells(int column, int row, int count) {
  std::string text;
  for (int i = column; i < column + count && i < TextColumns; i++) text += ScreenText.cells[row][i];
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string TraceCapture::text_;

TraceCapture::TraceCapture() {
  text_.clear();
  TraceSink = Take;
}

TraceCapture::~TraceCapture() { TraceSink = nullptr; }

void TraceCapture::Take(const char* line, size_t length) { text_.append(line, length); }

void ResetWithCode(uint16_t address, const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> image(0x8000, 0);
  for (size_t i = 0; i < bytes.size(); i++) image[address + i] = bytes[i];
  ResetTestMachine(image);
}

// Reading text back from the text screen, and capturing trace lines, for the
// tests of the text routines, the register display and the disassembler.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The characters of `count` cells of a text row starting at `column`.
// Trailing spaces are dropped.
std::string ReadCells(int column, int row, int count = 80);

// Takes the trace lines for its lifetime and hands back what has come.
class TraceCapture {
 public:
  TraceCapture();
  ~TraceCapture();
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  std::string Contents() const { return text_; }  // everything so far
  void Clear() { text_.clear(); }                  // starts afresh

 private:
  static void Take(const char* line, size_t length);
  static std::string text_;
};

// Resets the machine with an image that holds `bytes` at `address` (ROM).
void ResetWithCode(uint16_t address, const std::vector<uint8_t>& bytes);

// Capturing the trace lines the machine hands out, for the tests of the
// disassembler and the trace.
#pragma once
#include <string>

#include "support/machine.h"

// Takes the test console's trace lines for its lifetime and hands back what
// has come.
class TraceCapture {
 public:
  TraceCapture() {
    m.trace.sink = Take;
    m.trace.sink_context = &text_;
  }
  ~TraceCapture() { m.trace.sink = nullptr; }
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  std::string Contents() const { return text_; }  // everything so far
  void Clear() { text_.clear(); }                  // starts afresh

 private:
  static void Take(void* context, const char* line, size_t length) {
    static_cast<std::string*>(context)->append(line, length);
  }
  std::string text_;
};

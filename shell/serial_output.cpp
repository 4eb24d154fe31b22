#include "shell/serial_output.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "memory/serial.h"
#include "shell/test_runner.h"

namespace {

FILE* SerialFile = nullptr;
bool ToStdout = false;
bool Unflushed = false;      // bytes written since the last flush
uint8_t LastByte = '\n';     // the latest byte written; a newline before any
bool Watching = false;       // a test run reads the bytes too

void TakeSerialByte(uint8_t byte) {
  if (SerialFile) {
    std::fputc(byte, SerialFile);
    Unflushed = true;
    LastByte = byte;
  }
  if (Watching) TestRunSerialByte(byte);
}

}  // namespace

bool OpenSerialOutput(const char* path) {
  ToStdout = std::strcmp(path, "-") == 0;
  SerialFile = ToStdout ? stdout : std::fopen(path, "wb");
  return SerialFile != nullptr;
}

void ListenToSerial(bool test_run) {
  Watching = test_run;
  SerialSink = (SerialFile || Watching) ? TakeSerialByte : nullptr;
}

void FlushSerialOutput() {
  if (!Unflushed) return;
  std::fflush(SerialFile);
  Unflushed = false;
}

bool CloseSerialOutput(bool line_follows) {
  SerialSink = nullptr;
  if (!SerialFile) return true;
  if (ToStdout && line_follows && LastByte != '\n') std::fputc('\n', SerialFile);
  bool ok = std::fflush(SerialFile) == 0 && !std::ferror(SerialFile);
  if (!ToStdout) ok = std::fclose(SerialFile) == 0 && ok;
  SerialFile = nullptr;
  return ok;
}

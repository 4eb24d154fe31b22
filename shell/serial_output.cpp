#include "shell/serial_output.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "shell/run_control.h"
#include "shell/test_runner.h"

namespace {

FILE* SerialFile = nullptr;
bool ToStdout = false;
bool Unflushed = false;      // bytes written since the last flush
uint8_t LastByte = '\n';     // the latest byte written; a newline before any
bool Watching = false;       // a test run reads the bytes too
int WriteFailure = 0;        // errno of a failed write; nothing more is written then

void TakeSerialByte(uint8_t byte) {
  if (SerialFile && !WriteFailure) {
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
  TheMachine().ListenToSerial(SerialFile || Watching);
}

// A write that fails ends the run, which then writes its files as after
// Escape. When the reader went away (EPIPE: --serial - | head), the run
// ends as it would have had the reader asked it to.
void FlushSerialOutput() {
  for (uint8_t byte : TheMachine().TakeSerial()) TakeSerialByte(byte);
  if (!Unflushed) return;
  Unflushed = false;
  if (std::fflush(SerialFile) == 0 && !std::ferror(SerialFile)) return;
  WriteFailure = errno ? errno : EIO;
  QuitRequested = 1;
}

bool CloseSerialOutput(bool line_follows) {
  for (uint8_t byte : TheMachine().TakeSerial()) TakeSerialByte(byte);  // what the last, unfinished frame sent
  TheMachine().ListenToSerial(false);
  if (!SerialFile) return true;
  if (!WriteFailure && ToStdout && line_follows && LastByte != '\n') std::fputc('\n', SerialFile);
  bool ok = !WriteFailure && std::fflush(SerialFile) == 0 && !std::ferror(SerialFile);
  if (!ok && !WriteFailure) WriteFailure = errno ? errno : EIO;
  if (!ToStdout) ok = std::fclose(SerialFile) == 0 && ok;
  else std::clearerr(stdout);  // the program's own last line may still find a reader
  SerialFile = nullptr;
  const bool reader_gone = WriteFailure == EPIPE;
  WriteFailure = 0;
  return ok || reader_gone;
}

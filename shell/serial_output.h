// Where the bytes the cartridge sends through the serial port go: a file or
// standard output (--serial), and the test runner's watch for a verdict.
#pragma once

// Opens the destination of --serial ("-" is standard output). Returns
// false when the file cannot be opened for writing.
bool OpenSerialOutput(const char* path);

// Makes the machine keep the bytes it sends when anything wants them: an
// open output, or a test run.
void ListenToSerial(bool test_run);

// Once per frame: hands what the frame sent on to the file and the test
// runner, so that the output follows the run as it goes. A write that fails ends the run
// (QuitRequested); nothing more is written.
void FlushSerialOutput();

// At the end of the run: flushes and closes the file. When the program is
// about to print on standard output too (line_follows) and the cartridge's
// output went there, a last line the cartridge left open is ended first,
// so that the program's line stands on its own. Returns false when writing
// failed, but for a reader that went away: that run ended normally.
bool CloseSerialOutput(bool line_follows);

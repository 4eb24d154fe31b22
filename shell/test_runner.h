// The test-runner mode (--test): a cartridge that checks itself reports
// passed or failed, and the run ends with that verdict. Three ways of
// reporting are understood:
// - a status block in cartridge RAM at 0xA000: 0x80 while running, then the
//   result code (0 = passed); 0xDE 0xB0 0x61 at 0xA001-0xA003 mark the block
//   valid; a zero-terminated text follows from 0xA004;
// - the breakpoint opcode 0x40 (LD B,B): passed when B, C, D, E, H, L hold
//   3, 5, 8, 13, 21, 34, failed when all six hold 0x42;
// - the words "Passed" or "Failed" in the text sent through the serial port;
// - the same words in the background map at 0x9800 read as ASCII codes, as
//   cartridges that print with their font at the tiles of its codes leave
//   them (some print nowhere else), once they have stood there for
//   SerialLineWaitFrames frames or when the run ends.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

enum class Verdict { None, Passed, Failed };

// How long the serial text may take to finish the line that holds its
// verdict word (the failure code usually follows the word).
constexpr long SerialLineWaitFrames = 60;

extern bool TestRunning;  // set for the whole of a --test run

// The status block at the start of a bank of cartridge RAM: Verdict::None
// while it is missing or still running; otherwise the verdict, with the
// block's text in text.
Verdict ReadStatusBlock(const uint8_t* bank, size_t size, std::string& text);

// The registers at a breakpoint: Verdict::None for any other pattern.
Verdict ReadBreakpoint(uint8_t b, uint8_t c, uint8_t d, uint8_t e, uint8_t h, uint8_t l);

// The first "Passed" or "Failed" in the serial text at or after from, and
// where it stands (npos with Verdict::None when neither is there).
Verdict FindSerialVerdict(const std::string& text, size_t from, size_t& at);

// Text on one line: control characters become spaces, runs of spaces
// become one, and the ends are trimmed.
std::string OneLine(const std::string& text);

// Starts watching: the breakpoint opcode gets its check, and the cartridge
// RAM as the run starts is remembered, so that a status block left there
// by an earlier run (a save file) does not count as this run's verdict.
void StartTestRun();

// Each byte the cartridge sends through the serial port.
void TestRunSerialByte(uint8_t byte);

// Once per frame: looks for a verdict in the status block and the serial
// text. A verdict ends the run.
void CheckTestVerdict(long frames_finished);

// At the end of the run: prints the one line of the result on stdout and
// returns the exit code (0 passed, 1 failed, 4 no verdict, 3 when the
// processor stopped on an unknown opcode before any verdict).
int ReportTestResult(const char* cartridge, long frames_finished, bool processor_stopped);

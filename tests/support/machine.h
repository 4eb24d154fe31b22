// Putting the emulated machine into a known state for unit tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "machine/console.h"
#include "memory/cartridge.h"

// The console the unit tests run: one for the whole test program, its MBC3
// clock on the host's clock as a front end hands it in. Every test file
// reaches it as `m`, the name the machine's own functions give it.
Console& TestConsole();
inline Console& m = TestConsole();

// Clears every memory and register of the machine back to its program-start
// values, installs the image (padded to 32 KiB when shorter) and applies the
// post-boot reset. A default image is 32 KiB of zeros with no controller:
// a monochrome cartridge.
void ResetTestMachine(const std::vector<uint8_t>& image = {});

// Resets the machine with an image that holds `bytes` at `address` (ROM).
void ResetWithCode(uint16_t address, const std::vector<uint8_t>& bytes);

// 32 KiB of zeros marked for the colour model: the registers of its own
// mode answer.
std::vector<uint8_t> ColourImage();

// Loads a cartridge file into the test console as a front end does: its
// bytes, named by its path (which tells archives apart). 0, or 1 with the
// reason in *error.
int LoadTestCartridgeFile(const std::string& path, const char** error = nullptr, CartridgeLoad* load = nullptr);

// Loads a cartridge file as a run does (its sound at the program's rate)
// and resets the machine. False when it cannot be loaded.
bool StartTestCartridge(const std::string& path);

// Runs the machine as a front end does, taking the samples after each
// frame, until n more frames have finished (or the processor stops).
void RunFrames(long n);

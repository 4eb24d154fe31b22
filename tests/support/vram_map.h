// The background map at 0x9800 as test cartridges print into it: vram.bin
// bytes 0x1800-0x1BFF, 32 rows of 32 ASCII codes.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

// The 1024 map bytes as one string (empty when vram.bin is too short).
std::string MapBytes(const std::vector<uint8_t>& vram);

// The map as text for failure messages: one line per row that holds
// anything, non-printing codes shown as spaces.
std::string MapText(const std::vector<uint8_t>& vram);

// A carried test cartridge that prints its verdict into the map.
struct VerdictCartridge {
  const char* name;  // test name
  const char* path;  // under tests/cartridges
  int frames;        // about twice what the run needs here
};

// Test listings show the cartridge by its short name.
inline void PrintTo(const VerdictCartridge& cart, std::ostream* out) { *out << cart.name; }

// Where a cartridge's "Passed" is looked for: its background map in
// vram.bin, or the text it sends through the serial port. Cartridges that
// print while the LCD draws (their wait for V-blank runs out within half a
// frame in double speed) lose letters on the screen, as on the console.
enum class VerdictIn { Screen, Serial };

// Runs a test cartridge headless for `frames` frames in a new folder named
// after `folder`, and expects "Passed" where `where` says, and its map never
// to read "Failed" (the screen shown on failure).
void ExpectCartridgePrintsPassed(const std::string& rom, int frames, const std::string& folder,
                                 VerdictIn where = VerdictIn::Screen);

// The same cartridge through the test-runner mode, which reads its verdict
// and ends the run there: "passed" and exit code 0.
void ExpectTestModePasses(const std::string& rom, int frames, const std::string& folder);

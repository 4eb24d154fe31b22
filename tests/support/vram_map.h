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

// Runs a test cartridge headless for `frames` frames in a new folder named
// after `folder`, and expects its map in vram.bin to read "Passed" and never
// "Failed" (the screen shown on failure).
void ExpectCartridgePrintsPassed(const std::string& rom, int frames, const std::string& folder);

// Putting the emulated machine into a known state for unit tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Starts Allegro without a system driver (once per process) and creates the
// memory bitmaps, so that machine code that draws can run headless.
void EnsureHeadlessAllegro();

// Clears every memory and register of the machine back to its program-start
// values, installs the image (padded to 32 KiB when shorter) and applies the
// post-boot reset. A default image is 32 KiB of zeros with no controller:
// a monochrome cartridge.
void ResetTestMachine(const std::vector<uint8_t>& image = {});

// 32 KiB of zeros marked for the colour model: the registers of its own
// mode answer.
std::vector<uint8_t> ColourImage();

// Loads a cartridge file as a run does (its sound at the program's rate)
// and resets the machine. False when it cannot be loaded.
bool StartTestCartridge(const std::string& path);

// Runs the machine as the main loop does, the front end's work between
// frames included, until n more frames have finished (or the processor
// stops).
void RunFrames(long n);

// Putting the emulated machine into a known state for unit tests.
#pragma once
#include <cstdint>
#include <vector>

// Starts Allegro without a system driver (once per process) and creates the
// memory bitmaps, so that machine code that draws can run headless.
void EnsureHeadlessAllegro();

// Clears every memory and register of the machine back to its program-start
// values, installs the image (padded to 32 KiB when shorter) and applies the
// post-boot reset. A default image is 32 KiB of zeros with no controller.
void ResetTestMachine(const std::vector<uint8_t>& image = {});

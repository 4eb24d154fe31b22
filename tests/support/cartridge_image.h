// Cartridge images made in tests, with the header the console's start-up
// checks.
#pragma once
#include <cstdint>
#include <vector>

// Writes the logo at 0x104-0x133 and the right header checksum at 0x14D
// (after the other header bytes are set), so that PELLIX takes the image
// for a cartridge without a warning. The image must be at least 0x150
// bytes long.
void GiveValidHeader(std::vector<uint8_t>& image);

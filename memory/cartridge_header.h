// The cartridge header as the console's start-up and a player read it: the
// logo and the checksum the start-up checks, the title, the controller and
// the ROM size it announces.
#pragma once
#include <cstdint>
#include <string>

constexpr long HeaderEnd = 0x150;  // the header is 0x100-0x14F
constexpr long LogoAt = 0x104, LogoSize = 48;
constexpr long HeaderChecksumAt = 0x14D;

// The logo's bitmap as every cartridge carries it at 0x104-0x133.
extern const uint8_t HeaderLogo[LogoSize];

// What the console's start-up checks: the logo at 0x104-0x133, and the
// checksum at 0x14D of the bytes 0x134-0x14C (starting from 0, each byte
// and 1 more subtracted, the low 8 bits kept). A file shorter than the
// header passes neither.
struct HeaderCheck {
  bool logo = false;
  bool checksum = false;
  uint8_t stored = 0;    // the checksum byte the header holds
  uint8_t computed = 0;  // the one its bytes give
  // The console starts only with both right; a file with neither is no
  // cartridge at all, one with one of them wrong is a patched or
  // hand-made one.
  bool cartridge() const { return logo || checksum; }
};
HeaderCheck CheckHeader(const uint8_t* image, long size);

// The header checksum of the bytes 0x134-0x14C of an image at least
// HeaderEnd long.
uint8_t HeaderChecksum(const uint8_t* image);

// The title at 0x134: up to 16 characters (15 when 0x143 is a colour flag),
// up to the first byte that is not a printable character, without trailing
// spaces. Empty when there is none.
std::string HeaderTitle(const uint8_t* image, long size);

// The cartridge type (0x147) by name, as a player reads it:
// "MBC5 + RAM + battery"; "type 0xNN" for a type not known.
std::string ControllerName(uint8_t type);

// The ROM bytes the size code (0x148) announces; 0 for a code not known.
long HeaderRomBytes(uint8_t size_code);

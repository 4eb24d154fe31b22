// Loading the cartridge image and reading its header.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "memory/cartridge_header.h"

struct Console;

constexpr long MaxCartridgeSize = 8L * 1024 * 1024;  // the largest cartridge: 512 banks

struct Cartridge {
  // The image, padded to whole banks (malloc'd; the console's own).
  uint8_t* rom = nullptr;
  long rom_size = 0;
  uint8_t type = 0;           // header byte 0x147
  uint8_t mapper = 0;         // 0 none, 1 MBC1, 2 MBC2, 3 MBC3, 5 MBC5
  uint8_t rom_size_code = 0;  // header byte 0x148 as read
  uint8_t ram_size_code = 0;  // header byte 0x149, 1 for every MBC2 cartridge
  int max_bank = 0;           // mask applied to every ROM bank number
  // What the cartridge type and RAM size say about the board, for the bank
  // controller and the save file.
  bool supported = true;     // false: a controller PELLIX lacks; it runs as none
  bool has_battery = false;  // its RAM (and clock) survive power-off
  bool has_clock = false;    // MBC3 with the real-time clock
  bool has_rumble = false;   // MBC5 with the motor on RAM bank bit 3
  long ram_bytes = 0;        // bytes of cartridge RAM: 0, 512 (MBC2) or 2 KiB-128 KiB
  // The CRC-32 of the image as padded, worked out when it is put in: save
  // states name their cartridge by it.
  uint32_t crc = 0;
  // Header byte 0x143 bit 7: the cartridge uses the colour model (0x80
  // works on both consoles, 0xC0 on the colour one only). Read at every
  // reset.
  bool colour = false;

  Cartridge() = default;
  Cartridge(const Cartridge&) = delete;
  Cartridge& operator=(const Cartridge&) = delete;
  ~Cartridge();
};

// What loading found beside the image, for the front end to tell.
struct CartridgeLoad {
  HeaderCheck header;   // the loaded image's (a cartridge: one check at least passes)
  long size = 0;        // bytes the image has
  long announced = 0;   // ROM bytes its header announces; 0 for a size code not known
  std::string entry;    // the archive member loaded (the file's own name for a plain or gzip file)
  int cartridges = 0;   // the members of the file that are cartridges
  long missing() const { return announced > size ? announced - size : 0; }
  // One line for each thing about the file the console itself would object
  // to, and which member of an archive runs, for the front end to tell.
  std::vector<std::string> notes() const;
};

// Loads the image from a file's bytes: a plain image, a gzip file, or of a
// ZIP archive the first member that is a cartridge (the others are
// counted); the kind is told by the name's extension or by the bytes (name
// may be null). The bytes stay the caller's. A file whose header has
// neither the logo nor the right checksum is not a cartridge and is
// refused. Returns 0 on success, 1 on failure; on failure *error (when
// given) names the reason, on success *load (when given) says what was
// found.
int LoadCartridgeFromMemory(Console& m, const char* name, const uint8_t* data, long size, const char** error = nullptr,
                            CartridgeLoad* load = nullptr);
extern const char* const NotACartridgeText;  // "not a Game Boy cartridge (no valid header)"

// The loaded cartridge's title from its header (HeaderTitle).
std::string CartridgeTitle(Console& m);

// Takes over an image already in memory (tests and loading share this):
// pads it to whole banks and reads the header. Returns 0, or 1 when the
// image is too large or memory runs out.
int InstallCartridgeImage(Console& m, const uint8_t* data, long size, const char** error = nullptr);

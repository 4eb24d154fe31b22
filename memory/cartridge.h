// Loading the cartridge image and reading its header.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "memory/cartridge_header.h"

constexpr long MaxCartridgeSize = 8L * 1024 * 1024;  // the largest cartridge: 512 banks

extern uint8_t CartType;      // header byte 0x147
extern uint8_t CART_MAPPER;   // 0 none, 1 MBC1, 2 MBC2, 3 MBC3, 5 MBC5
extern uint8_t CART_ROMSIZE;  // header byte 0x148 as read
extern uint8_t CART_RAMSIZE;  // header byte 0x149, 1 for every MBC2 cartridge
extern int MAX_BANK;          // mask applied to every ROM bank number

// What the cartridge type and RAM size say about the board, for the bank
// controller and the save file.
extern bool CartTypeSupported;  // false: a controller PELLIX lacks; it runs as none
extern bool CartHasBattery;     // its RAM (and clock) survive power-off
extern bool CartHasClock;       // MBC3 with the real-time clock
extern bool CartHasRumble;      // MBC5 with the motor on RAM bank bit 3
extern long CartRamBytes;       // bytes of cartridge RAM: 0, 512 (MBC2) or 2 KiB-128 KiB
// The CRC-32 of the image as padded, worked out when it is put in: save
// states name their cartridge by it.
extern uint32_t CartImageCrc;

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

// Loads the image at the path: a plain or gzip file, or of a ZIP archive
// the first member that is a cartridge (the others are counted). A file
// whose header has neither the logo nor the right checksum is not a
// cartridge and is refused. Returns 0 on success, 1 on failure; on failure
// *error (when given) names the reason, on success *load (when given) says
// what was found.
int LoadCartridge(const char* path, const char** error = nullptr, CartridgeLoad* load = nullptr);
// The same for a file's bytes held in memory, its kind told by the name's
// extension or by the bytes (name may be null). The bytes stay the caller's.
int LoadCartridgeFromMemory(const char* name, const uint8_t* data, long size, const char** error = nullptr,
                            CartridgeLoad* load = nullptr);
extern const char* const NotACartridgeText;  // "not a Game Boy cartridge (no valid header)"

// The loaded cartridge's title from its header (HeaderTitle).
std::string CartridgeTitle();

// Takes over an image already in memory (tests and loading share this):
// pads it to whole banks and reads the header. Returns 0, or 1 when the
// image is too large or memory runs out.
int InstallCartridgeImage(const uint8_t* data, long size, const char** error = nullptr);

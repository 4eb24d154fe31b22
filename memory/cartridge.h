// Loading the cartridge image and reading its header.
#pragma once
#include <cstdint>

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

// Loads the image at the path. Returns 0 on success, 1 on failure; on failure
// *error (when given) names the reason.
int LoadCartridge(const char* path, const char** error = nullptr);

// The same for a file's bytes held in memory (a plain image, a gzip file or
// a ZIP archive), its kind told by the name's extension or by the bytes
// (name may be null). The bytes stay the caller's.
int LoadCartridgeFromMemory(const char* name, const uint8_t* data, long size, const char** error = nullptr);

// Takes over an image already in memory (tests and loading share this):
// pads it to whole banks and reads the header. Returns 0, or 1 when the
// image is too large or memory runs out.
int InstallCartridgeImage(const uint8_t* data, long size, const char** error = nullptr);

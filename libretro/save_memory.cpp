#include "libretro/save_memory.h"

#include <cstdint>
#include <cstring>

#include "libretro/front_end.h"
#include "libretro/game.h"
#include "memory/bank_controllers.h"
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "memory/cartridge.h"
#include "memory/machine.h"
#include "memory/mbc3_clock.h"

namespace {

// The clock as a save file's trailer (the layout PELLIX's own .sav files end
// with), and what the core last put there: bytes that differ were written
// by the front end.
uint8_t ClockBytes[Mbc3ClockSaveBytes];
uint8_t ClockBytesKept[Mbc3ClockSaveBytes];

constexpr int MonochromeBankBytes = 0x2000;  // 8 KiB of work RAM or video RAM without the colour model's banks
constexpr size_t AddressBits = 0xFFFF;       // the processor's 16-bit address space

// A mapping of `length` bytes at `start`: the addresses whose bits in
// `select` are those of `start`.
retro_memory_descriptor Region(uint64_t kind, void* memory, size_t start, size_t length, size_t select) {
  retro_memory_descriptor region{};
  region.flags = kind;
  region.ptr = memory;
  region.start = start;
  region.select = select;
  region.len = length;
  return region;
}

// The select of a region of a power of two of bytes: every address bit
// above it is fixed.
constexpr size_t Aligned(size_t length) { return AddressBits & ~(length - 1); }

retro_memory_descriptor Regions[6];

// Work RAM bank 0 at 0xC000 and the switchable bank as it stands after a
// reset (bank 1) at 0xD000, video RAM bank 0 at 0x8000, high RAM at 0xFF80
// with the interrupt enable register after it, and for a cartridge with a
// battery the first 8 KiB of its RAM at 0xA000. The first region that
// claims an address is the one that applies: IE comes before high RAM,
// whose 127 bytes cover the 128 addresses from 0xFF80 otherwise.
void SetMemoryMap() {
  constexpr size_t WorkBank = 0x1000, HighRamSpan = 0x80;
  unsigned n = 0;
  Regions[n++] = Region(RETRO_MEMDESC_SYSTEM_RAM, WorkRam, 0xC000, WorkBank, Aligned(WorkBank));
  Regions[n++] = Region(RETRO_MEMDESC_SYSTEM_RAM, WorkRam + WorkBank, 0xD000, WorkBank, Aligned(WorkBank));
  Regions[n++] = Region(RETRO_MEMDESC_VIDEO_RAM, VideoRam, 0x8000, MonochromeBankBytes, Aligned(MonochromeBankBytes));
  Regions[n++] = Region(0, &IE, 0xFFFF, 1, AddressBits);
  Regions[n++] = Region(RETRO_MEMDESC_SYSTEM_RAM, HighRam, 0xFF80, HighRamSize, Aligned(HighRamSpan));
  if (CartHasBattery && CartRamBytes >= MonochromeBankBytes)
    Regions[n++] = Region(RETRO_MEMDESC_SAVE_RAM, CartRam, 0xA000, MonochromeBankBytes, Aligned(MonochromeBankBytes));
  retro_memory_map map{Regions, n};
  Ask(RETRO_ENVIRONMENT_SET_MEMORY_MAPS, &map);
}

}  // namespace

void StartSaveMemory() {
  SetMemoryMap();
  bool achievements = true;  // the map is what achievement tools read
  Ask(RETRO_ENVIRONMENT_SET_SUPPORT_ACHIEVEMENTS, &achievements);
  KeepClockBytes();
}

// The front end loads a save file by writing the RAM where
// retro_get_memory_data points, after the game has loaded: small RAMs'
// mirrors and MBC2's fixed upper half-bytes must follow it. A clock trailer
// that is not the one the core wrote lets the clock run on by the time
// since it was saved, as the desktop program's save files do.
void TakeFrontEndWrites() {
  if (CartHasBattery) CartRamFilled();
  if (CartHasClock && std::memcmp(ClockBytes, ClockBytesKept, sizeof ClockBytes) != 0) {
    LoadMbc3Clock(ClockBytes, sizeof ClockBytes);
    KeepClockBytes();
  }
}

void KeepClockBytes() {
  if (!CartHasClock) return;
  SaveMbc3Clock(ClockBytes);
  std::memcpy(ClockBytesKept, ClockBytes, sizeof ClockBytes);
}

RETRO_API void* retro_get_memory_data(unsigned id) {
  if (!GameLoaded()) return nullptr;
  switch (id & RETRO_MEMORY_MASK) {
    case RETRO_MEMORY_SAVE_RAM: return CartHasBattery && CartRamBytes > 0 ? CartRam : nullptr;
    case RETRO_MEMORY_RTC: return CartHasClock ? ClockBytes : nullptr;
    case RETRO_MEMORY_SYSTEM_RAM: return WorkRam;
    case RETRO_MEMORY_VIDEO_RAM: return VideoRam;
    default: return nullptr;
  }
}

RETRO_API size_t retro_get_memory_size(unsigned id) {
  if (!GameLoaded()) return 0;
  switch (id & RETRO_MEMORY_MASK) {
    case RETRO_MEMORY_SAVE_RAM: return CartHasBattery ? static_cast<size_t>(CartRamBytes) : 0;
    case RETRO_MEMORY_RTC: return CartHasClock ? sizeof ClockBytes : 0;
    case RETRO_MEMORY_SYSTEM_RAM: return ColourCartridge ? WorkRamSize : MonochromeBankBytes;
    case RETRO_MEMORY_VIDEO_RAM: return ColourCartridge ? VideoRamSize : MonochromeBankBytes;
    default: return 0;
  }
}

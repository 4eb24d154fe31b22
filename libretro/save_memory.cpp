#include "libretro/save_memory.h"

#include <cstdint>
#include <cstring>

#include "libretro/front_end.h"
#include "libretro/game.h"

namespace {

// The clock as a save file's trailer (the layout PELLIX's own .sav files end
// with), and what the core last put there: bytes that differ were written
// by the front end.
uint8_t ClockBytes[Machine::ClockSaveBytes];
uint8_t ClockBytesKept[Machine::ClockSaveBytes];

constexpr int MonochromeBankBytes = 0x2000;  // 8 KiB of work RAM or video RAM without the colour model's banks
constexpr size_t WorkRamSize = 0x8000, VideoRamSize = 0x4000, HighRamSize = 127;
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
  Machine& machine = CoreMachine();
  uint8_t* work_ram = machine.WorkRam();
  uint8_t* video_ram = machine.VideoRam();
  unsigned n = 0;
  Regions[n++] = Region(RETRO_MEMDESC_SYSTEM_RAM, work_ram, 0xC000, WorkBank, Aligned(WorkBank));
  Regions[n++] = Region(RETRO_MEMDESC_SYSTEM_RAM, work_ram + WorkBank, 0xD000, WorkBank, Aligned(WorkBank));
  Regions[n++] = Region(RETRO_MEMDESC_VIDEO_RAM, video_ram, 0x8000, MonochromeBankBytes, Aligned(MonochromeBankBytes));
  Regions[n++] = Region(0, machine.InterruptEnable(), 0xFFFF, 1, AddressBits);
  Regions[n++] = Region(RETRO_MEMDESC_SYSTEM_RAM, machine.HighRam(), 0xFF80, HighRamSize, Aligned(HighRamSpan));
  if (machine.Cartridge().battery && machine.CartridgeRamSize() >= MonochromeBankBytes)
    Regions[n++] = Region(RETRO_MEMDESC_SAVE_RAM, machine.CartridgeRam(), 0xA000, MonochromeBankBytes,
                          Aligned(MonochromeBankBytes));
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
  Machine& machine = CoreMachine();
  if (machine.Cartridge().battery) machine.CartridgeRamWritten();
  if (machine.Cartridge().clock && std::memcmp(ClockBytes, ClockBytesKept, sizeof ClockBytes) != 0) {
    machine.LoadClock(ClockBytes, sizeof ClockBytes);
    KeepClockBytes();
  }
}

void KeepClockBytes() {
  if (!CoreMachine().Cartridge().clock) return;
  CoreMachine().SaveClock(ClockBytes);
  std::memcpy(ClockBytesKept, ClockBytes, sizeof ClockBytes);
}

RETRO_API void* retro_get_memory_data(unsigned id) {
  if (!GameLoaded()) return nullptr;
  Machine& machine = CoreMachine();
  const CartridgeInfo& cartridge = machine.Cartridge();
  switch (id & RETRO_MEMORY_MASK) {
    case RETRO_MEMORY_SAVE_RAM: return cartridge.battery && cartridge.ram_bytes > 0 ? machine.CartridgeRam() : nullptr;
    case RETRO_MEMORY_RTC: return cartridge.clock ? ClockBytes : nullptr;
    case RETRO_MEMORY_SYSTEM_RAM: return machine.WorkRam();
    case RETRO_MEMORY_VIDEO_RAM: return machine.VideoRam();
    default: return nullptr;
  }
}

RETRO_API size_t retro_get_memory_size(unsigned id) {
  if (!GameLoaded()) return 0;
  const CartridgeInfo& cartridge = CoreMachine().Cartridge();
  switch (id & RETRO_MEMORY_MASK) {
    case RETRO_MEMORY_SAVE_RAM: return cartridge.battery ? static_cast<size_t>(cartridge.ram_bytes) : 0;
    case RETRO_MEMORY_RTC: return cartridge.clock ? sizeof ClockBytes : 0;
    case RETRO_MEMORY_SYSTEM_RAM: return cartridge.colour ? WorkRamSize : MonochromeBankBytes;
    case RETRO_MEMORY_VIDEO_RAM: return cartridge.colour ? VideoRamSize : MonochromeBankBytes;
    default: return 0;
  }
}

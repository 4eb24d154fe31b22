#include "memory/bus.h"

#include <cstring>

#include "machine/state.h"

void ResetMemories(Console& m) {
  std::memset(m.mem.video_ram, 0, sizeof m.mem.video_ram);
  std::memset(m.mem.work_ram, 0, sizeof m.mem.work_ram);
  std::memset(m.mem.oam, 0, sizeof m.mem.oam);
  m.mem.oam_changes++;
  std::memset(m.mem.high_ram, 0, sizeof m.mem.high_ram);
  m.mem.last_vram_write = 0;
  m.mem.rom_bank0 = m.cart.rom;
  m.mem.rom_bank = m.cart.rom + RomBankSize;
  m.mem.vram_bank = m.mem.video_ram;
  m.mem.wram_bank0 = m.mem.work_ram;
  m.mem.wram_bank = m.mem.work_ram + 0x1000;
}

namespace {

// Which bank of the image a ROM window shows, which a state holds; the
// window follows from it.
template <class State>
void WalkRomWindow(Console& m, State& s, uint8_t*& window) {
  int32_t bank = static_cast<int32_t>((window - m.cart.rom) / RomBankSize);
  s.number(bank, 0, static_cast<int32_t>(m.cart.rom_size / RomBankSize - 1));
  if constexpr (State::Loading) window = m.cart.rom + bank * RomBankSize;
}

}  // namespace

// The cartridge RAM must have the size this cartridge's RAM has. Its
// mirrored copies are made again from it.
template <class State>
void WalkMemoryState(Console& m, State& s) {
  Memories& mem = m.mem;
  s.section("MEM ");
  s.bytes(mem.video_ram, sizeof mem.video_ram);
  s.bytes(mem.work_ram, sizeof mem.work_ram);
  s.bytes(mem.oam, sizeof mem.oam);
  s.bytes(mem.high_ram, sizeof mem.high_ram);
  uint32_t ram_bytes = static_cast<uint32_t>(m.cart.ram_bytes);
  s.u32(ram_bytes);
  s.require(ram_bytes == static_cast<uint32_t>(m.cart.ram_bytes));
  s.bytes(mem.cart_ram, s.ok() ? static_cast<size_t>(m.cart.ram_bytes) : 0);
  s.u16(mem.last_vram_write);
  WalkRomWindow(m, s, mem.rom_bank0);
  WalkRomWindow(m, s, mem.rom_bank);
  if constexpr (State::Loading) {
    mem.oam_changes++;
    CartRamFilled(m);
  }
}

template void WalkMemoryState(Console& m, StateWriter& s);
template void WalkMemoryState(Console& m, StateReader& s);

// A processor write into 0x8000-0x9FFF: store it in the selected bank and
// mark the renderer's decoded copy of its 16-byte block stale. The map areas
// count as tiles 384-511 (896-1023 in bank 1) like any other block. Games
// often write what is there already (a whole map row for one new tile):
// such a write changes nothing the renderer has drawn.
void VideoRamWrite(Console& m, int address, uint8_t value) {
  m.mem.last_vram_write = static_cast<uint16_t>(address);
  uint8_t& byte = m.mem.vram_bank[address - 0x8000];
  if (byte == value) return;
  LcdSync(m);  // the lines due before the write are drawn from the old byte
  byte = value;
  MarkTileDirty(m, ((address - 0x8000) >> 4) + (m.io.VBK ? 512 : 0));
}

void BusWrite(Console& m, int address, int value) {
  address &= 0xFFFF;
  const uint8_t v = static_cast<uint8_t>(value);
  switch (address >> 12) {
    case 0x0: case 0x1: case 0x2: case 0x3:
    case 0x4: case 0x5: case 0x6: case 0x7:
      MbcWrite(m, address, v);  // the ROM itself never changes
      return;
    case 0x8: case 0x9:
      VideoRamWrite(m, address, v);
      return;
    case 0xA: case 0xB:
      CartRamWrite(m, address, v);  // the controller knows where it goes, if anywhere
      return;
    case 0xC:
      m.mem.wram_bank0[address - 0xC000] = v;
      return;
    case 0xD:
      m.mem.wram_bank[address - 0xD000] = v;
      return;
    case 0xE:
      m.mem.wram_bank0[address - 0xE000] = v;
      return;
    default:
      if (address < 0xFE00) m.mem.wram_bank[address - 0xF000] = v;
      else if (address < 0xFEA0) {
        LcdSync(m);
        m.mem.oam[address - 0xFE00] = v;
        m.mem.oam_changes++;
      }
      else if (address < 0xFF00) return;  // unusable area
      else if (address < 0xFF80 || address == 0xFFFF) IoWrite(m, address, v);
      else m.mem.high_ram[address - 0xFF80] = v;
      return;
  }
}

#include "memory/bank_controllers.h"

#include <cstring>

#include "memory/bus.h"
#include "machine/console.h"
#include "memory/cartridge.h"
#include "machine/state.h"
#include "memory/mbc3_clock.h"

namespace {

constexpr long SmallRamBytes = 0x800;  // 2 KiB, seen four times in the window
constexpr uint8_t Mbc2UnusedBits = 0xF0;

uint8_t* RomBank(Console& m, int bank) { return m.cart.rom + (bank & m.cart.max_bank) * RomBankSize; }

bool RamEnableValue(int value) { return (value & 0x0F) == 0x0A; }

int RamBankMask(Console& m) {
  const long banks = m.cart.ram_bytes / CartRamBankSize;
  return banks > 1 ? static_cast<int>(banks - 1) : 0;
}

int SelectedRamBank(Console& m) {
  switch (m.cart.mapper) {
    case 1: return m.mbc.bank_mode ? m.mbc.bank_high2 : 0;
    case 3: return m.mbc.ram_bank;
    case 5: return m.mbc.ram_bank & (m.cart.has_rumble ? 0x07 : 0x0F);
    default: return 0;
  }
}

uint8_t* ShowClockRegister(Console& m) {
  const uint8_t value = Mbc3ClockRead(m, m.mbc.ram_bank);
  if (m.mbc.clock_page_value != value) {
    std::memset(m.mbc.clock_page, value, sizeof m.mbc.clock_page);
    m.mbc.clock_page_value = value;
  }
  return m.mbc.clock_page;
}

// Copies the first `bytes` of CartRam over the rest of the 8 KiB window.
void Mirror(Console& m, long bytes) {
  for (long copy = bytes; copy < CartRamBankSize; copy += bytes) std::memcpy(m.mem.cart_ram + copy, m.mem.cart_ram, bytes);
}

// MBC1: the 2-bit register supplies bits 5-6 of the bank at 0x4000 in both
// modes; mode 1 also puts bank (2-bit register << 5) at 0x0000 and chooses
// the RAM bank with it. Only the low 5 bits are tested for 0.
void Mbc1Write(Console& m, int address, int value) {
  switch (address >> 13) {
    case 0:
      m.mbc.ram_enabled = RamEnableValue(value);
      MapCartRam(m);
      return;
    case 1: m.mbc.bank_low5 = value & 0x1F; break;
    case 2: m.mbc.bank_high2 = value & 0x03; break;
    default: m.mbc.bank_mode = value & 0x01; break;
  }
  m.mem.rom_bank = RomBank(m, m.mbc.bank_high2 << 5 | (m.mbc.bank_low5 ? m.mbc.bank_low5 : 1));
  m.mem.rom_bank0 = m.mbc.bank_mode ? RomBank(m, m.mbc.bank_high2 << 5) : m.cart.rom;
  MapCartRam(m);
}

// MBC2: address bit 8 chooses between the RAM enable and the ROM bank.
void Mbc2Write(Console& m, int address, int value) {
  if (address >= 0x4000) return;
  if (address & 0x100) {
    m.mbc.rom_bank = value & 0x0F;
    m.mem.rom_bank = RomBank(m, m.mbc.rom_bank ? m.mbc.rom_bank : 1);
  } else {
    m.mbc.ram_enabled = RamEnableValue(value);
    MapCartRam(m);
  }
}

void Mbc3Write(Console& m, int address, int value) {
  switch (address >> 13) {
    case 0:
      m.mbc.ram_enabled = RamEnableValue(value);
      MapCartRam(m);
      break;
    case 1:
      m.mbc.rom_bank = value & 0x7F;
      m.mem.rom_bank = RomBank(m, m.mbc.rom_bank ? m.mbc.rom_bank : 1);
      break;
    case 2:
      m.mbc.ram_bank = value & 0x0F;
      MapCartRam(m);
      break;
    default:  // 0 then 1 latches the clock
      if (m.cart.has_clock && m.mbc.clock_latch == 0 && value == 1) {
        LatchMbc3Clock(m);
        MapCartRam(m);  // a clock register on show now shows the new value
      }
      m.mbc.clock_latch = value;
      break;
  }
}

void Mbc5Write(Console& m, int address, int value) {
  if (address < 0x2000) {
    m.mbc.ram_enabled = RamEnableValue(value);
    MapCartRam(m);
  } else if (address < 0x4000) {
    if (address < 0x3000) m.mbc.mbc5_low = value;
    else m.mbc.mbc5_high = value & 0x01;
    m.mem.rom_bank = RomBank(m, m.mbc.mbc5_high << 8 | m.mbc.mbc5_low);  // bank 0 may be mapped here
  } else if (address < 0x6000) {
    m.mbc.ram_bank = value & 0x0F;
    if (m.cart.has_rumble) m.mbc.rumble_motor = value >> 3 & 1;
    MapCartRam(m);
  }
}

// The ROM windows as the registers select them.
void MapRom(Console& m) {
  m.mem.rom_bank0 = m.cart.rom;
  switch (m.cart.mapper) {
    case 1:
      m.mem.rom_bank = RomBank(m, m.mbc.bank_high2 << 5 | (m.mbc.bank_low5 ? m.mbc.bank_low5 : 1));
      if (m.mbc.bank_mode) m.mem.rom_bank0 = RomBank(m, m.mbc.bank_high2 << 5);
      break;
    case 2: case 3: m.mem.rom_bank = RomBank(m, m.mbc.rom_bank ? m.mbc.rom_bank : 1); break;
    case 5: m.mem.rom_bank = RomBank(m, m.mbc.mbc5_high << 8 | m.mbc.mbc5_low); break;
    default: m.mem.rom_bank = m.cart.rom + RomBankSize; break;
  }
}

}  // namespace

void MbcWrite(Console& m, int address, int value) {
  switch (m.cart.mapper) {
    case 1: Mbc1Write(m, address, value); break;
    case 2: Mbc2Write(m, address, value); break;
    case 3: Mbc3Write(m, address, value); break;
    case 5: Mbc5Write(m, address, value); break;
    default: break;  // no controller: the write is lost
  }
}

void MapCartRam(Console& m) {
  uint8_t* window = m.mbc.unmapped_page;
  CartRamTarget target = CartRamTarget::Nowhere;
  if (!m.mbc.ram_enabled) {
    // disabled: 0xFF, and writes are ignored
  } else if (m.cart.mapper == 3 && m.mbc.ram_bank > 3) {
    if (m.cart.has_clock && m.mbc.ram_bank >= ClockSecondsRegister && m.mbc.ram_bank <= ClockDayHighRegister) {
      window = ShowClockRegister(m);
      target = CartRamTarget::Clock;
    }
  } else if (m.cart.mapper == 2) {
    window = m.mem.cart_ram;
    target = CartRamTarget::Mbc2;
  } else if (m.cart.ram_bytes == SmallRamBytes) {
    window = m.mem.cart_ram;
    target = CartRamTarget::Mirrored2K;
  } else if (m.cart.ram_bytes > 0) {
    window = m.mem.cart_ram + (SelectedRamBank(m) & RamBankMask(m)) * CartRamBankSize;
    target = CartRamTarget::Bank;
  }
  m.mem.cart_ram_bank = window;
  m.mbc.write_target = target;
}

// The small RAMs are kept in every copy the window shows, so that a read
// stays one load; writes, which are rare, store each copy.
void CartRamWrite(Console& m, int address, uint8_t value) {
  switch (m.mbc.write_target) {
    case CartRamTarget::Nowhere:
      return;
    case CartRamTarget::Bank:
      m.mem.cart_ram_bank[address - 0xA000] = value;
      break;
    case CartRamTarget::Mirrored2K:
      for (long copy = address & (SmallRamBytes - 1); copy < CartRamBankSize; copy += SmallRamBytes)
        m.mem.cart_ram[copy] = value;
      break;
    case CartRamTarget::Mbc2:
      // Only the low half of each byte is stored; the high half reads as 1s.
      for (long copy = address & (Mbc2RamBytes - 1); copy < CartRamBankSize; copy += Mbc2RamBytes)
        m.mem.cart_ram[copy] = value | Mbc2UnusedBits;
      break;
    case CartRamTarget::Clock:
      Mbc3ClockWrite(m, m.mbc.ram_bank, value);
      break;
  }
  m.mbc.ram_written = 1;
}

void ResetBankControllers(Console& m) {
  std::memset(m.mbc.unmapped_page, 0xFF, sizeof m.mbc.unmapped_page);
  m.mbc.ram_enabled = m.cart.mapper == 0;  // without a controller the RAM is always there
  m.mbc.bank_low5 = m.mbc.bank_high2 = m.mbc.bank_mode = 0;
  m.mbc.rom_bank = 1;
  m.mbc.mbc5_low = 1;
  m.mbc.mbc5_high = 0;
  m.mbc.ram_bank = 0;
  m.mbc.rumble_motor = 0;
  m.mbc.clock_latch = 0xFF;
  if (m.cart.rom) {
    m.mem.rom_bank0 = m.cart.rom;
    m.mem.rom_bank = m.cart.rom + RomBankSize;
  }
  MapCartRam(m);
}

template <class State>
void WalkBankControllerState(Console& m, State& s) {
  BankController& mbc = m.mbc;
  s.section("MBC ");
  s.number(mbc.ram_enabled, 0, 1);
  s.number(mbc.bank_low5, 0, 0x1F);
  s.number(mbc.bank_high2, 0, 0x03);
  s.number(mbc.bank_mode, 0, 1);
  s.number(mbc.rom_bank, 0, 0x7F);
  s.number(mbc.mbc5_low, 0, 0xFF);
  s.number(mbc.mbc5_high, 0, 1);
  s.number(mbc.ram_bank, 0, 0x0F);
  s.number(mbc.rumble_motor, 0, 1);
  s.number(mbc.clock_latch, 0, 0xFF);
  if constexpr (State::Loading) {
    mbc.clock_page_value = -1;
    // The ROM windows (from the memories' part) show what the registers select.
    const uint8_t* const bank0 = m.mem.rom_bank0;
    const uint8_t* const bank = m.mem.rom_bank;
    if (s.ok()) MapRom(m);
    s.require(m.mem.rom_bank0 == bank0 && m.mem.rom_bank == bank);
    MapCartRam(m);
  }
}

template void WalkBankControllerState(Console& m, StateWriter& s);
template void WalkBankControllerState(Console& m, StateReader& s);

void CartRamFilled(Console& m) {
  if (m.cart.mapper == 2) {
    for (long i = 0; i < Mbc2RamBytes; i++) m.mem.cart_ram[i] |= Mbc2UnusedBits;
    Mirror(m, Mbc2RamBytes);
  } else if (m.cart.ram_bytes == SmallRamBytes) {
    Mirror(m, SmallRamBytes);
  }
}

void CartridgeInserted(Console& m) {
  std::memset(m.mem.cart_ram, 0, sizeof m.mem.cart_ram);
  CartRamFilled(m);
  StartMbc3Clock(m);
  m.mbc.clock_page_value = -1;
  ResetBankControllers(m);
}

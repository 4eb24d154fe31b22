#include "memory/bank_controllers.h"

#include <cstring>

#include "memory/bus.h"
#include "memory/cartridge.h"
#include "memory/machine_state.h"
#include "memory/mbc3_clock.h"

int CartRamEnabled = 0;
int BankLow5 = 0, BankHigh2 = 0, BankMode = 0;
int RomBankRegister = 1;
int Mbc5Low = 1, Mbc5High = 0;
int RamBankRegister = 0;
int RumbleMotor = 0;
int ClockLatchRegister = 0xFF;
CartRamTarget CartRamWriteTarget = CartRamTarget::Nowhere;
int CartRamWritten = 0;

namespace {

constexpr long SmallRamBytes = 0x800;  // 2 KiB, seen four times in the window
constexpr uint8_t Mbc2UnusedBits = 0xF0;

// What 0xA000-0xBFFF shows while the RAM is disabled or absent: never written.
uint8_t UnmappedPage[CartRamBankSize];
// The latched value of the selected clock register, repeated over the window.
uint8_t ClockPage[CartRamBankSize];
int ClockPageValue = -1;  // what ClockPage holds, -1 before it is filled

uint8_t* RomBank(int bank) { return RomImage + (bank & MAX_BANK) * RomBankSize; }

bool RamEnableValue(int value) { return (value & 0x0F) == 0x0A; }

int RamBankMask() {
  const long banks = CartRamBytes / CartRamBankSize;
  return banks > 1 ? static_cast<int>(banks - 1) : 0;
}

int SelectedRamBank() {
  switch (CART_MAPPER) {
    case 1: return BankMode ? BankHigh2 : 0;
    case 3: return RamBankRegister;
    case 5: return RamBankRegister & (CartHasRumble ? 0x07 : 0x0F);
    default: return 0;
  }
}

uint8_t* ShowClockRegister() {
  const uint8_t value = Mbc3ClockRead(RamBankRegister);
  if (ClockPageValue != value) {
    std::memset(ClockPage, value, sizeof ClockPage);
    ClockPageValue = value;
  }
  return ClockPage;
}

// Copies the first `bytes` of CartRam over the rest of the 8 KiB window.
void Mirror(long bytes) {
  for (long copy = bytes; copy < CartRamBankSize; copy += bytes) std::memcpy(CartRam + copy, CartRam, bytes);
}

// MBC1: the 2-bit register supplies bits 5-6 of the bank at 0x4000 in both
// modes; mode 1 also puts bank (2-bit register << 5) at 0x0000 and chooses
// the RAM bank with it. Only the low 5 bits are tested for 0.
void Mbc1Write(int address, int value) {
  switch (address >> 13) {
    case 0:
      CartRamEnabled = RamEnableValue(value);
      MapCartRam();
      return;
    case 1: BankLow5 = value & 0x1F; break;
    case 2: BankHigh2 = value & 0x03; break;
    default: BankMode = value & 0x01; break;
  }
  RomBankPtr = RomBank(BankHigh2 << 5 | (BankLow5 ? BankLow5 : 1));
  RomBank0Ptr = BankMode ? RomBank(BankHigh2 << 5) : RomImage;
  MapCartRam();
}

// MBC2: address bit 8 chooses between the RAM enable and the ROM bank.
void Mbc2Write(int address, int value) {
  if (address >= 0x4000) return;
  if (address & 0x100) {
    RomBankRegister = value & 0x0F;
    RomBankPtr = RomBank(RomBankRegister ? RomBankRegister : 1);
  } else {
    CartRamEnabled = RamEnableValue(value);
    MapCartRam();
  }
}

void Mbc3Write(int address, int value) {
  switch (address >> 13) {
    case 0:
      CartRamEnabled = RamEnableValue(value);
      MapCartRam();
      break;
    case 1:
      RomBankRegister = value & 0x7F;
      RomBankPtr = RomBank(RomBankRegister ? RomBankRegister : 1);
      break;
    case 2:
      RamBankRegister = value & 0x0F;
      MapCartRam();
      break;
    default:  // 0 then 1 latches the clock
      if (CartHasClock && ClockLatchRegister == 0 && value == 1) {
        LatchMbc3Clock();
        MapCartRam();  // a clock register on show now shows the new value
      }
      ClockLatchRegister = value;
      break;
  }
}

void Mbc5Write(int address, int value) {
  if (address < 0x2000) {
    CartRamEnabled = RamEnableValue(value);
    MapCartRam();
  } else if (address < 0x4000) {
    if (address < 0x3000) Mbc5Low = value;
    else Mbc5High = value & 0x01;
    RomBankPtr = RomBank(Mbc5High << 8 | Mbc5Low);  // bank 0 may be mapped here
  } else if (address < 0x6000) {
    RamBankRegister = value & 0x0F;
    if (CartHasRumble) RumbleMotor = value >> 3 & 1;
    MapCartRam();
  }
}

// The ROM windows as the registers select them.
void MapRom() {
  RomBank0Ptr = RomImage;
  switch (CART_MAPPER) {
    case 1:
      RomBankPtr = RomBank(BankHigh2 << 5 | (BankLow5 ? BankLow5 : 1));
      if (BankMode) RomBank0Ptr = RomBank(BankHigh2 << 5);
      break;
    case 2: case 3: RomBankPtr = RomBank(RomBankRegister ? RomBankRegister : 1); break;
    case 5: RomBankPtr = RomBank(Mbc5High << 8 | Mbc5Low); break;
    default: RomBankPtr = RomImage + RomBankSize; break;
  }
}

}  // namespace

void MbcWrite(int address, int value) {
  switch (CART_MAPPER) {
    case 1: Mbc1Write(address, value); break;
    case 2: Mbc2Write(address, value); break;
    case 3: Mbc3Write(address, value); break;
    case 5: Mbc5Write(address, value); break;
    default: break;  // no controller: the write is lost
  }
}

void MapCartRam() {
  uint8_t* window = UnmappedPage;
  CartRamTarget target = CartRamTarget::Nowhere;
  if (!CartRamEnabled) {
    // disabled: 0xFF, and writes are ignored
  } else if (CART_MAPPER == 3 && RamBankRegister > 3) {
    if (CartHasClock && RamBankRegister >= ClockSecondsRegister && RamBankRegister <= ClockDayHighRegister) {
      window = ShowClockRegister();
      target = CartRamTarget::Clock;
    }
  } else if (CART_MAPPER == 2) {
    window = CartRam;
    target = CartRamTarget::Mbc2;
  } else if (CartRamBytes == SmallRamBytes) {
    window = CartRam;
    target = CartRamTarget::Mirrored2K;
  } else if (CartRamBytes > 0) {
    window = CartRam + (SelectedRamBank() & RamBankMask()) * CartRamBankSize;
    target = CartRamTarget::Bank;
  }
  CartRamBankPtr = window;
  CartRamWriteTarget = target;
}

// The small RAMs are kept in every copy the window shows, so that a read
// stays one load; writes, which are rare, store each copy.
void CartRamWrite(int address, uint8_t value) {
  switch (CartRamWriteTarget) {
    case CartRamTarget::Nowhere:
      return;
    case CartRamTarget::Bank:
      CartRamBankPtr[address - 0xA000] = value;
      break;
    case CartRamTarget::Mirrored2K:
      for (long copy = address & (SmallRamBytes - 1); copy < CartRamBankSize; copy += SmallRamBytes)
        CartRam[copy] = value;
      break;
    case CartRamTarget::Mbc2:
      // Only the low half of each byte is stored; the high half reads as 1s.
      for (long copy = address & (Mbc2RamBytes - 1); copy < CartRamBankSize; copy += Mbc2RamBytes)
        CartRam[copy] = value | Mbc2UnusedBits;
      break;
    case CartRamTarget::Clock:
      Mbc3ClockWrite(RamBankRegister, value);
      break;
  }
  CartRamWritten = 1;
}

void ResetBankControllers() {
  std::memset(UnmappedPage, 0xFF, sizeof UnmappedPage);
  CartRamEnabled = CART_MAPPER == 0;  // without a controller the RAM is always there
  BankLow5 = BankHigh2 = BankMode = 0;
  RomBankRegister = 1;
  Mbc5Low = 1;
  Mbc5High = 0;
  RamBankRegister = 0;
  RumbleMotor = 0;
  ClockLatchRegister = 0xFF;
  if (RomImage) {
    RomBank0Ptr = RomImage;
    RomBankPtr = RomImage + RomBankSize;
  }
  MapCartRam();
}

void SaveBankControllerState(StateWriter& out) {
  out.section("MBC ");
  for (int r : {CartRamEnabled, BankLow5, BankHigh2, BankMode, RomBankRegister, Mbc5Low, Mbc5High, RamBankRegister,
                RumbleMotor, ClockLatchRegister})
    out.i32(r);
}

void LoadBankControllerState(StateReader& in) {
  in.section("MBC ");
  CartRamEnabled = in.number(0, 1);
  BankLow5 = in.number(0, 0x1F);
  BankHigh2 = in.number(0, 0x03);
  BankMode = in.number(0, 1);
  RomBankRegister = in.number(0, 0x7F);
  Mbc5Low = in.number(0, 0xFF);
  Mbc5High = in.number(0, 1);
  RamBankRegister = in.number(0, 0x0F);
  RumbleMotor = in.number(0, 1);
  ClockLatchRegister = in.number(0, 0xFF);
  ClockPageValue = -1;
  // The ROM windows (from the memories' part) show what the registers select.
  const uint8_t* const bank0 = RomBank0Ptr;
  const uint8_t* const bank = RomBankPtr;
  if (in.ok()) MapRom();
  in.require(RomBank0Ptr == bank0 && RomBankPtr == bank);
  MapCartRam();
}

void CartRamFilled() {
  if (CART_MAPPER == 2) {
    for (long i = 0; i < Mbc2RamBytes; i++) CartRam[i] |= Mbc2UnusedBits;
    Mirror(Mbc2RamBytes);
  } else if (CartRamBytes == SmallRamBytes) {
    Mirror(SmallRamBytes);
  }
}

void CartridgeInserted() {
  std::memset(CartRam, 0, sizeof CartRam);
  CartRamFilled();
  StartMbc3Clock();
  ClockPageValue = -1;
  ResetBankControllers();
}

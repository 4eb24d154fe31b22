#include "memory/bank_controllers.h"

#include "memory/bus.h"
#include "memory/cartridge.h"

int BankNibble = 0, BankLow5 = 0, BankHigh2 = 0, BankMode = 0;
int Mbc5Low = 0, Mbc5High = 0;

namespace {

constexpr int RomBankSize = 0x4000;
constexpr int CartRamBankSize = 0x2000;

void ApplyRomBank(int bank) { RomBankPtr = RomImage + (bank & MAX_BANK) * RomBankSize; }

void Mbc1Write(int address, int value) {
  switch (address >> 13) {
    case 0: BankNibble = value & 0x0F; break;
    case 1: BankLow5 = value & 0x1F; break;
    case 2: BankHigh2 = value & 0x03; break;
    default: BankMode = value & 0x01; break;
  }
  int bank;
  if (BankMode == 0) {
    CartRamBankPtr = CartRam;
    bank = BankNibble * 32 + BankLow5;
  } else {
    CartRamBankPtr = CartRam + BankHigh2 * CartRamBankSize;
    bank = BankLow5;
  }
  // The zero test comes before the mask: a number that masks to 0 maps bank 0.
  if (bank == 0) bank = 1;
  ApplyRomBank(bank);
}

void SingleRegisterWrite(int address, int value, int mask) {
  if (address < 0x2000 || address >= 0x4000) return;
  int bank = value & mask;
  ApplyRomBank(bank ? bank : 1);
}

void Mbc5Write(int address, int value) {
  if (address >= 0x2000 && address < 0x3000) Mbc5Low = value & 0xFF;
  else if (address >= 0x3000 && address < 0x4000) Mbc5High = value & 0x01;
  ApplyRomBank(Mbc5High * 256 + Mbc5Low);  // bank 0 may be mapped here
}

}  // namespace

void MbcWrite(int address, int value) {
  switch (CART_MAPPER) {
    case 1: Mbc1Write(address, value); break;
    case 2: SingleRegisterWrite(address, value, 0x0F); break;
    case 3: SingleRegisterWrite(address, value, 0x7F); break;
    case 5: Mbc5Write(address, value); break;
    default: break;  // no controller: the write is lost
  }
}

void ResetBankControllers() {
  BankNibble = BankLow5 = BankHigh2 = BankMode = 0;
  Mbc5Low = Mbc5High = 0;
}

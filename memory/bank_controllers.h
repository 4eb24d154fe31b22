// The cartridge's bank controller: writes to 0x0000-0x7FFF.
#pragma once

extern int BankNibble, BankLow5, BankHigh2, BankMode;  // MBC1
extern int Mbc5Low, Mbc5High;                          // MBC5

void MbcWrite(int address, int value);
// Every controller register back to its power-on value.
void ResetBankControllers();

#include "memory/machine.h"

#include "cpu/registers.h"
#include "memory/bus.h"
#include "video/lcd_timing.h"

// The post-boot state of the colour-capable console. Everything not set here
// keeps its program-start value; one reset happens per run.
void ResetMachine() {
  Cpu.PC = 0x0100;
  Cpu.SP = 0xFFFE;
  Cpu.A = 0x11;
  TotalCycles = 0;
  RomBank0Ptr = RomImage;
  RomBankPtr = RomImage + 0x4000;
  VramBankPtr = VideoRam;
  CartRamBankPtr = CartRam;
  WramBank0Ptr = WorkRam;
  WramBankPtr = WorkRam + 0x1000;
  ResetLcdCounters();
}

#include "memory/machine.h"

#include "cpu/registers.h"
#include "memory/bank_controllers.h"
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "memory/timer.h"
#include "sound/sound_system.h"
#include "video/lcd_timing.h"
#include "video/renderer.h"

// Every unit of the machine back to its power-on state, then the registers
// as the colour console's start-up leaves them. The cartridge image and its
// RAM stay, so this serves both the start of a run and a reset during one.
void ResetMachine() {
  ResetCpu();
  ResetMemories();
  ResetBankControllers();
  ResetIoRegisters();
  ResetTimer();
  ResetLcdCounters();
  ResetRenderer();
  Sound.reset();

  Cpu.PC = 0x0100;
  Cpu.SP = 0xFFFE;
  Cpu.A = 0x11;
}

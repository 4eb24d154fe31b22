#include "memory/machine.h"

#include "cpu/registers.h"
#include "memory/bank_controllers.h"
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "memory/machine_clock.h"
#include "memory/oam_dma.h"
#include "memory/serial.h"
#include "memory/timer.h"
#include "memory/vram_dma.h"
#include "sound/sound_system.h"
#include "video/lcd_timing.h"
#include "video/renderer.h"

bool ColourCartridge = false;

namespace {

constexpr int ColourFlagAddress = 0x143;
constexpr uint8_t ColourFlag = 0x80;

// The processor registers at 0x0100 as the colour console's boot program
// leaves them; D, E and L tell colour and monochrome cartridges apart.
void SetStartRegisters() {
  Cpu.PC = 0x0100;
  Cpu.SP = 0xFFFE;
  Cpu.A = 0x11;
  Cpu.F = 0x80;
  Cpu.B = 0x00;
  Cpu.C = 0x00;
  Cpu.H = 0x00;
  if (ColourCartridge) {
    Cpu.D = 0xFF;
    Cpu.E = 0x56;
    Cpu.L = 0x0D;
  } else {
    Cpu.D = 0x00;
    Cpu.E = 0x08;
    Cpu.L = 0x7C;
  }
}

}  // namespace

// Every unit of the machine back to its power-on state, then the state the
// boot program leaves: the LCD on, the sound on, a V-blank request pending.
// The register writes go through the register page, so that each unit sees
// them as it would a program's. The cartridge image and its RAM stay, so
// this serves both the start of a run and a reset during one.
void ResetMachine() {
  // Read first: the renderer's reset chooses the picture's colours by it.
  ColourCartridge = RomImage && RomImageSize > ColourFlagAddress && (RomImage[ColourFlagAddress] & ColourFlag);
  ResetCpu();
  ResetMemories();
  ResetBankControllers();
  ResetIoRegisters();
  ResetTimer();
  ResetSerial();
  ResetOamDma();
  ResetLcdCounters();
  ResetRenderer();
  ResetVramDma();
  Sound.reset();

  SetStartRegisters();
  IoWrite(0xFF40, 0x91);  // LCD on, background on, tiles at 0x8000, map at 0x9800
  LcdLeftOnByBoot();
  // A colour cartridge's colours do not come from BGP: its shade map stays
  // the identity.
  if (!ColourCartridge) IoWrite(0xFF47, 0xFC);
  IoWrite(0xFF0F, 0xE1);
  IoWrite(0xFF26, 0xF1);  // NR52: sound on
  IoWrite(0xFF24, 0x77);  // NR50: both sides at full volume
  IoWrite(0xFF25, 0xF3);  // NR51
  ScheduleEvents();
}

// The console made and reset: its post-boot state.
#include "machine/console.h"

#include <cstring>

#include "machine/clock.h"
#include "memory/bus.h"

namespace {

constexpr int ColourFlagAddress = 0x143;
constexpr uint8_t ColourFlag = 0x80;

// The processor registers at 0x0100 as the colour console's boot program
// leaves them; D, E and L tell colour and monochrome cartridges apart.
void SetStartRegisters(Console& m) {
  m.cpu.PC = 0x0100;
  m.cpu.SP = 0xFFFE;
  m.cpu.A = 0x11;
  m.cpu.F = 0x80;
  m.cpu.B = 0x00;
  m.cpu.C = 0x00;
  m.cpu.H = 0x00;
  if (m.cart.colour) {
    m.cpu.D = 0xFF;
    m.cpu.E = 0x56;
    m.cpu.L = 0x0D;
  } else {
    m.cpu.D = 0x00;
    m.cpu.E = 0x08;
    m.cpu.L = 0x7C;
  }
}

}  // namespace

// Every unit of the machine back to its power-on state, then the state the
// boot program leaves: the LCD on, the sound on, a V-blank request pending.
// The register writes go through the register page, so that each unit sees
// them as it would a program's. The cartridge image and its RAM stay, so
// this serves both the start of a run and a reset during one.
void ResetMachine(Console& m) {
  // Read first: the renderer's reset chooses the picture's colours by it.
  m.cart.colour = m.cart.rom && m.cart.rom_size > ColourFlagAddress && (m.cart.rom[ColourFlagAddress] & ColourFlag);
  ResetCpu(m);
  ResetMemories(m);
  ResetBankControllers(m);
  ResetIoRegisters(m);
  ResetTimer(m);
  ResetSerial(m);
  ResetOamDma(m);
  ResetLcdCounters(m);
  ResetRenderer(m);
  ResetVramDma(m);
  m.sound.reset(SoundNow(m));

  SetStartRegisters(m);
  IoWrite(m, 0xFF40, 0x91);  // LCD on, background on, tiles at 0x8000, map at 0x9800
  LcdLeftOnByBoot(m);
  // A colour cartridge's colours do not come from BGP: its shade map stays
  // the identity.
  if (!m.cart.colour) IoWrite(m, 0xFF47, 0xFC);
  IoWrite(m, 0xFF0F, 0xE1);
  IoWrite(m, 0xFF26, 0xF1);  // NR52: sound on
  IoWrite(m, 0xFF24, 0x77);  // NR50: both sides at full volume
  IoWrite(m, 0xFF25, 0xF3);  // NR51
  ScheduleEvents(m);
}

// Everything as before a cartridge is put in: the pages of the bank
// controller, the sound at the front ends' rate.
Console::Console() {
  std::memset(mbc.unmapped_page, 0xFF, sizeof mbc.unmapped_page);
  sound.set_sample_rate(DefaultSampleRate);
}

// The console as one object: every unit's state, side by side, and the
// machine's clock. Each unit keeps its state in a struct beside its code
// (cpu/, memory/, video/, sound/, debug/), and its functions take the
// Console they belong to, so that any number of consoles can run in one
// process. Nothing here knows a window, a file or the host's clock: the
// front ends reach the console through machine/machine.h.
#pragma once
#include <cstdint>

#include "cpu/registers.h"
#include "debug/disassembler.h"
#include "memory/bank_controllers.h"
#include "memory/cartridge.h"
#include "memory/io_registers.h"
#include "memory/mbc3_clock.h"
#include "memory/memories.h"
#include "memory/oam_dma.h"
#include "memory/serial.h"
#include "memory/timer.h"
#include "memory/vram_dma.h"
#include "sound/sound_system.h"
#include "video/lcd_timing.h"
#include "video/renderer.h"

// The machine's time. The processor counts it, one machine cycle per
// memory access or idle cycle (cycles); the units beside it are brought up
// to it when they are touched and at their events (machine/clock.h).
//
// The 4194304 Hz clock that the LCD, the sound chip and VRAM DMA keep
// whatever the processor's speed: 1 << shift clocks a machine cycle, four
// at normal speed and two in double speed. It stood at clock_at_speed_set
// when the speed was last set, cycles then standing at cycle_at_speed_set.
constexpr int NormalClockShift = 2, DoubleSpeedClockShift = 1;
constexpr int NormalClocksPerCycle = 1 << NormalClockShift, DoubleSpeedClocksPerCycle = 1 << DoubleSpeedClockShift;

struct Clock {
  uint64_t cycles = 0;  // machine cycles since power-on; goes on across a reset
  int shift = NormalClockShift;
  uint64_t cycle_at_speed_set = 0, clock_at_speed_set = 0;
  uint64_t next_event_at = 0;  // the earliest cycle at which a unit has an event
  uint64_t events_run_at = 0;  // the cycle at which RunEvents last ran
};

struct Console {
  Console();
  Console(const Console&) = delete;  // the bank windows point into its own memories
  Console& operator=(const Console&) = delete;

  Clock clock;
  Cpu cpu{};
  Memories mem;
  Cartridge cart;
  BankController mbc;
  Mbc3Clock rtc;
  IoRegisters io;
  Timer timer;
  Serial serial;
  OamDma oam_dma;
  VramDma hdma;
  Lcd lcd;
  Renderer renderer;
  TileCache tiles;
  Palettes palettes;
  SoundSystem sound;
  Tracing trace;
};

// Puts every unit into its post-boot state, keeping the cartridge image and
// the cartridge RAM. Used at the start of a run and for a reset during one.
void ResetMachine(Console& m);

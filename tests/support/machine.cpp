#include "support/machine.h"

#include <allegro.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cpu/cpu.h"
#include "cpu/registers.h"
#include "memory/bank_controllers.h"
#include "memory/bus.h"
#include "memory/cartridge.h"
#include "memory/machine.h"
#include "memory/timer.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/run_control.h"
#include "sound/stream_output.h"
#include "video/lcd_timing.h"
#include "video/renderer.h"

void EnsureHeadlessAllegro() {
  static bool started = false;
  if (started) return;
  started = true;
  install_allegro(SYSTEM_NONE, &errno, std::atexit);
  Headless = true;
  CreateBitmaps();
}

void ResetTestMachine(const std::vector<uint8_t>& image) {
  EnsureHeadlessAllegro();

  Cpu = CpuRegisters{};
  InstructionCycles = TotalCycles = CpuStopped = 0;
  TraceAll = false;

  std::memset(VideoRam, 0, sizeof VideoRam);
  std::memset(CartRam, 0, sizeof CartRam);
  std::memset(WorkRam, 0, sizeof WorkRam);
  std::memset(Oam, 0, sizeof Oam);
  std::memset(HighRam, 0, sizeof HighRam);
  LastVramWrite = 0;

  DIV = TIMA = TMA = TAC = IF = IE = 0;
  LCDC = 0x01;
  STAT = SCY = SCX = LY = LYC = BGP = OBP0 = OBP1 = WY = WX = 0;
  KEY1 = VBK = SVBK = 0;
  JoypadSelect = DoubleSpeed = 0;
  DivCounter = 64;
  TimerCounter = 256;
  BankNibble = BankLow5 = BankHigh2 = BankMode = Mbc5Low = Mbc5High = 0;

  FrameCycles = LineCycles = LycLatch = VblankDone = 0;
  FramesFinished = 0;
  FrameLimit = 0;
  ResetSoundOutput();
  QuitRequested = 0;
  JoypadState = JoypadButtons{};

  std::memset(TileCache, 0, sizeof TileCache);
  std::memset(TileValid, 0, sizeof TileValid);
  for (auto& map : ShadeMap)
    for (int n = 0; n < 4; n++) map[n] = n;
  std::memset(BgPicture, 0, sizeof BgPicture);
  std::memset(BgColourNumbers, 0, sizeof BgColourNumbers);
  std::memset(PictureColourNumbers, 0, sizeof PictureColourNumbers);
  MapPointer = 0x1800;
  FineRow = 0;
  clear_bitmap(WorkBitmap);

  CART_MAPPER = 0;
  std::vector<uint8_t> rom = image;
  if (rom.size() < 0x8000) rom.resize(0x8000, 0);
  InstallCartridgeImage(rom.data(), static_cast<long>(rom.size()));
  ResetMachine();
}

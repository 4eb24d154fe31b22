// VRAM DMA: general copies at once with the processor's wait, H-blank
// copies of one block per H-blank, stopping one, and 0xFF55's read-back.
#include <gtest/gtest.h>

#include <vector>

#include "cpu/registers.h"
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "machine/console.h"
#include "machine/clock.h"
#include "memory/timer.h"
#include "memory/vram_dma.h"
#include "support/machine.h"
#include "video/lcd_timing.h"
#include "video/pixel_pipeline.h"
#include "video/renderer.h"

namespace {

// A cartridge whose bank 0 holds byte i & 0xFF at every address i, and
// work RAM filled the same way; the LCD on at the start of line 0.
void SetUpMachine() {
  std::vector<uint8_t> rom(0x8000);
  for (size_t i = 0; i < rom.size(); i++) rom[i] = static_cast<uint8_t>(i);
  rom[0x143] = 0x80;
  ResetTestMachine(rom);
  for (int i = 0; i < 0x1000; i++) BusWrite(m, 0xC000 + i, (i * 7) & 0xFF);
  RefreshTileCache(m);
}

void SetAddresses(int source, int destination) {
  IoWrite(m, 0xFF51, source >> 8);
  IoWrite(m, 0xFF52, source & 0xFF);
  IoWrite(m, 0xFF53, destination >> 8);
  IoWrite(m, 0xFF54, destination & 0xFF);
}

// The LCD's moments in machine cycles at normal speed.
constexpr int CyclesPerLine = DotsPerLine / DotsPerCycle;
constexpr int CyclesPerFrame = DotsPerFrame / DotsPerCycle;
const int DrawingEndCycle = static_cast<int>(CycleAtDot(m, DrawingStart + ShortestDrawing));

void RunCycles(int cycles) {
  for (int i = 0; i < cycles; i++) {
    m.clock.cycles++;
    SyncUnits(m);
  }
}

}  // namespace

// The low four bits of both addresses are ignored and the destination's top
// three; the bytes land in the bank VBK selects, through the processor's
// path, so that their tiles are decoded again.
TEST(VramDma, GeneralCopyAtOnceIntoTheSelectedBank) {
  SetUpMachine();
  IoWrite(m, 0xFF4F, 1);
  SetAddresses(0x123F, 0xE10F);  // source 0x1230, destination 0x8100
  m.cpu.instruction_cycles = 4;
  IoWrite(m, 0xFF55, 0x02);         // three blocks
  for (int i = 0; i < 48; i++) ASSERT_EQ(m.mem.video_ram[0x2000 + 0x100 + i], (0x30 + i) & 0xFF) << "byte " << i;
  EXPECT_EQ(m.mem.video_ram[0x2000 + 0x100 + 48], 0) << "three blocks only";
  EXPECT_EQ(m.mem.video_ram[0x100], 0) << "bank 0 untouched";
  EXPECT_EQ(m.tiles.valid[512 + 16], 0) << "the copied tiles are stale in the cache";
  EXPECT_EQ(m.tiles.valid[512 + 18], 0);
  EXPECT_EQ(m.tiles.valid[512 + 19], 1);
  EXPECT_EQ(IoRead(m, 0xFF55), 0xFF) << "no copy running";

  IoWrite(m, 0xFF4F, 0);
  IoWrite(m, 0xFF55, 0x00);  // one block more, from where the copy stopped
  for (int i = 0; i < 16; i++) ASSERT_EQ(m.mem.video_ram[0x130 + i], (0x60 + i) & 0xFF) << "byte " << i;
  SetAddresses(0xC000, 0x1FF0);  // the last block of video RAM
  IoWrite(m, 0xFF55, 0x01);
  EXPECT_EQ(m.mem.video_ram[0x1FF0], 0x00);
  EXPECT_EQ(m.mem.video_ram[0x1FFF], (15 * 7) & 0xFF);
  EXPECT_EQ(m.mem.video_ram[0x0000], (16 * 7) & 0xFF) << "the destination wraps to 0x8000";
  for (int a : {0xFF51, 0xFF52, 0xFF53, 0xFF54}) EXPECT_EQ(IoRead(m, a), 0xFF) << "cannot be read back";
}

// The processor waits 8 machine cycles per block and one to start: the
// machine's time goes on meanwhile, and the timer, the divider and the LCD
// see it pass.
TEST(VramDma, GeneralCopyCostsTheProcessorEightCyclesPerBlock) {
  SetUpMachine();
  SetAddresses(0x0000, 0x0000);
  IoWrite(m, 0xFF04, 0x00);
  IoWrite(m, 0xFF07, 0x05);  // timer on, every 4 cycles
  IoWrite(m, 0xFF05, 0x00);
  const uint64_t total = m.clock.cycles;
  const int line = m.lcd.LY;
  IoWrite(m, 0xFF55, 0x3F);  // 64 blocks: 512 cycles
  EXPECT_EQ(m.clock.cycles - total, 512u + VramDmaStartCycles);
  EXPECT_EQ(IoRead(m, 0xFF05), 512 / 4) << "TIMA counted every cycle of the wait";
  EXPECT_EQ(IoRead(m, 0xFF04), 512 / 64) << "the divider steps once every 64 cycles";
  EXPECT_EQ(IoRead(m, 0xFF44), line + 512 / CyclesPerLine) << "the LCD counts the wait";
}

// One block at the start of each H-blank of a visible line while the LCD is
// on; 0xFF55 reads the blocks left − 1 with bit 7 clear meanwhile. Writing
// bit 7 clear stops it; 0xFF55 then reads the blocks left − 1 with bit 7
// set, and 0xFF once a copy has finished.
TEST(VramDma, HblankCopyOneBlockPerLineStopAndReadBack) {
  SetUpMachine();
  SetAddresses(0x4000 - 0x100, 0x0800);
  IoWrite(m, 0xFF55, 0x84);  // five blocks, one per H-blank
  EXPECT_EQ(m.mem.video_ram[0x800], 0) << "nothing copied before the first H-blank";
  EXPECT_EQ(IoRead(m, 0xFF55), 0x04);
  RunCycles(DrawingEndCycle - 1);
  EXPECT_EQ(m.mem.video_ram[0x800 + 1], 0);
  RunCycles(1);
  EXPECT_EQ(m.mem.video_ram[0x800 + 15], 0x0F) << "the first block as line 0's H-blank begins";
  EXPECT_EQ(m.mem.video_ram[0x800 + 16], 0x00);
  EXPECT_EQ(IoRead(m, 0xFF55), 0x03);
  RunCycles(CyclesPerLine);
  EXPECT_EQ(m.mem.video_ram[0x800 + 31], 0x1F) << "the second at line 1's";
  EXPECT_EQ(IoRead(m, 0xFF55), 0x02);
  IoWrite(m, 0xFF55, 0x00);  // stop
  EXPECT_EQ(IoRead(m, 0xFF55), 0x82) << "three blocks were left at the stop";
  RunCycles(CyclesPerLine * 3);
  EXPECT_EQ(m.mem.video_ram[0x800 + 32], 0x00) << "no block after the stop";
  EXPECT_EQ(m.mem.video_ram[0x800 + 16], 0x10) << "no general copy either";

  IoWrite(m, 0xFF55, 0x82);  // the three blocks left, from where it stopped
  RunCycles(CyclesPerLine * 5);
  EXPECT_EQ(m.mem.video_ram[0x800 + 32], 0x20);
  EXPECT_EQ(m.mem.video_ram[0x800 + 79], 0x4F);
  EXPECT_EQ(m.mem.video_ram[0x800 + 80], 0x00) << "three blocks only";
  EXPECT_EQ(IoRead(m, 0xFF55), 0xFF) << "finished";
}

// No H-blank without the LCD, nor in V-blank: the copy waits for the
// next visible line.
TEST(VramDma, HblankCopyWaitsWhileTheLcdIsOffAndDuringVblank) {
  SetUpMachine();
  SetAddresses(0x0000, 0x0000);
  RunCycles(CyclesPerLine * 144);  // to the start of V-blank
  IoWrite(m, 0xFF55, 0x80);
  RunCycles(CyclesPerLine * 10 - 1);
  EXPECT_EQ(IoRead(m, 0xFF55), 0x00) << "still running at the end of V-blank";
  IoWrite(m, 0xFF40, 0x11);  // LCD off
  RunCycles(CyclesPerFrame);
  EXPECT_EQ(IoRead(m, 0xFF55), 0x00) << "still running with the LCD off";
  EXPECT_EQ(m.mem.video_ram[15], 0);
  IoWrite(m, 0xFF40, 0x91);
  RunCycles(DrawingEndCycle);
  EXPECT_EQ(IoRead(m, 0xFF55), 0xFF);
  EXPECT_EQ(m.mem.video_ram[15], 15);
}

TEST(VramDma, ResetStopsTheCopy) {
  SetUpMachine();
  IoWrite(m, 0xFF55, 0x85);
  ResetMachine(m);
  EXPECT_EQ(m.hdma.active, 0);
  EXPECT_EQ(IoRead(m, 0xFF55), 0xFF);
  EXPECT_EQ(m.hdma.source, 0);
}

// The register page: joypad, DMA, banks, speed switch, sound forwarding.
#include <gtest/gtest.h>

#include "memory/bus.h"
#include "memory/oam_dma.h"
#include "sound/sound_system.h"
#include "support/machine.h"

TEST(Joypad, DirectionsAreSelectedAtStart) {
  ResetTestMachine();
  EXPECT_EQ(BusRead(m, 0xFF00), 0xFF) << "nothing held";
  m.io.joypad_held |= ButtonUp;
  EXPECT_EQ(BusRead(m, 0xFF00), 0xFB);
  m.io.joypad_held |= ButtonRight;
  EXPECT_EQ(BusRead(m, 0xFF00), 0xFA);
  m.io.joypad_held |= ButtonA;
  EXPECT_EQ(BusRead(m, 0xFF00), 0xFA) << "the buttons half is not looked at";
}

TEST(Joypad, SelectionByBitsFourAndFive) {
  ResetTestMachine();
  m.io.joypad_held |= ButtonB;
  BusWrite(m, 0xFF00, 0x10);
  EXPECT_EQ(BusRead(m, 0xFF00), 0xFD) << "0x10 selects the buttons: B is bit 1";
  BusWrite(m, 0xFF00, 0x00);
  EXPECT_EQ(BusRead(m, 0xFF00), 0xFD) << "0x00 keeps the selection";
  m.io.joypad_held |= ButtonUp;
  BusWrite(m, 0xFF00, 0x20);
  EXPECT_EQ(BusRead(m, 0xFF00), 0xFB) << "0x20 selects the directions";
  BusWrite(m, 0xFF00, 0x30);
  EXPECT_EQ(BusRead(m, 0xFF00), 0xFD) << "0x30: bit 4 wins";
}

TEST(Joypad, EveryButtonHasItsBit) {
  ResetTestMachine();
  m.io.joypad_held = 0xFF;
  BusWrite(m, 0xFF00, 0x20);
  EXPECT_EQ(BusRead(m, 0xFF00), 0xF0);
  BusWrite(m, 0xFF00, 0x10);
  EXPECT_EQ(BusRead(m, 0xFF00), 0xF0);
  m.io.joypad_held = ButtonStart;
  EXPECT_EQ(BusRead(m, 0xFF00), 0xF7);
  m.io.joypad_held = ButtonSelect;
  EXPECT_EQ(BusRead(m, 0xFF00), 0xFB);
}

// A byte a cycle, from the second cycle after the write; sources from
// 0xE000 read work RAM's echo.
TEST(IoRegisters, DmaCopiesOneHundredSixtyBytesOneACycle) {
  ResetTestMachine();
  for (int i = 0; i < 160; i++) BusWrite(m, 0xC100 + i, i ^ 0x5A);
  BusWrite(m, 0xFF46, 0xC1);
  m.clock.cycles += 2;
  OamDmaSync(m);
  EXPECT_EQ(m.mem.oam[0], 0x5A);
  EXPECT_EQ(m.mem.oam[1], 0x00) << "one byte so far";
  m.clock.cycles += 159;
  OamDmaSync(m);
  for (int i = 0; i < 160; i++) ASSERT_EQ(m.mem.oam[i], i ^ 0x5A) << i;
  EXPECT_EQ(BusRead(m, 0xFF46), 0xC1) << "the DMA register reads back";

  BusWrite(m, 0xDF80, 0x42);
  BusWrite(m, 0xFF46, 0xFF);
  m.clock.cycles += 200;
  OamDmaSync(m);
  EXPECT_EQ(m.mem.oam[0x80], 0x42) << "0xFF80 is read as 0xDF80";
}

// Programs that switch banks in an interrupt handler read VBK first and
// write it back at the end: the bank reads back in bit 0, the other bits 1.
TEST(IoRegisters, VideoRamBankIsSwitchedAndReadsBackInBit0) {
  ResetTestMachine(ColourImage());
  m.mem.video_ram[0x2000] = 0x99;
  EXPECT_EQ(BusRead(m, 0xFF4F), 0xFE);
  BusWrite(m, 0xFF4F, 0x01);
  EXPECT_EQ(BusRead(m, 0x8000), 0x99);
  EXPECT_EQ(BusRead(m, 0xFF4F), 0xFF);
  BusWrite(m, 0xFF4F, 0xFE);
  EXPECT_EQ(BusRead(m, 0x8000), 0x00) << "only bit 0 counts";
  EXPECT_EQ(BusRead(m, 0xFF4F), 0xFE);
}

TEST(IoRegisters, WorkRamBankZeroMeansOne) {
  ResetTestMachine(ColourImage());
  EXPECT_EQ(BusRead(m, 0xFF70), 0x00) << "reads 0 after the reset although bank 1 is shown";
  m.mem.work_ram[0x1000] = 0x11;
  m.mem.work_ram[0x7000] = 0x77;
  BusWrite(m, 0xFF70, 0x07);
  EXPECT_EQ(BusRead(m, 0xD000), 0x77);
  BusWrite(m, 0xFF70, 0x00);
  EXPECT_EQ(BusRead(m, 0xFF70), 0x01);
  EXPECT_EQ(BusRead(m, 0xD000), 0x11);
  BusWrite(m, 0xFF70, 0x08);
  EXPECT_EQ(BusRead(m, 0xFF70), 0x01);
}

// KEY1: the speed in bit 7, the prepare bit in bit 0, the others read 1.
TEST(IoRegisters, SpeedSwitchPrepareReadsBack) {
  ResetTestMachine(ColourImage());
  EXPECT_EQ(BusRead(m, 0xFF4D), 0x7E);
  BusWrite(m, 0xFF4D, 0x01);
  EXPECT_EQ(BusRead(m, 0xFF4D), 0x7F);
  EXPECT_EQ(m.io.KEY1, 1);
  m.io.double_speed = 1;
  EXPECT_EQ(BusRead(m, 0xFF4D), 0xFF);
}

TEST(IoRegisters, PlainRegistersStoreWhatIsWritten) {
  ResetTestMachine();
  const int plain[] = {0xFF05, 0xFF06, 0xFF45, 0xFF4A, 0xFF4B, 0xFFFF};
  for (int a : plain) {
    BusWrite(m, a, 0xA7);
    EXPECT_EQ(BusRead(m, a), 0xA7) << std::hex << a;
  }
  BusWrite(m, 0xFF07, 0xA7);
  EXPECT_EQ(BusRead(m, 0xFF07), 0xFF) << "TAC keeps bits 0-2; the others read 1";
  BusWrite(m, 0xFF0F, 0xA7);
  EXPECT_EQ(BusRead(m, 0xFF0F), 0xE7) << "IF keeps bits 0-4; the others read 1";
}

TEST(IoRegisters, LyIgnoresWritesAndStatKeepsOnlyItsSourceSelects) {
  ResetTestMachine();
  BusWrite(m, 0xFF44, 0x33);
  EXPECT_EQ(m.lcd.LY, 0);
  BusWrite(m, 0xFF41, 0xFF);
  EXPECT_EQ(BusRead(m, 0xFF41) & 0xF8, 0xF8) << "bits 3-6 as written, bit 7 reads 1";
  BusWrite(m, 0xFF41, 0x00);
  EXPECT_EQ(BusRead(m, 0xFF41) & 0xF8, 0x80);
  BusWrite(m, 0xFF45, 1);  // LY = 0: no match, so bit 2 reads 0 whatever is written
  BusWrite(m, 0xFF41, 0x04);
  EXPECT_EQ(BusRead(m, 0xFF41) & 0x07, 0x02) << "bit 2 and the mode are not written: line 0 starts in mode 2";
}

TEST(IoRegisters, UnusedAddressesReadZero) {
  ResetTestMachine();
  for (int a : {0xFF03, 0xFF08, 0xFF4C, 0xFF57, 0xFF6D, 0xFF7F}) {
    BusWrite(m, a, 0xFF);
    EXPECT_EQ(BusRead(m, a), 0x00) << std::hex << a;
  }
}

TEST(IoRegisters, SoundRegistersGoToTheSoundSystem) {
  ResetTestMachine();
  BusWrite(m, 0xFF26, 0x80);  // sound on
  BusWrite(m, 0xFF24, 0x35);
  EXPECT_EQ(BusRead(m, 0xFF24), 0x35);
  EXPECT_EQ(m.sound.chip.regs[0x14], 0x35);
  EXPECT_EQ(BusRead(m, 0xFF11), 0x3F) << "the length bits read 1";
  EXPECT_EQ(BusRead(m, 0xFF27), 0xFF) << "nothing there";
  BusWrite(m, 0xFF3F, 0xAB);
  EXPECT_EQ(BusRead(m, 0xFF3F), 0xAB) << "the wave pattern";
}

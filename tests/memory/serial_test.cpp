// The serial port with nothing connected.
#include <gtest/gtest.h>

#include <vector>

#include "cpu/cpu.h"
#include "cpu/registers.h"
#include "memory/bus.h"
#include "memory/serial.h"
#include "machine/clock.h"
#include "memory/timer.h"
#include "support/machine.h"

namespace {

std::vector<uint8_t>& Sent = m.serial.sent;

// The machine's time moves on, and the units with it.
void Advance(int cycles) {
  m.clock.cycles += static_cast<uint64_t>(cycles);
  SyncUnits(m);
}

class Serial : public testing::Test {
 protected:
  void SetUp() override {
    ResetTestMachine();
    Sent.clear();
    m.serial.listening = true;
  }
  void TearDown() override { m.serial.listening = false; }
};

// The tests stay in the namespace, where the fixture hides the port's own
// struct of the same name.

// The bits go out on the falling edges of the system counter's bit 8, every
// 128 cycles: the eighth edge after the start ends the transfer.
TEST_F(Serial, InternalClockTransferEndsOnTheEighthEdgeOfCounterBit8) {
  BusWrite(m, 0xFF04, 0);  // the counter at 0: its bit 8 falls every 128 cycles from now
  BusWrite(m, 0xFF01, 0x5A);
  BusWrite(m, 0xFF02, 0x81);
  EXPECT_EQ(Sent, std::vector<uint8_t>{0x5A}) << "the byte is kept for the front end as its transfer starts";
  EXPECT_EQ(BusRead(m, 0xFF02), 0xFD) << "bits 7 and 0 as written, the unused bits read 1";
  Advance(1023);
  EXPECT_EQ(BusRead(m, 0xFF02) & 0x80, 0x80) << "one cycle before the end the transfer is still running";
  EXPECT_EQ(BusRead(m, 0xFF01), 0x5A);
  EXPECT_EQ(m.io.IF & SerialRequest, 0);
  Advance(1);
  EXPECT_EQ(BusRead(m, 0xFF02), 0x7D) << "bit 7 clears when the eighth bit is done";
  EXPECT_EQ(BusRead(m, 0xFF01), 0xFF) << "with nothing connected the byte received is 0xFF";
  EXPECT_EQ(m.io.IF & SerialRequest, SerialRequest) << "the serial interrupt is requested";

  // Started 100 cycles into a bit's time, the transfer ends 28 + 7 x 128
  // cycles later.
  m.io.IF = 0;
  Advance(100);
  BusWrite(m, 0xFF01, 0x42);
  BusWrite(m, 0xFF02, 0x81);
  Advance(28 + 7 * 128 - 1);
  EXPECT_EQ(m.io.IF & SerialRequest, 0);
  Advance(1);
  EXPECT_EQ(m.io.IF & SerialRequest, SerialRequest);
  EXPECT_EQ(Sent, (std::vector<uint8_t>{0x5A, 0x42}));
}

TEST_F(Serial, ExternalClockNeverEndsAndClearingBit7Abandons) {
  BusWrite(m, 0xFF01, 0x33);
  BusWrite(m, 0xFF02, 0x80);
  Advance(400000);
  EXPECT_EQ(BusRead(m, 0xFF02) & 0x80, 0x80) << "nothing drives the external clock";
  EXPECT_EQ(BusRead(m, 0xFF01), 0x33);
  EXPECT_EQ(m.io.IF & SerialRequest, 0);
  EXPECT_TRUE(Sent.empty()) << "no byte leaves without a clock";

  BusWrite(m, 0xFF02, 0x81);
  Advance(500);
  BusWrite(m, 0xFF02, 0x01);
  Advance(2000);
  EXPECT_EQ(m.io.IF & SerialRequest, 0) << "a transfer abandoned by clearing bit 7 never completes";
  EXPECT_EQ(BusRead(m, 0xFF01), 0x33);
}

// The timer and a transfer each keep counting when the other stops.
TEST_F(Serial, TransferAndTimerCountIndependently) {
  BusWrite(m, 0xFF07, 0x05);  // timer on, 4 cycles per count
  BusWrite(m, 0xFF02, 0x81);
  Advance(400);
  EXPECT_EQ(m.timer.TIMA, 100);
  BusWrite(m, 0xFF07, 0x00);  // the timer stops; the transfer goes on
  Advance(624);
  EXPECT_EQ(m.io.IF & SerialRequest, SerialRequest) << "1024 cycles after its start";
  EXPECT_EQ(m.timer.TIMA, 100);
  BusWrite(m, 0xFF07, 0x05);  // the transfer is over; the timer runs alone
  Advance(40);
  EXPECT_EQ(m.timer.TIMA, 110);

  ResetTestMachine();
  BusWrite(m, 0xFF02, 0x81);
  ResetTestMachine();  // a reset drops the transfer
  BusWrite(m, 0xFF07, 0x05);
  Advance(1200);
  EXPECT_EQ(m.io.IF & SerialRequest, 0);
  EXPECT_EQ(m.timer.TIMA, 44) << "300 counts: 255 up to the overflow, reloaded from 0, then 44";
}

// The program starts a transfer and halts with only the serial interrupt
// enabled: the halted steps cover the wait in few long steps, yet the wait
// ends exactly when the transfer does.
TEST_F(Serial, HaltedWaitEndsExactlyWhenTheTransferCompletes) {
  for (bool timer_on : {false, true}) {
    ResetTestMachine();
    const uint8_t program[] = {
        0x3E, 0x81,  // LD A,0x81
        0xE0, 0x02,  // LDH (0x02),A
        0x76,        // HALT
        0x00,        // NOP
    };
    for (int i = 0; i < static_cast<int>(sizeof program); i++) BusWrite(m, 0xC000 + i, program[i]);
    m.cpu.PC = 0xC000;
    m.cpu.IME = 0;
    m.io.IE = SerialRequest;
    BusWrite(m, 0xFF40, 0x80);
    if (timer_on) BusWrite(m, 0xFF07, 0x05);
    CpuStep(m);
    CpuStep(m);
    RunDueEvents(m);
    const uint64_t end = m.serial.ends_at;
    int steps = 0;
    do {
      CpuStep(m);
      RunDueEvents(m);
      steps++;
    } while (m.cpu.PC != 0xC006 && steps < 5000);
    // The halted wait ends at the transfer's end; a cycle of waking, and
    // the NOP's fetch.
    EXPECT_EQ(m.clock.cycles - end, 2u) << "timer on: " << timer_on;
    EXPECT_EQ(BusRead(m, 0xFF01), 0xFF);
    EXPECT_LT(steps, 200) << "the halted wait is covered in long steps";
  }
}

}  // namespace

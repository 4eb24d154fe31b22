// The timing test cartridges of the colour model, through --test: the
// mooneye acceptance cartridges whose names apply to it (no model suffix,
// or one that names the colour model) and Blargg's timing cartridges. A
// cartridge that cannot pass yet is listed with the reason; should it pass
// one day, its row must change.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "support/run.h"

namespace {

struct TimingCartridge {
  const char* path;       // under tests/cartridges
  const char* not_yet;    // why it fails for now, or null when it passes
};

void PrintTo(const TimingCartridge& c, std::ostream* out) { *out << c.path; }

constexpr const char* DoubleSpeed = "the speed switch is not built yet";

const TimingCartridge Cartridges[] = {
    {"mooneye/acceptance/add_sp_e_timing.gb", nullptr},
    {"mooneye/acceptance/bits/mem_oam.gb", nullptr},
    {"mooneye/acceptance/bits/reg_f.gb", nullptr},
    {"mooneye/acceptance/call_cc_timing.gb", nullptr},
    {"mooneye/acceptance/call_cc_timing2.gb", nullptr},
    {"mooneye/acceptance/call_timing.gb", nullptr},
    {"mooneye/acceptance/call_timing2.gb", nullptr},
    {"mooneye/acceptance/div_timing.gb", nullptr},
    {"mooneye/acceptance/ei_sequence.gb", nullptr},
    {"mooneye/acceptance/ei_timing.gb", nullptr},
    {"mooneye/acceptance/halt_ime0_ei.gb", nullptr},
    {"mooneye/acceptance/halt_ime0_nointr_timing.gb", nullptr},
    {"mooneye/acceptance/halt_ime1_timing.gb", nullptr},
    {"mooneye/acceptance/if_ie_registers.gb", nullptr},
    {"mooneye/acceptance/instr/daa.gb", nullptr},
    {"mooneye/acceptance/interrupts/ie_push.gb", nullptr},
    {"mooneye/acceptance/intr_timing.gb", nullptr},
    {"mooneye/acceptance/jp_cc_timing.gb", nullptr},
    {"mooneye/acceptance/jp_timing.gb", nullptr},
    {"mooneye/acceptance/ld_hl_sp_e_timing.gb", nullptr},
    {"mooneye/acceptance/oam_dma/basic.gb", nullptr},
    {"mooneye/acceptance/oam_dma/reg_read.gb", nullptr},
    {"mooneye/acceptance/oam_dma_restart.gb", nullptr},
    {"mooneye/acceptance/oam_dma_start.gb", nullptr},
    {"mooneye/acceptance/oam_dma_timing.gb", nullptr},
    {"mooneye/acceptance/pop_timing.gb", nullptr},
    {"mooneye/acceptance/push_timing.gb", nullptr},
    {"mooneye/acceptance/rapid_di_ei.gb", nullptr},
    {"mooneye/acceptance/ret_cc_timing.gb", nullptr},
    {"mooneye/acceptance/ret_timing.gb", nullptr},
    {"mooneye/acceptance/reti_intr_timing.gb", nullptr},
    {"mooneye/acceptance/reti_timing.gb", nullptr},
    {"mooneye/acceptance/rst_timing.gb", nullptr},
    {"mooneye/acceptance/timer/div_write.gb", nullptr},
    {"mooneye/acceptance/timer/rapid_toggle.gb", nullptr},
    {"mooneye/acceptance/timer/tim00.gb", nullptr},
    {"mooneye/acceptance/timer/tim00_div_trigger.gb", nullptr},
    {"mooneye/acceptance/timer/tim01.gb", nullptr},
    {"mooneye/acceptance/timer/tim01_div_trigger.gb", nullptr},
    {"mooneye/acceptance/timer/tim10.gb", nullptr},
    {"mooneye/acceptance/timer/tim10_div_trigger.gb", nullptr},
    {"mooneye/acceptance/timer/tim11.gb", nullptr},
    {"mooneye/acceptance/timer/tim11_div_trigger.gb", nullptr},
    {"mooneye/acceptance/timer/tima_reload.gb", nullptr},
    {"mooneye/acceptance/timer/tima_write_reloading.gb", nullptr},
    {"mooneye/acceptance/timer/tma_write_reloading.gb", nullptr},
    {"mooneye/acceptance/ppu/intr_2_0_timing.gb", nullptr},
    {"mooneye/acceptance/ppu/intr_2_mode0_timing.gb", nullptr},
    {"mooneye/acceptance/ppu/intr_2_mode0_timing_sprites.gb", nullptr},
    {"mooneye/acceptance/ppu/intr_2_mode3_timing.gb", nullptr},
    {"mooneye/acceptance/ppu/intr_2_oam_ok_timing.gb", nullptr},
    {"mooneye/acceptance/ppu/stat_irq_blocking.gb", nullptr},
    {"mooneye/acceptance/ppu/stat_lyc_onoff.gb", nullptr},
    {"blargg-timing/instr_timing/instr_timing.gb", nullptr},
    {"blargg-timing/mem_timing/mem_timing.gb", nullptr},
    {"blargg-timing/mem_timing-2/mem_timing.gb", nullptr},
    {"blargg-timing/halt_bug.gb", nullptr},
    {"blargg-timing/interrupt_time/interrupt_time.gb", DoubleSpeed},
};

class TimingCartridges : public testing::TestWithParam<TimingCartridge> {};

TEST_P(TimingCartridges, GiveTheirVerdict) {
  const TimingCartridge& c = GetParam();
  const std::string rom = RomPath(c.path);
  RunResult r = RunPellix({"--test", "--no-save", "--frames", "3000", rom}, MakeTempDir("timing"), 60);
  if (c.not_yet) {
    EXPECT_EQ(r.exit_code, 1) << "a known failure (" << c.not_yet << ") should still fail cleanly: " << r.out << r.err;
  } else {
    EXPECT_EQ(r.out, rom + ": passed\n") << r.err;
    EXPECT_EQ(r.exit_code, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(ColourModel, TimingCartridges, testing::ValuesIn(Cartridges),
                         [](const testing::TestParamInfo<TimingCartridge>& info) {
                           std::string name = info.param.path;
                           for (char& ch : name)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

}  // namespace

// Cartridges of our own for what the others do not pin down: the timer's
// edges (DIV and TAC writes that count, the reload's cycle), and HALT (the
// halt bug, then with nothing enabled a halt for good while the frames go
// on: no verdict, where running on past it would report a failure).
TEST(OwnTimingCartridges, TimerEdgesAndHalt) {
  const std::string dir = MakeTempDir("own-timing");
  const RunResult timer = RunPellix({"--test", TestRomPath("timer_edges")}, dir);
  EXPECT_EQ(timer.exit_code, 0) << timer.out;
  const RunResult halt = RunPellix({"--test", "--frames", "120", TestRomPath("halt_cases")}, dir);
  EXPECT_EQ(halt.out, TestRomPath("halt_cases") + ": no verdict after 120 frames\n");
  EXPECT_EQ(halt.exit_code, 4);
}

// The colour model's lesser registers (0xFF72-0xFF75, OPRI, the channels'
// outputs at 0xFF76 and 0xFF77), and a monochrome cartridge's compatibility
// mode, where VBK, SVBK and the palette ports do nothing.
TEST(OwnColourModelCartridges, RegistersAndCompatibilityMode) {
  const std::string dir = MakeTempDir("own-colour-model");
  for (const char* name : {"colour_registers", "compatibility_mode"}) {
    const RunResult r = RunPellix({"--test", TestRomPath(name)}, dir);
    EXPECT_EQ(r.out, TestRomPath(name) + ": passed\n") << r.err;
  }
}

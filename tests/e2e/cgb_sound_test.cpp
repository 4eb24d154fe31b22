// The sound register test cartridges for the colour console, run headless as
// a user would. Each prints its verdict into the background map, which the
// program leaves in "vram.bin" (bytes 0x1800-0x1BFF: 32 rows of 32 ASCII
// codes). They time themselves by their own instructions against the
// length counters, so they also hold the processor's instruction costs.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "support/run.h"
#include "support/vram_map.h"

namespace {

using Cartridge = VerdictCartridge;

const Cartridge Cartridges[] = {
    {"Registers", "cgb_sound/rom_singles/01-registers.gb", 120},
    {"LengthCounter", "cgb_sound/rom_singles/02-len ctr.gb", 1150},
    {"Trigger", "cgb_sound/rom_singles/03-trigger.gb", 2050},
    {"Sweep", "cgb_sound/rom_singles/04-sweep.gb", 160},
    {"SweepDetails", "cgb_sound/rom_singles/05-sweep details.gb", 160},
    {"OverflowOnTrigger", "cgb_sound/rom_singles/06-overflow on trigger.gb", 130},
    {"LengthSweepPeriodSync", "cgb_sound/rom_singles/07-len sweep period sync.gb", 80},
    {"LengthCounterDuringPower", "cgb_sound/rom_singles/08-len ctr during power.gb", 300},
    {"WaveReadWhileOn", "cgb_sound/rom_singles/09-wave read while on.gb", 80},
    {"WaveTriggerWhileOn", "cgb_sound/rom_singles/10-wave trigger while on.gb", 500},
    {"RegistersAfterPower", "cgb_sound/rom_singles/11-regs after power.gb", 120},
    {"Wave", "cgb_sound/rom_singles/12-wave.gb", 70},
    {"AllInOne", "cgb_sound/cgb_sound.gb", 4400},
};

class CgbSound : public testing::TestWithParam<Cartridge> {};

TEST_P(CgbSound, CartridgePrintsPassed) {
  const Cartridge& cart = GetParam();
  ExpectCartridgePrintsPassed(RomPath(cart.path), cart.frames, std::string("cgb-sound-") + cart.name);
}

// The test-runner mode reads the verdict from the status block in the
// cartridge's RAM and ends the run there.
TEST_P(CgbSound, TestModePasses) {
  const Cartridge& cart = GetParam();
  ExpectTestModePasses(RomPath(cart.path), cart.frames, std::string("cgb-sound-test-") + cart.name);
}

INSTANTIATE_TEST_SUITE_P(Cartridges, CgbSound, testing::ValuesIn(Cartridges),
                         [](const testing::TestParamInfo<Cartridge>& info) { return info.param.name; });

}  // namespace

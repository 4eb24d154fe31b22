// The processor instruction test cartridges, run headless as a user would.
// Each prints its verdict through the serial port, where the test-runner
// mode reads it, and into the background map, which the program leaves in
// "vram.bin" (bytes 0x1800-0x1BFF: 32 rows of 32 ASCII codes).
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "support/run.h"
#include "support/vram_map.h"

namespace {

using Cartridge = VerdictCartridge;

const Cartridge Cartridges[] = {
    {"Special", "cpu_instrs/individual/01-misc-instrs.gb", 400},
    {"Interrupts", "cpu_instrs/individual/02-interrupts.gb", 200},
    {"OpSpHl", "cpu_instrs/individual/03-op sp,hl.gb", 400},
    {"OpRImm", "cpu_instrs/individual/04-op r,imm.gb", 400},
    {"OpRp", "cpu_instrs/individual/05-op rp.gb", 500},
    {"LdRR", "cpu_instrs/individual/06-ld r,r.gb", 200},
    {"JrJpCallRetRst", "cpu_instrs/individual/07-jr,jp,call,ret,rst.gb", 200},
    {"MiscInstrs", "cpu_instrs/individual/08-misc instrs.gb", 200},
    {"OpRR", "cpu_instrs/individual/09-op r,r.gb", 1200},
    {"BitOps", "cpu_instrs/individual/10-bit ops.gb", 1800},
    {"OpAHl", "cpu_instrs/individual/11-op a,(hl).gb", 2200},
    {"AllInOne", "cpu_instrs/cpu_instrs.gb", 5000},
};

class CpuInstrs : public testing::TestWithParam<Cartridge> {};

TEST_P(CpuInstrs, CartridgePrintsPassed) {
  const Cartridge& cart = GetParam();
  ExpectCartridgePrintsPassed(RomPath(cart.path), cart.frames, std::string("cpu-instrs-") + cart.name,
                              VerdictIn::Serial);
}

// The test-runner mode reads the same verdict from the serial text and ends
// the run there.
TEST_P(CpuInstrs, TestModePasses) {
  const Cartridge& cart = GetParam();
  ExpectTestModePasses(RomPath(cart.path), cart.frames, std::string("cpu-instrs-test-") + cart.name);
}

INSTANTIATE_TEST_SUITE_P(Cartridges, CpuInstrs, testing::ValuesIn(Cartridges),
                         [](const testing::TestParamInfo<Cartridge>& info) { return info.param.name; });

}  // namespace

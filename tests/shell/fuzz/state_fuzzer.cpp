// libFuzzer target for the state loader. The machine is a real cartridge
// after a minute of frames; each input starts from that same machine. The
// first byte chooses what the rest is: even, the machine state itself
// (LoadMachineState, with every range check); odd, a whole state file
// (its header, the unpacking, its CRCs, then the state). A refused input
// must leave the machine exactly as it was; an accepted one must run on
// for a frame without reading or writing outside any buffer (the
// sanitizers watch). With PELLIX_FUZZ_MAKE_SEEDS=FOLDER the program writes
// seeds of both kinds there and exits. With PELLIX_FUZZ_SWEEP set it
// changes every number of the machine's state in turn, to values at and
// around the edges of its range, checks each state as an input, and exits.
#include <allegro.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "machine/console.h"
#include "machine/state.h"
#include "memory/cartridge.h"
#include "shell/cartridge_file.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/run_control.h"
#include "shell/state_files.h"
#include "shell/stream_output.h"

namespace {

std::vector<uint8_t> Reference;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

std::vector<uint8_t> State() { return TheMachine().SaveState(); }

bool Load(const std::vector<uint8_t>& state) { return TheMachine().LoadState(state.data(), state.size()); }

// Every frame ends (with the LCD on or off) unless the processor stops.
// The sound is taken after each, as a run takes it.
void RunFrames(long frames) {
  for (long frame = 0; frame < frames && TheMachine().RunFrame(NextFrameButtons()); frame++) {
    HandOffSound();
    RunBetweenFrames();
  }
}

void WriteSeed(const std::string& path, uint8_t kind, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  std::fputc(kind, file);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// One input, checked: whether the state in it was taken.
bool TryInput(const uint8_t* data, size_t size) {
  Check(Load(Reference));
  const std::vector<uint8_t> before = State();
  const std::vector<uint8_t> bytes(data + 1, data + size);
  bool loaded;
  if ((data[0] & 1) == 0) {
    loaded = Load(bytes);
  } else {
    std::vector<uint8_t> state;
    StateProblem problem;
    loaded = DecodeStateFile(bytes, state, problem) && Load(state);
    Check(loaded || !problem.message.empty() || problem.refusal == StateRefusal::None);
  }
  if (loaded) RunFrames(1);
  else Check(State() == before);  // a refused state changes nothing
  return loaded;
}

// Each number of the state in turn: none, one, one more and one less than
// it was, every bit, the top bit alone, the largest signed value, double.
void Sweep() {
  std::vector<uint8_t> state;
  std::vector<StateWriter::Field> fields;
  SaveMachineState(TheMachine().console(), state, &fields);
  long loaded = 0, refused = 0;
  for (const StateWriter::Field& field : fields) {
    const int bits = 8 * field.size;
    const uint64_t mask = bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
    uint64_t was = 0;
    for (int i = 0; i < field.size; i++) was |= uint64_t{state[field.at + i]} << (8 * i);
    const uint64_t top = uint64_t{1} << (bits - 1);
    for (uint64_t value : {uint64_t{0}, uint64_t{1}, was + 1, was - 1, mask, top, top - 1, was * 2}) {
      value &= mask;
      if (value == was) continue;
      std::vector<uint8_t> input(1, 0);
      input.insert(input.end(), state.begin(), state.end());
      for (int i = 0; i < field.size; i++) input[1 + field.at + i] = static_cast<uint8_t>(value >> (8 * i));
      if (TryInput(input.data(), input.size())) loaded++;
      else refused++;
    }
  }
  std::printf("state sweep: %zu numbers, %ld changed states ran on, %ld refused\n", fields.size(), loaded, refused);
}

void MakeSeeds(const std::string& folder) {
  for (int n = 0; n < 3; n++) {
    RunFrames(n == 0 ? 1 : 150);
    WriteSeed(folder + "/state-" + std::to_string(n), 0, State());
    WriteSeed(folder + "/file-" + std::to_string(n), 1, EncodeStateFile());
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  install_allegro(SYSTEM_NONE, &errno, std::atexit);
  Headless = true;
  if (!CreateBitmaps()) std::abort();
  const char* rom = std::getenv("PELLIX_FUZZ_ROM");
  std::string error;
  if (!rom || !LoadCartridgeFile(TheMachine(), rom, &error)) {
    std::vector<uint8_t> image(0x8000, 0);  // a cartridge that runs NOPs: still a whole machine
    image[0x147] = 0x10;                    // MBC3 with the clock and RAM
    image[0x149] = 0x03;
    InstallCartridgeImage(TheMachine().console(), image.data(), static_cast<long>(image.size()));
  }
  StartSound(false);
  TheMachine().Reset();
  if (const char* seeds = std::getenv("PELLIX_FUZZ_MAKE_SEEDS")) {
    MakeSeeds(seeds);
    std::exit(0);
  }
  RunFrames(60);
  Reference = State();
  if (std::getenv("PELLIX_FUZZ_SWEEP")) {
    Sweep();
    std::exit(0);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size >= 1) TryInput(data, size);
  return 0;
}

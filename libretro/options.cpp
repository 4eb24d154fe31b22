#include "libretro/options.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "libretro/front_end.h"
#include "memory/machine_state.h"
#include "video/renderer.h"

namespace {

const char* const ColoursKey = "pellix_colours";
const char* const GreenShades = "greens";
const char* const OwnColours = "cartridge";

// Front ends of the first options interface and later get a label and a
// line of explanation; older ones a plain list of values.
retro_core_option_definition Definitions[] = {
    {ColoursKey, "Colours",
     "Colour cartridges in the four greens of the original handheld's screen, or in their own colours. "
     "Monochrome cartridges stay green.",
     {{GreenShades, "Green shades"}, {OwnColours, "The cartridge's own"}, {nullptr, nullptr}},
     GreenShades},
    {nullptr, nullptr, nullptr, {{nullptr, nullptr}}, nullptr},
};

const retro_variable Variables[] = {
    {ColoursKey, "Colours; greens|cartridge"},
    {nullptr, nullptr},
};

bool OwnColoursChosen() {
  retro_variable colours{ColoursKey, nullptr};
  return Ask(RETRO_ENVIRONMENT_GET_VARIABLE, &colours) && colours.value && std::strcmp(colours.value, OwnColours) == 0;
}

}  // namespace

void DeclareOptions() {
  unsigned version = 0;
  if (Ask(RETRO_ENVIRONMENT_GET_CORE_OPTIONS_VERSION, &version) && version >= 1)
    Ask(RETRO_ENVIRONMENT_SET_CORE_OPTIONS, Definitions);
  else
    Ask(RETRO_ENVIRONMENT_SET_VARIABLES, const_cast<retro_variable*>(Variables));
}

void ReadOptions(bool take_all) {
  if (take_all) {
    TrueColoursOption = OwnColoursChosen();  // the reset that follows draws in them
    return;
  }
  bool changed = false;
  if (!Ask(RETRO_ENVIRONMENT_GET_VARIABLE_UPDATE, &changed) || !changed) return;
  const bool own = OwnColoursChosen();
  if (own == TrueColoursOption) return;
  // The machine draws in the colours TrueColoursOption chose at the last
  // reset or state load. A state taken and loaded again puts the machine
  // back exactly where it is, its palettes' pixel tables and its picture
  // made again for the colours chosen now.
  TrueColoursOption = own;
  std::vector<uint8_t> state;
  SaveMachineState(state);
  LoadMachineState(state.data(), state.size());
}

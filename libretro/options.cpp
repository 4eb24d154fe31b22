#include "libretro/options.h"

#include <cstring>

#include "libretro/front_end.h"
#include "libretro/game.h"

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

bool OwnColoursShown = false;

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

// The machine's picture is the same in either look: the colours are the
// front end's choice, and a change shows from the next picture on.
void ReadOptions(bool take_all) {
  bool changed = false;
  if (take_all || (Ask(RETRO_ENVIRONMENT_GET_VARIABLE_UPDATE, &changed) && changed))
    OwnColoursShown = OwnColoursChosen();
}

bool ShowsTrueColours() { return OwnColoursShown && CoreMachine().Cartridge().colour; }

#include "libretro/buttons.h"

#include "libretro/front_end.h"
#include "machine/machine.h"

namespace {

struct JoypadButton {
  unsigned id;  // RETRO_DEVICE_ID_JOYPAD_...
  uint8_t bit;
  const char* name;
};

const JoypadButton Buttons[] = {
    {RETRO_DEVICE_ID_JOYPAD_UP, ButtonUp, "Up"},
    {RETRO_DEVICE_ID_JOYPAD_DOWN, ButtonDown, "Down"},
    {RETRO_DEVICE_ID_JOYPAD_LEFT, ButtonLeft, "Left"},
    {RETRO_DEVICE_ID_JOYPAD_RIGHT, ButtonRight, "Right"},
    {RETRO_DEVICE_ID_JOYPAD_A, ButtonA, "A"},
    {RETRO_DEVICE_ID_JOYPAD_B, ButtonB, "B"},
    {RETRO_DEVICE_ID_JOYPAD_START, ButtonStart, "Start"},
    {RETRO_DEVICE_ID_JOYPAD_SELECT, ButtonSelect, "Select"},
};

}  // namespace

void DescribeButtons() {
  retro_input_descriptor descriptors[sizeof Buttons / sizeof Buttons[0] + 1] = {};
  int n = 0;
  for (const JoypadButton& button : Buttons) descriptors[n++] = {0, RETRO_DEVICE_JOYPAD, 0, button.id, button.name};
  Ask(RETRO_ENVIRONMENT_SET_INPUT_DESCRIPTORS, descriptors);
}

uint8_t ReadButtons() {
  if (!InputPoll || !InputState) return 0;
  InputPoll();
  uint8_t held = 0;
  for (const JoypadButton& button : Buttons)
    if (InputState(0, RETRO_DEVICE_JOYPAD, 0, button.id)) held |= button.bit;
  return held;
}

#include "shell/input.h"

#include <allegro.h>

#include "cpu/cpu.h"
#include "shell/display.h"
#include "shell/input_script.h"

JoypadButtons JoypadState;

// None of the player's controls shares a key with the console's buttons,
// Enter, Escape or the trace key.
const KeyTable DefaultKeyBindings = {{
    {"up", KEY_UP},       {"down", KEY_DOWN},          {"left", KEY_LEFT},   {"right", KEY_RIGHT},
    {"a", KEY_X},         {"b", KEY_Z},                {"start", KEY_Q},     {"select", KEY_W},
    {"pause", KEY_P},     {"fast_forward", KEY_TAB},   {"reset", KEY_F1},    {"screenshot", KEY_F12},
    {"fullscreen", KEY_F11},  {"save_state", KEY_F2},    {"state_slot", KEY_F3}, {"load_state", KEY_F4},
    {"rewind", KEY_BACKSPACE},
}};

KeyTable KeyBindings = DefaultKeyBindings;

JoystickBinding JoystickMap;

void RestoreDefaultBindings() {
  KeyBindings = DefaultKeyBindings;
  JoystickMap = JoystickBinding{};
}

bool ActionHeld(KeyAction action) { return key[KeyBindings[action].scancode] != 0; }

// Samples the bound keys and joystick into the eight buttons, once per frame,
// and adds the buttons an input script holds. Headless runs read no device:
// there only the script presses buttons.
void PollInput() {
  if (Headless) {
    JoypadState = ScriptButtons;
    return;
  }
  poll_joystick();
  const JOYSTICK_INFO& pad = joy[JoystickMap.number];
  const JOYSTICK_AXIS_INFO& horizontal = pad.stick[0].axis[0];
  const JOYSTICK_AXIS_INFO& vertical = pad.stick[0].axis[1];
  JoypadState.Up = ActionHeld(ActionUp) || vertical.d1;
  JoypadState.Down = ActionHeld(ActionDown) || vertical.d2;
  JoypadState.Left = ActionHeld(ActionLeft) || horizontal.d1;
  JoypadState.Right = ActionHeld(ActionRight) || horizontal.d2;
  JoypadState.B = ActionHeld(ActionB) || pad.button[JoystickMap.b].b;
  JoypadState.A = ActionHeld(ActionA) || pad.button[JoystickMap.a].b;
  JoypadState.Start = ActionHeld(ActionStart) || pad.button[JoystickMap.start].b;
  JoypadState.Select = ActionHeld(ActionSelect) || pad.button[JoystickMap.select].b;
  AddScriptButtons(JoypadState);
  TraceKeyHeld = key[KEY_TILDE] != 0;
}

#include "shell/input.h"

#include <allegro.h>

#include "shell/display.h"
#include "shell/input_script.h"
#include "shell/run_control.h"

JoypadButtons DeviceButtons;
bool TraceAll = false;
bool TraceKeyHeld = false;

// None of the player's controls shares a key with the console's buttons,
// Enter, Escape or the trace key.
const KeyTable DefaultKeyBindings = {{
    {"up", KEY_UP},       {"down", KEY_DOWN},          {"left", KEY_LEFT},   {"right", KEY_RIGHT},
    {"a", KEY_X},         {"b", KEY_Z},                {"start", KEY_Q},     {"select", KEY_W},
    {"pause", KEY_P},     {"fast_forward", KEY_TAB},   {"reset", KEY_F1},    {"screenshot", KEY_F12},
    {"fullscreen", KEY_F11},  {"save_state", KEY_F2},    {"state_slot", KEY_F3}, {"load_state", KEY_F4},
    {"rewind", KEY_BACKSPACE}, {"volume_down", KEY_MINUS}, {"volume_up", KEY_EQUALS}, {"mute", KEY_M},
}};

KeyTable KeyBindings = DefaultKeyBindings;

JoystickBinding JoystickMap;

void RestoreDefaultBindings() {
  KeyBindings = DefaultKeyBindings;
  JoystickMap = JoystickBinding{};
}

bool ActionHeld(KeyAction action) { return key[KeyBindings[action].scancode] != 0; }

uint8_t PackButtons(const JoypadButtons& b) {
  return static_cast<uint8_t>((b.Right ? ButtonRight : 0) | (b.Left ? ButtonLeft : 0) | (b.Up ? ButtonUp : 0) |
                              (b.Down ? ButtonDown : 0) | (b.A ? ButtonA : 0) | (b.B ? ButtonB : 0) |
                              (b.Select ? ButtonSelect : 0) | (b.Start ? ButtonStart : 0));
}

namespace {

// The bound keys and the joystick.
void ReadDevices() {
  poll_joystick();
  const JOYSTICK_INFO& pad = joy[JoystickMap.number];
  const JOYSTICK_AXIS_INFO& horizontal = pad.stick[0].axis[0];
  const JOYSTICK_AXIS_INFO& vertical = pad.stick[0].axis[1];
  DeviceButtons.Up = ActionHeld(ActionUp) || vertical.d1;
  DeviceButtons.Down = ActionHeld(ActionDown) || vertical.d2;
  DeviceButtons.Left = ActionHeld(ActionLeft) || horizontal.d1;
  DeviceButtons.Right = ActionHeld(ActionRight) || horizontal.d2;
  DeviceButtons.B = ActionHeld(ActionB) || pad.button[JoystickMap.b].b;
  DeviceButtons.A = ActionHeld(ActionA) || pad.button[JoystickMap.a].b;
  DeviceButtons.Start = ActionHeld(ActionStart) || pad.button[JoystickMap.start].b;
  DeviceButtons.Select = ActionHeld(ActionSelect) || pad.button[JoystickMap.select].b;
  TraceKeyHeld = key[KEY_TILDE] != 0;
}

uint8_t NextButtons = 0;  // what the machine takes as the next frame starts

uint8_t AllButtons() {
  JoypadButtons all = DeviceButtons;
  AddScriptButtons(all);
  return PackButtons(all);
}

}  // namespace

void PollInput() {
  if (Headless) DeviceButtons = JoypadButtons{};
  else ReadDevices();
  NextButtons = AllButtons();
  TheMachine().HoldButtons(NextButtons);
  TheMachine().SetTracing(TraceAll, TraceKeyHeld);
}

void SetNextFrameButtons() { NextButtons = AllButtons(); }

uint8_t NextFrameButtons() { return NextButtons; }

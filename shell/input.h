// The console's eight buttons, read from the keyboard and a joystick, and
// the keys of the player's own controls.
#pragma once

#include <array>
#include <cstdint>

struct JoypadButtons {
  int Up, Down, Left, Right, A, B, Start, Select;
};

// What the keyboard and the joystick held at the last poll.
extern JoypadButtons DeviceButtons;

// The machine's form of the buttons (machine/machine.h): one bit each.
uint8_t PackButtons(const JoypadButtons& buttons);

// Everything a key can be set to do: the console's buttons first, then the
// player's controls. A new control gets a value here and a row in the key
// table (input.cpp); the configuration file and the help pick it up from
// there.
enum KeyAction : int {
  ActionUp,
  ActionDown,
  ActionLeft,
  ActionRight,
  ActionA,
  ActionB,
  ActionStart,
  ActionSelect,
  ActionPause,
  ActionFastForward,
  ActionReset,
  ActionScreenshot,
  ActionFullscreen,
  ActionSaveState,
  ActionNextSlot,
  ActionLoadState,
  ActionRewind,
  ActionVolumeDown,
  ActionVolumeUp,
  ActionMute,
  ActionCount
};

struct KeyBinding {
  const char* name;  // the setting in the configuration file's [keys]
  int scancode;      // the Allegro key (KEY_...)
};

// The key of every action: the defaults until a configuration file changes
// them.
using KeyTable = std::array<KeyBinding, ActionCount>;
extern const KeyTable DefaultKeyBindings;
extern KeyTable KeyBindings;

// Which joystick plays, and which of its buttons are the console's; its
// first stick is the pad.
struct JoystickBinding {
  int number = 0;
  int a = 1, b = 0, start = 8, select = 9;
};

extern JoystickBinding JoystickMap;

// Back to the default keys and joystick buttons.
void RestoreDefaultBindings();

// Whether the key of the action is down now.
bool ActionHeld(KeyAction action);

// Samples the keyboard and the joystick, once per frame, and hands the
// machine what they hold with what the input script holds, for now
// (Machine::HoldButtons) and for the next frame's start (NextFrameButtons).
// Headless runs read no device: only the script presses buttons. Also
// hands over whether instructions are traced.
void PollInput();
// After the input script has moved on to the next frame: what the machine
// takes as the next frame starts.
void SetNextFrameButtons();
uint8_t NextFrameButtons();

// --trace: every instruction is traced; the trace key (tilde) held at the
// latest poll: the next frame's instructions are.
extern bool TraceAll;
extern bool TraceKeyHeld;

#include "shell/input.h"

#include <allegro.h>

#include "shell/display.h"

JoypadButtons JoypadState;

// Samples the keyboard and joystick 0 into the eight buttons, once per frame.
// Headless runs read no device: every button is up.
void PollInput() {
  if (Headless) {
    JoypadState = JoypadButtons{};
    return;
  }
  poll_joystick();
  const JOYSTICK_INFO& pad = joy[0];
  const JOYSTICK_AXIS_INFO& horizontal = pad.stick[0].axis[0];
  const JOYSTICK_AXIS_INFO& vertical = pad.stick[0].axis[1];
  JoypadState.Up = key[KEY_UP] || vertical.d1;
  JoypadState.Down = key[KEY_DOWN] || vertical.d2;
  JoypadState.Left = key[KEY_LEFT] || horizontal.d1;
  JoypadState.Right = key[KEY_RIGHT] || horizontal.d2;
  JoypadState.B = key[KEY_Z] || pad.button[0].b;
  JoypadState.A = key[KEY_X] || pad.button[1].b;
  JoypadState.Start = key[KEY_Q] || pad.button[8].b;
  JoypadState.Select = key[KEY_W] || pad.button[9].b;
}

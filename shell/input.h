// The console's eight buttons, read from the keyboard and the first joystick.
#pragma once

struct JoypadButtons {
  int Up, Down, Left, Right, A, B, Start, Select;
};

extern JoypadButtons JoypadState;

void PollInput();

// The console's eight buttons from the front end's first joypad.
#pragma once
#include <cstdint>

// Tells the front end what each button of its joypad does in the game.
void DescribeButtons();

// Polls the front end and returns the buttons held, in the machine's bits
// (machine/machine.h).
uint8_t ReadButtons();

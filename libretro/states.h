// Save states for the front end (its state slots, rewinding, run-ahead):
// the machine state the desktop program's state files hold, uncompressed,
// behind a header of 8 bytes (the state's format number and its length,
// little-endian), padded with zeros to one size for the whole game.
#pragma once

// After a game has loaded and the machine has been reset: works out the
// size of the game's states.
void StartStates();

// The machine as a whole: its post-boot state.
#pragma once

// Puts every piece of machine state into its post-boot state, keeping the
// cartridge image and the cartridge RAM. Used at the start of a run and for
// a reset during one.
void ResetMachine();

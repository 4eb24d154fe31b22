// The machine as a whole: its post-boot state.
#pragma once

// Header byte 0x143 bit 7: the cartridge uses the colour model (0x80 works
// on both consoles, 0xC0 on the colour one only). Read at every reset.
extern bool ColourCartridge;

// Puts every piece of machine state into its post-boot state, keeping the
// cartridge image and the cartridge RAM. Used at the start of a run and for
// a reset during one.
void ResetMachine();

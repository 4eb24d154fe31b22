// The memories the front end reads and writes: the battery RAM and the
// MBC3 clock (its save files), work and video RAM, and the memory map for
// cheats and achievement tools.
#pragma once

// After a game has loaded: the map of its memories told to the front end,
// and the clock's bytes made ready for it to read or replace.
void StartSaveMemory();

// Before a frame: what the front end wrote into the memories since the last
// one (a save file loaded, a cheat) is taken over by the machine.
void TakeFrontEndWrites();

// After a frame: the clock's bytes as they stand now, for a save.
void KeepClockBytes();

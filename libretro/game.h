// The game's life in the core: loading it, running it frame by frame,
// resetting and unloading it.
#pragma once

#include "machine/machine.h"

// The console the core runs: one per core.
Machine& CoreMachine();

// A game is loaded and runs.
bool GameLoaded();

// The next frame starts the machine afresh (after a load or a reset): the
// buttons read for it hold from its first line, as the desktop program's
// first frame holds those read before it.
void FrameStartsAfresh();

// A state was loaded: the machine goes on from it, its buttons as they were
// held then; a stop of its processor is told again.
void StateLoaded();

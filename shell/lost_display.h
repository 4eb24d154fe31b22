// When the X server goes away under a run in a window (it was killed, the
// session ended), the X library calls an error handler and then ends the
// program, which would skip the run's exit work: the final battery save,
// the exit files. The handler here does that work first.
#pragma once

// The run's exit work: finish_run writes the files and returns the exit
// code; it touches no window.
void SetExitWork(int (*finish_run)());

// Installs the handler (once the display is open).
void CatchLostDisplay();

// Runs the exit work once, whichever thread comes first, and returns its
// exit code (a second caller waits for the first).
int FinishRunOnce();

// Whether the display has gone: nothing may be drawn on it any more, and
// the program ends with _exit once the exit work is done.
bool DisplayLost();

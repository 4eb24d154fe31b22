// When the X server goes away under a run in a window (it was killed, the
// session ended), the X library calls an error handler and then ends the
// program, which would skip the run's exit work: the final battery save,
// the exit files. The handler here does that work first.
//
// The handler may be called on the library's background thread while the
// main thread runs the machine, or on the main thread itself. The machine
// and the saves belong to the main thread, which holds them from
// SetExitWork on and lets go of them only while it is outside the machine:
// waiting for the frame clock, or calling the window system (the picture,
// the window's events, the sound stream, the joystick), where it may also
// be held for good once the display has gone. Only then may the handler
// take them and do the exit work, so no two threads ever touch the machine
// or a save at once.
#pragma once

// The run's exit work: finish_run writes the files and returns the exit
// code; it touches no window. The calling thread (the main thread) holds
// the machine from here on.
void SetExitWork(int (*finish_run)());

// Installs the handler (once the display is open).
void CatchLostDisplay();

// Runs the exit work once, whichever thread comes first, and returns its
// exit code (a second caller waits for the first).
int FinishRunOnce();

// Whether the display has gone: nothing may be drawn on it any more, and
// the program ends with _exit once the exit work is done.
bool DisplayLost();

// For its lifetime the main thread lets go of the machine: put around every
// call into the window system and every wait, never around anything that
// touches the machine or a save. Does nothing on other threads.
class OutsideTheMachine {
 public:
  OutsideTheMachine();
  ~OutsideTheMachine();
  OutsideTheMachine(const OutsideTheMachine&) = delete;
  OutsideTheMachine& operator=(const OutsideTheMachine&) = delete;

 private:
  bool let_go_;
};

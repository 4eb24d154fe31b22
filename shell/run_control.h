// How a run ends besides Escape: a frame limit, a signal, the window's close
// button, or a stopped processor in a headless run; and what happens between
// two frames.
#pragma once

#include <atomic>

#include "machine/machine.h"

// The console the program runs: one per run.
Machine& TheMachine();

extern long FrameLimit;  // 0 = no limit
// Set by Escape, the frame limit, signals (from their handler) and the
// close button (on the window system's thread): a lock-free atomic, which
// both may write.
extern std::atomic<int> QuitRequested;
static_assert(std::atomic<int>::is_always_lock_free, "written from a signal handler");

// From here on Escape ends the run the moment it goes down, however short
// the press and whatever screen holds the run (rewinding, the pause, the
// register display): the key table, read once a frame, can miss a press
// shorter than a frame. After the file selector, where Escape cancels.
void CatchEscape();

// Once per frame, after RunFrame has returned at the frame's end: hands the
// frame's sound on, waits for the frame clock, shows the picture, reads
// Escape, the player's keys and the buttons, and does the run's per-frame
// work: the input script's next buttons, the screenshots due, the serial
// output, the test verdict, the frame limit and the saves. It never
// replaces the machine's state: that waits for RunBetweenFrames.
void FrameEnded();

// The writes of files that have finished are told, and the battery save
// is handed to the writer when it is due: once per frame, also while the
// machine is held.
void SaveChecks();

// One frame of a screen that holds the machine (the information screen,
// the pause, rewinding, the register display after an unknown opcode):
// waits for the frame clock, feeds the stream silence, reads Escape (the
// close button and the signals set QuitRequested themselves) and does the
// saves' work, so that a game saved just before the pause is on the disk.
void IdleStep();

// Between two frames, after FrameEnded: the states due (--save-state-at),
// what the player's keys asked for that changes the machine as a whole
// (reset, save and load a state, rewind) or holds it (pause), and the
// rewind snapshot.
void RunBetweenFrames();

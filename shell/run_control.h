// How a run ends besides Escape: a frame limit, a signal, the window's close
// button, or a stopped processor in a headless run.
#pragma once

extern long FrameLimit;                // 0 = no limit
extern volatile int QuitRequested;     // set by the frame limit, signals and the close button

// Reports a message to the user: a message box in a window, stderr headless.
void ShowMessage(const char* text);

// Once per frame, after the picture is composed and counted in
// FramesFinished: waits for the frame clock, shows the picture, acts on the
// player's keys (a pause holds the run here) and does the run's per-frame
// work: the input script's next buttons, the screenshots due, the serial
// output, the test verdict and the frame limit. Everything the front end
// does once per frame belongs here, off the per-instruction path.
void FrameEnded();

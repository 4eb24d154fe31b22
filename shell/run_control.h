// How a run ends besides Escape: a frame limit, a signal, or a stopped
// processor in a headless run.
#pragma once

extern long FrameLimit;                // 0 = no limit
extern volatile int QuitRequested;     // set by the frame limit and by signals

// Reports a message to the user: a message box in a window, stderr headless.
void ShowMessage(const char* text);

// Once per frame, after the picture is composed and counted in
// FramesFinished: waits for the frame clock, shows the picture and makes the
// run's per-frame checks (the frame limit). Everything the front end does
// once per frame belongs here, off the per-instruction path.
void FrameEnded();

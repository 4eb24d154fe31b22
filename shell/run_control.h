// How a run ends besides Escape: a frame limit, a signal, or a stopped
// processor in a headless run.
#pragma once

extern long FrameLimit;                // 0 = no limit
extern volatile int QuitRequested;     // set by the frame limit and by signals

// Reports a message to the user: a message box in a window, stderr headless.
void ShowMessage(const char* text);

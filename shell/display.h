// The window (or the full screen), the two bitmaps and the frame clock.
#pragma once

#include <cstdint>
#include <string>

#include "video/picture_colours.h"

struct BITMAP;

extern BITMAP* WorkBitmap;  // 640x480: the text screen (information, registers) drawn in its cells
extern BITMAP* BackBuffer;  // the picture scaled for the screen

extern bool Headless;       // no window, no devices, no waiting

constexpr int DefaultScale = 2;  // a 320x288 window
constexpr int MaxScale = 6;

// How the picture is shown: in a window of `scale` times its size, or full
// screen, scaled by the largest whole factor that fits, centred on black.
struct DisplayMode {
  int scale = DefaultScale;
  bool fullscreen = false;
};

extern DisplayMode CurrentDisplay;

// Creates the work bitmap (16-bit). Returns false when it cannot be made.
bool CreateBitmaps();

// Sets the graphics mode for `mode` and the back buffer to fit it. When full
// screen cannot be had, the window is opened instead. False, with one line on
// stderr, when not even the window opens. The window's close button then
// ends the run as Escape does.
bool OpenDisplay(const DisplayMode& mode);
// Switches between full screen and the window; false as OpenDisplay.
bool ToggleFullscreen();

// Notes over the picture's top-left corner, white on black: the state of
// the run ("Paused", "Rewind") and, for NoteSeconds after a key, what it
// did ("Saved state 3"). They go on the screen only, never into the work
// bitmap, so never into a screenshot.
constexpr double NoteSeconds = 2.0;
// The note of a key; a '\n' starts a second line.
void ShowNote(const std::string& text);
// Whether the note of the latest key is still on the screen.
bool NoteShowing();

// The machine's picture, with the note of the latest key while it lasts.
void PresentFrame();
// The text screen (debug/text.h) in place of the picture, white on black.
void PresentText();
// The same under a line that says how the run stands ("Paused").
void PresentFrameWithStatus(const char* status);
void PresentPausedFrame();

// The frame clock: real-time pace at the console's frame rate. Waits
// until the next frame is due. Headless runs never wait.
void WaitForFrame();
// Takes a frame if one is due, without waiting.
bool FrameDue();
// Starts the pace afresh: the next frame is due one frame period from now.
void RestartFrameClock();

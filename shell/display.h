// The window (or the full screen), the two bitmaps and the frame clock.
#pragma once

#include <cstdint>
#include <string>

#include "machine/machine.h"

struct BITMAP;

extern BITMAP* WorkBitmap;  // 640x480: the text screen (information, registers) drawn in its cells
extern BITMAP* BackBuffer;  // the picture scaled for the screen

extern bool Headless;       // no window, no devices, no waiting

// --colour (or colour = yes in the configuration file): colour cartridges
// are shown in their own colours.
extern bool TrueColoursOption;
// The look of this run's picture: true colours for a colour cartridge under
// the option, the four greens otherwise. The machine's picture is the same
// either way (a colour cartridge's colours, a monochrome one's greys).
bool ShowsTrueColours();

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
// The text screen (debug/text.h) in place of the picture, white on black:
// its top-left 20 x 18 cells scaled as the picture is (the register
// display).
void PresentText();
// The text screen in cells of the font's own size, or a whole multiple of
// it on a large window (the window's scale halved): as many cells as the
// window holds, 40 x 36 and more from scale 2 up, 20 x 18 at scale 1 (the
// information screen). SharpTextColumns says how many columns show; 40
// without a window.
void PresentSharpText();
int SharpTextColumns();

// info = no under [video]: the information screen is left out (as
// --no-info does).
extern bool InfoScreenOption;
// The same under a line that says how the run stands ("Paused").
void PresentFrameWithStatus(const char* status);
constexpr const char* FastForwardText = ">>";  // the status while fast-forwarding
void PresentPausedFrame();

// The frame clock: real-time pace at the console's frame rate. Waits
// until the next frame is due. Headless runs never wait.
void WaitForFrame();
// Takes a frame if one is due, without waiting.
bool FrameDue();
// Starts the pace afresh: the next frame is due one frame period from now.
void RestartFrameClock();

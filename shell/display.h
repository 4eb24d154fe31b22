// The window, the two bitmaps and the frame clock.
#pragma once

struct BITMAP;

extern BITMAP* WorkBitmap;  // 640x480; its top-left 160x144 is the console picture
extern BITMAP* BackBuffer;  // 320x288, the doubled picture

extern bool Headless;       // no window, no devices, no waiting

// Creates the two memory bitmaps (16-bit). Returns false when one cannot be made.
bool CreateBitmaps();
void PresentFrame();

// Starts the frame clock (console frame rate, driven by Allegro's timer) and
// waits for its next tick. Headless runs never wait.
void StartFrameClock();
void WaitForFrame();

// The machine's picture handed to the front end, in the pixel format it
// takes, in the colours the desktop window and the screenshots show.
#pragma once

// Asks the front end for a pixel format: 32-bit XRGB8888 (the screenshots'
// colours exactly), else 16-bit RGB565 (the window's pixels), else the
// 15-bit 0RGB1555 every front end takes. Called while a game loads.
void ChoosePixelFormat();

// Converts the picture and hands it to the front end's video callback.
void SendPicture();

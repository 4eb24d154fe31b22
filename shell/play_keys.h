// The player's controls during a run: pause, fast-forward, reset, save
// states and rewinding, screenshots and full screen, read once per frame
// from the key table.
#pragma once

#include <string>

// True while the fast-forward key is held: frames run without waiting for
// the frame clock and the sound is skipped.
extern bool FastForwarding;

// Names the screenshots after the cartridge's file (pellix-NAME-N.png).
// The state slot starts at 1.
void StartPlayKeys(const char* rom_path);

// Once per frame, from FrameEnded: notes which keys went down. Screenshots,
// full screen, fast-forward and the choice of slot happen at once; what
// changes or holds the machine (reset, saving and loading a state,
// rewinding, the pause) waits for ApplyPlayKeys.
void HandlePlayKeys();

// Between frames: does what HandlePlayKeys noted. A pause holds the run
// here, the picture and a "Paused" note on the screen, until the pause key
// comes again (or Escape, or the close button); the other keys work during
// it. Rewinding runs while its key is held.
void ApplyPlayKeys();

// The name of the first screenshot file pellix-NAME-N.png (N from 1) that
// does not exist in the current folder; NAME is the file name of rom_path
// without its folders and extensions.
std::string NextScreenshotName(const char* rom_path);

// Allegro's background work under X: reading the window's events, putting
// the screen on the window, feeding the sound driver. The library calls
// these functions every 10 ms on a thread of its own, which polls the
// clock every millisecond to find those ticks: a thousand wake-ups a second
// that cost a window at real time more than the emulation does. PELLIX
// gives the library a background thread that sleeps until each tick.
#pragma once

// Set by default; quiet_thread = no under [video] in the configuration
// file clears it, and the library keeps its own thread.
extern bool QuietThreadOption;

// Puts PELLIX's background thread in place of the library's. Call before
// install_allegro; a library built without threads keeps its own. The
// library's table is an inside part of it: what the replacement relies on
// is checked after the start.
void UseQuietBackgroundThread();

// After install_allegro: whether the library started PELLIX's thread. When
// it did not, its own table is put back whole and its own thread runs.
bool QuietBackgroundThreadInEffect();

// Without a sound driver to feed every 10 ms, the only background work is
// the window's: reading its events and sending the picture to the X
// server, each time with a round trip to the server. That is needed once
// per frame, right after the picture is drawn, and the main loop does it
// then (DoBackgroundWorkNow): the thread steps in only when the loop has
// not done it for a while (a message box, a stall). Call after the sound
// driver was installed; with PELLIX's thread only.
void LetTheLoopDoBackgroundWork();
// The background work, done now on this thread when the main loop does it.
void DoBackgroundWorkNow();

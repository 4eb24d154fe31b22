// Allegro without a window, for the front end's tests.
#pragma once

// Starts Allegro without a system driver (once per process) and creates the
// memory bitmaps, so that front-end code that draws can run headless.
void EnsureHeadlessAllegro();

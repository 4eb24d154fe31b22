// The player's configuration file: keys, joystick buttons, the size of the
// picture and its colours.
#pragma once

#include <cstddef>
#include <string>

#include "shell/display.h"

// Where the file is looked for without --config:
// $XDG_CONFIG_HOME/pellix/pellix.cfg, else ~/.config/pellix/pellix.cfg.
// Empty when neither variable names a folder.
std::string DefaultConfigPath();

// A longer file is not read: no configuration comes near it.
constexpr size_t LargestConfigFile = 1 << 20;

// Reads the file (the default place when path is null) into the key table,
// the joystick map, `video` and the choices of true colours
// (TrueColoursOption), of rewinding (RewindOption) and of the background
// thread (QuietThreadOption), the information screen (InfoScreenOption)
// and the volume (SoundVolume). It calls nothing of Allegro's, so it can run
// before install_allegro. Nothing is ever written back. A missing default
// file is normal; a file that cannot be read, or is larger than
// LargestConfigFile, gives one line and leaves the defaults. Each mistake in
// it (an unknown section or setting, a bad value, a line that is not a
// setting, a broken section header) gives one line on stderr naming the file
// and the line, and a setting with a bad value keeps what it had. Of a
// setting given twice, the later line counts.
void LoadConfiguration(const char* path, DisplayMode& video);

// The Allegro key (KEY_...) named by its constant without KEY_ (any case;
// "SPACE", "lcontrol", "0_PAD"); 0 for no key of that name.
int KeyFromName(const char* name);
// The name of an Allegro key as KeyFromName takes it; "?" when unknown.
const char* NameOfKey(int scancode);

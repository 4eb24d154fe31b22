// The player's configuration file: keys, joystick buttons, the size of the
// picture and its colours.
#pragma once

#include <string>

#include "shell/display.h"

// Where the file is looked for without --config:
// $XDG_CONFIG_HOME/pellix/pellix.cfg, else ~/.config/pellix/pellix.cfg.
// Empty when neither variable names a folder.
std::string DefaultConfigPath();

// Reads the file (the default place when path is null) with Allegro's
// configuration routines into the key table, the joystick map, `video` and
// the choice of true colours (TrueColoursOption) and of rewinding
// (RewindOption);
// nothing is ever written back. A missing file is normal. An unknown name or
// a bad value gives one line on stderr naming the file, the setting and the
// value, and that setting keeps what it had. Needs Allegro installed.
void LoadConfiguration(const char* path, DisplayMode& video);

// The Allegro key (KEY_...) named by its constant without KEY_ (any case;
// "SPACE", "lcontrol", "0_PAD"); 0 for no key of that name.
int KeyFromName(const char* name);
// The name of an Allegro key as KeyFromName takes it; "?" when unknown.
const char* NameOfKey(int scancode);

// How the window is known to the window system: its title and its class.
#pragma once

#include <string>

// The class of the window (WM_CLASS "pellix", "pellix"), by which desktops
// and `xdotool search --class pellix` find it. Set before the window is
// opened; it stays through full screen and back.
void SetWindowClass();

// The window's title: "PELLIX - " and the cartridge's title, or the file's
// name when the header has no title; "PELLIX" before a cartridge is
// chosen (empty name).
std::string WindowTitleFor(const std::string& cartridge_title, const char* rom_path);
void SetWindowTitle(const std::string& title);

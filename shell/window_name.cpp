#include "shell/window_name.h"

#include <allegro.h>
#include <xalleg.h>

#include "shell/lost_display.h"

namespace {

const char* const WindowClass = "pellix";

}  // namespace

void SetWindowClass() { xwin_set_window_name(WindowClass, WindowClass); }

std::string WindowTitleFor(const std::string& cartridge_title, const char* rom_path) {
  std::string name = cartridge_title;
  if (name.empty() && rom_path) {
    name = rom_path;
    const size_t slash = name.find_last_of('/');
    if (slash != std::string::npos) name.erase(0, slash + 1);
  }
  return name.empty() ? "PELLIX" : "PELLIX - " + name;
}

void SetWindowTitle(const std::string& title) {
  const OutsideTheMachine window_system;
  set_window_title(title.c_str());
}

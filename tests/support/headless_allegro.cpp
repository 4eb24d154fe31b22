#include "support/headless_allegro.h"

#include <allegro.h>

#include <cerrno>
#include <cstdlib>

#include "shell/display.h"

void EnsureHeadlessAllegro() {
  static bool started = false;
  if (started) return;
  started = true;
  install_allegro(SYSTEM_NONE, &errno, std::atexit);
  Headless = true;
  CreateBitmaps();
}

#include "shell/play_keys.h"

#include <allegro.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "memory/machine.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/run_control.h"
#include "shell/screenshot.h"
#include "sound/stream_output.h"

bool FastForwarding = false;

namespace {

constexpr KeyAction PlayActions[] = {ActionPause, ActionFastForward, ActionReset, ActionScreenshot,
                                     ActionFullscreen};
constexpr int MaxScreenshots = 100000;

std::string RomPath;
bool WasDown[ActionCount] = {};
bool Pressed[ActionCount] = {};

// Notes which of the player's keys went down since the last look. A key
// held down counts once.
void ReadPlayKeys() {
  for (KeyAction action : PlayActions) {
    const bool down = ActionHeld(action);
    Pressed[action] = down && !WasDown[action];
    WasDown[action] = down;
  }
}

bool EndsWith(const std::string& text, const char* suffix) {
  const size_t n = std::strlen(suffix);
  return text.size() > n && strcasecmp(text.c_str() + text.size() - n, suffix) == 0;
}

void TakeScreenshot() {
  const std::string name = NextScreenshotName(RomPath.c_str());
  if (name.empty()) {
    std::fprintf(stderr, "pellix: no free screenshot name in this folder\n");
  } else if (SaveScreenshot(name.c_str())) {
    std::printf("pellix: wrote %s\n", name.c_str());
    std::fflush(stdout);
  } else {
    std::fprintf(stderr, "pellix: %s: cannot write the screenshot\n", name.c_str());
  }
}

void SwitchScreen(bool paused) {
  if (!ToggleFullscreen()) {
    QuitRequested = 1;  // neither full screen nor a window: nothing left to show
    return;
  }
  if (paused) PresentPausedFrame();
  else PresentFrame();
}

// The machine as at the start of the run; the cartridge RAM stays.
void ResetRun() {
  ResetMachine();
  SoundRestarted();
}

// Holds the run, picture and note on the screen, the sound silent, waking
// once per frame-clock tick to look at the keys.
void HoldWhilePaused() {
  SetStreamSilenced(true);
  PresentPausedFrame();
  while (!QuitRequested) {
    WaitForFrame();
    FeedSilentStream();
    if (key[KEY_ESC]) {
      QuitRequested = 1;
      break;
    }
    ReadPlayKeys();
    if (Pressed[ActionFullscreen]) SwitchScreen(true);
    if (Pressed[ActionScreenshot]) TakeScreenshot();
    if (Pressed[ActionReset]) {
      ResetRun();
      break;
    }
    if (Pressed[ActionPause]) break;
  }
  SetStreamSilenced(FastForwarding);
  RestartFrameClock();
  PresentFrame();
}

}  // namespace

void StartPlayKeys(const char* rom_path) { RomPath = rom_path ? rom_path : ""; }

void HandlePlayKeys() {
  if (Headless) return;
  ReadPlayKeys();
  if (Pressed[ActionFullscreen]) SwitchScreen(false);
  if (Pressed[ActionScreenshot]) TakeScreenshot();
  if (Pressed[ActionReset]) ResetRun();

  const bool fast = ActionHeld(ActionFastForward);
  if (fast != FastForwarding) {
    FastForwarding = fast;
    SetStreamSilenced(fast);
    if (!fast) RestartFrameClock();  // real-time pace from this frame on
  }
  if (Pressed[ActionPause]) HoldWhilePaused();
}

std::string NextScreenshotName(const char* rom_path) {
  std::string name = rom_path ? rom_path : "";
  const size_t slash = name.find_last_of('/');
  if (slash != std::string::npos) name.erase(0, slash + 1);
  for (const char* extension : {".gz", ".zip", ".gbc", ".cgb", ".gb"}) {
    if (EndsWith(name, extension)) name.erase(name.size() - std::strlen(extension));
  }
  if (name.empty()) name = "picture";
  for (int n = 1; n < MaxScreenshots; n++) {
    const std::string candidate = "pellix-" + name + "-" + std::to_string(n) + ".png";
    struct stat st;
    if (stat(candidate.c_str(), &st) != 0) return candidate;
  }
  return "";
}

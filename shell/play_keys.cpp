#include "shell/play_keys.h"

#include <allegro.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "shell/run_control.h"
#include "shell/battery_save.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/run_control.h"
#include "shell/rewind.h"
#include "shell/screenshot.h"
#include "shell/state_files.h"
#include "shell/stream_output.h"

bool FastForwarding = false;

namespace {

constexpr KeyAction PlayActions[] = {ActionPause,      ActionFastForward, ActionReset,      ActionScreenshot,
                                     ActionFullscreen, ActionSaveState,   ActionNextSlot,   ActionLoadState,
                                     ActionVolumeDown, ActionVolumeUp,    ActionMute};
constexpr int VolumeStep = 10;  // percent
constexpr int MaxScreenshots = 100000;

std::string RomPath;
bool WasDown[ActionCount] = {};
bool Pressed[ActionCount] = {};
int Slot = 1;

// What the keys of the latest frame asked for, done between frames.
bool ResetAsked = false, SaveAsked = false, LoadAsked = false, RewindAsked = false, PauseAsked = false;

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

// What a key did: a note on the screen, and a line for the terminal
// (standard output is line-buffered: the line goes out now).
void Tell(const std::string& note, const std::string& line, bool failure = false) {
  ShowNote(note);
  std::fprintf(failure ? stderr : stdout, "pellix: %s\n", line.c_str());
}

void TakeScreenshot() {
  const std::string name = NextScreenshotName(RomPath.c_str());
  if (name.empty()) {
    Tell("No screenshot", "no free screenshot name in this folder", true);
    return;
  }
  std::string error;
  if (SaveScreenshot(name.c_str(), &error)) Tell("Screenshot " + name, "wrote " + name);
  else Tell("No screenshot\n" + error, name + ": cannot write the screenshot (" + error + ")", true);
}

void SwitchScreen(bool paused) {
  if (!ToggleFullscreen()) {
    QuitRequested = 1;  // neither full screen nor a window: nothing left to show
    return;
  }
  if (paused) PresentPausedFrame();
  else PresentFrame();
}

// When a slot's file was written: the time of day for today's, the date
// before it for older ones; now for one still on its way to the disk.
std::string WrittenAt(const std::string& path) {
  struct stat st;
  const time_t now = time(nullptr);
  const time_t when = stat(path.c_str(), &st) == 0 ? st.st_mtime : now;
  struct tm written {}, today {};
  localtime_r(&when, &written);
  localtime_r(&now, &today);
  const bool same_day = written.tm_year == today.tm_year && written.tm_yday == today.tm_yday;
  char text[32];
  strftime(text, sizeof text, same_day ? "%H:%M" : "%Y-%m-%d %H:%M", &written);
  return text;
}

// Steps to the next slot (step 1) or back (-1), round from 9 to 1, and says
// whether the slot holds a state and from when.
void StepSlot(int step) {
  Slot = (Slot - 1 + step + StateSlots) % StateSlots + 1;
  const std::string n = std::to_string(Slot);
  const std::string path = FindStateSlot(Slot);
  if (path.empty()) Tell("Slot " + n + ": empty", "state slot " + n + ": empty");
  else Tell("Slot " + n + ": " + WrittenAt(path), "state slot " + n + ": saved " + WrittenAt(path) + " in " + path);
}

bool ShiftHeld() { return key[KEY_LSHIFT] || key[KEY_RSHIFT]; }

// The volume keys: a step down or up (which also ends a mute), or the mute
// on and off.
void ChangeVolume(int step) {
  if (step) {
    SoundVolume = std::clamp(SoundVolume + step, 0, FullVolume);
    SoundMuted = false;
  } else {
    SoundMuted = !SoundMuted;
  }
  const std::string level = std::to_string(SoundVolume) + "%";
  if (SoundMuted) Tell("Muted", "sound muted");
  else Tell("Volume " + level, "volume " + level);
}

// The state is taken now and written on the writer thread; the note comes
// once it is on the disk, or once it has failed.
void SaveSlot() {
  const std::string n = std::to_string(Slot);
  const std::string path = StateSlotPath(Slot);
  if (path.empty()) {
    Tell("State " + n + " not saved", "cannot save the state: no folder for it", true);
    return;
  }
  WriteStateFileLater(path, [n, path](bool ok, const std::string& error) {
    if (ok) Tell("Saved state " + n, "saved state " + n + " in " + path);
    else Tell("State " + n + " not saved\n" + error.substr(error.rfind(": ") + 2), path + ": cannot save the state (" + error + ")", true);
  });
}

// A refused state leaves the game as it was.
void LoadSlot() {
  const std::string n = std::to_string(Slot);
  const std::string path = FindStateSlot(Slot);
  StateProblem problem;
  if (path.empty()) {
    Tell("No state " + n, "no state " + n + " (" + StateSlotPath(Slot) + ")");
  } else if (LoadStateFile(path, problem)) {
    SoundRestarted();
    Tell("Loaded state " + n, "loaded state " + n + " from " + path);
    BatterySaveRolledBack("Loaded state " + n);
  } else {
    Tell("State " + n + " not loaded\n" + problem.brief(), path + ": cannot load the state: " + problem.message,
         true);
  }
}

// The machine as at the start of the run; the cartridge RAM stays.
void ResetRun() {
  TheMachine().Reset();
  SoundRestarted();
}

// Goes back one snapshot every RewindInterval ticks of the frame clock
// while the key is held, silent, the picture of each snapshot on the
// screen. Where it stops, the game goes on.
void RewindWhileHeld(bool paused) {
  if (!RewindActive()) {
    ShowNote("Rewind is off");
    return;
  }
  SetStreamSilenced(true);
  bool moved = false;
  for (int tick = 0; !QuitRequested && ActionHeld(ActionRewind); tick++) {
    if (tick % RewindInterval == 0 && RewindStep()) moved = true;
    PresentFrameWithStatus("Rewind");
    IdleStep();
  }
  if (moved) {
    RewindStopped();
    BatterySaveRolledBack("Rewound");
  }
  SetStreamSilenced(paused || FastForwarding);
  RestartFrameClock();
  if (paused) PresentPausedFrame();
  else PresentFrame();
}

// Does what the keys that change the machine asked for. While paused the
// picture is shown again, with the key's note.
void ApplyMachineKeys(bool paused) {
  if (ResetAsked) ResetRun();
  if (SaveAsked) SaveSlot();
  if (LoadAsked) LoadSlot();
  if (RewindAsked) RewindWhileHeld(paused);
  if (paused && (ResetAsked || SaveAsked || LoadAsked)) PresentPausedFrame();
  ResetAsked = SaveAsked = LoadAsked = RewindAsked = false;
}

// The keys of one look: those that leave the machine alone happen now.
void NoteKeys(bool paused) {
  ReadPlayKeys();
  if (Pressed[ActionFullscreen]) SwitchScreen(paused);
  if (Pressed[ActionScreenshot]) TakeScreenshot();
  if (Pressed[ActionNextSlot]) StepSlot(ShiftHeld() ? -1 : 1);
  if (Pressed[ActionVolumeDown]) ChangeVolume(-VolumeStep);
  if (Pressed[ActionVolumeUp]) ChangeVolume(VolumeStep);
  if (Pressed[ActionMute]) ChangeVolume(0);
  ResetAsked |= Pressed[ActionReset];
  SaveAsked |= Pressed[ActionSaveState];
  LoadAsked |= Pressed[ActionLoadState];
  RewindAsked |= ActionHeld(ActionRewind);
  PauseAsked |= Pressed[ActionPause];
}

// Holds the run, picture and note on the screen, the sound silent, waking
// once per frame-clock tick to look at the keys. A reset ends the pause.
void HoldWhilePaused() {
  SetStreamSilenced(true);
  PresentPausedFrame();
  PauseAsked = false;
  bool noted = NoteShowing();
  while (!QuitRequested) {
    IdleStep();
    if (QuitRequested) break;
    NoteKeys(true);
    const bool reset = ResetAsked;
    ApplyMachineKeys(true);
    if (reset || PauseAsked) break;
    if (NoteShowing() != noted) {  // a key's note came or went
      noted = NoteShowing();
      PresentPausedFrame();
    }
  }
  PauseAsked = false;
  SetStreamSilenced(FastForwarding);
  RestartFrameClock();
  PresentFrame();
  // Keys pressed during the pause count for the frame that comes next.
  PollInput();
}

}  // namespace

void StartPlayKeys(const char* rom_path) {
  RomPath = rom_path ? rom_path : "";
  Slot = 1;
}

void HandlePlayKeys() {
  if (Headless) return;
  NoteKeys(false);
  const bool fast = ActionHeld(ActionFastForward);
  if (fast != FastForwarding) {
    FastForwarding = fast;
    SetStreamSilenced(fast);
    if (!fast) RestartFrameClock();  // real-time pace from this frame on
  }
}

void ApplyPlayKeys() {
  if (Headless) return;
  const bool rewound = RewindAsked;
  ApplyMachineKeys(false);
  if (PauseAsked) HoldWhilePaused();
  else if (rewound) PollInput();  // the keys as they are now, for the frame that comes next
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

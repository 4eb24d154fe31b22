#include "shell/run_control.h"

#include <allegro.h>

#include <cstdio>

#include "shell/allegro_background.h"
#include "shell/battery_save.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/input_script.h"
#include "shell/play_keys.h"
#include "shell/rewind.h"
#include "shell/screenshot.h"
#include "shell/serial_output.h"
#include "shell/state_files.h"
#include "shell/test_runner.h"
#include "shell/writer_thread.h"
#include "shell/stream_output.h"

Machine& TheMachine() {
  static Machine machine;
  return machine;
}

long FrameLimit = 0;
std::atomic<int> QuitRequested{0};

namespace {

// Called by the keyboard driver, on the window system's thread, for every
// key that goes down (or up: the scancode's top bit set).
void KeyChanged(int scancode) {
  if (scancode == KEY_ESC) QuitRequested = 1;
}
END_OF_FUNCTION(KeyChanged)

}  // namespace

void CatchEscape() { keyboard_lowlevel_callback = KeyChanged; }

void FrameEnded() {
  HandOffSound();
  if (!FastForwarding) {
    WaitForFrame();
    PresentFrame();
    DoBackgroundWorkNow();  // the picture to the X server, the window's events into the keys read below
  } else if (FrameDue()) {
    PresentFrameWithStatus(FastForwardText);  // the window still changes at the frame rate, not faster
    DoBackgroundWorkNow();
  }
  if (key[KEY_ESC]) QuitRequested = 1;
  HandlePlayKeys();
  // The real time between two frames passes in the wait above, at the start
  // of V-blank. Read the keys as they are now, so that the game's V-blank
  // code that runs next sees a key pressed during the wait, and the next
  // picture can show it.
  PollInput();
  StepInputScript(TheMachine().FramesFinished());  // after the poll: this V-blank still belongs to the frame it ends
  SetNextFrameButtons();
  TakeScheduledScreenshots(TheMachine().FramesFinished());
  FlushSerialOutput();
  if (TestRunning) CheckTestVerdict(TheMachine().FramesFinished());
  if (FrameLimit && TheMachine().FramesFinished() >= FrameLimit) QuitRequested = 1;
  SaveChecks();
}

void SaveChecks() {
  FileWriter.finish_done();
  BatterySaveFrameCheck();
}

void IdleStep() {
  WaitForFrame();
  DoBackgroundWorkNow();
  FeedSilentStream();
  if (key[KEY_ESC]) QuitRequested = 1;
  SaveChecks();
}

// A state due at the last frame is still written when the run ends there.
void RunBetweenFrames() {
  WriteScheduledStates(TheMachine().FramesFinished());
  if (QuitRequested) return;
  ApplyPlayKeys();
  RewindFrameFinished();
}

// PELLIX: start-up, the main loop and the files written at exit.
#include <allegro.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shell/overlay.h"
#include "shell/text.h"
#include "shell/allegro_background.h"
#include "shell/atomic_file.h"
#include "shell/battery_save.h"
#include "shell/cartridge_file.h"
#include "shell/config.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/input_script.h"
#include "shell/lost_display.h"
#include "shell/options.h"
#include "shell/play_keys.h"
#include "shell/rewind.h"
#include "shell/run_control.h"
#include "shell/screenshot.h"
#include "shell/serial_output.h"
#include "shell/state_files.h"
#include "shell/test_runner.h"
#include "shell/stream_output.h"
#include "shell/window_name.h"

namespace {

constexpr int RefreshRate = 60;
constexpr int PathSize = 4096;
constexpr int UnknownOpExit = 3;

// The host's clock, which the real-time clock of MBC3 cartridges keeps to.
int64_t SystemMillis() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Set while the file selector is open: its dialog runs its own loop and
// never looks at QuitRequested. Nothing is loaded yet and no file is due,
// so a signal then ends the program at once, as Escape (cancel) would.
std::atomic<bool> SelectorOpen{false};

void RequestQuit(int) {
  if (SelectorOpen) _exit(0);
  QuitRequested = 1;
}

// SIGINT, SIGTERM, SIGHUP (the terminal closed) and SIGQUIT end a run as
// Escape does, so that its files (the battery save above all) are written.
// A reader of the serial output that goes away (--serial - | head) must
// not kill the run either: SIGPIPE is ignored and the failed write ends
// the run. Set after the library's own start, which installs handlers of
// its own.
void CatchQuitSignals() {
  struct sigaction quit {};
  quit.sa_handler = RequestQuit;
  sigemptyset(&quit.sa_mask);
  quit.sa_flags = SA_RESTART;
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signal, &quit, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

// The sound library reports every device it probes and does not find on
// stderr, which on a machine without a sound card is a screenful of noise;
// whether sound works is told in one line once the stream is opened.
void InstallSoundQuietly() {
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  const int null = open("/dev/null", O_WRONLY);
  if (saved >= 0 && null >= 0) dup2(null, STDERR_FILENO);
  if (null >= 0) close(null);
  detect_digi_driver(DIGI_AUTODETECT);
  detect_midi_driver(MIDI_NONE);
  install_sound(DIGI_AUTODETECT, MIDI_NONE, nullptr);
  if (saved >= 0) {
    dup2(saved, STDERR_FILENO);
    close(saved);
  }
}

// The configuration file's keys and picture size; the command line wins.
DisplayMode ChooseDisplay(const Options& opt) {
  DisplayMode mode;
  LoadConfiguration(opt.config, mode);
  if (opt.scale) mode = DisplayMode{opt.scale, false};  // a window of that size
  if (opt.fullscreen) mode.fullscreen = true;
  return mode;
}

// Trace.Log takes the trace lines. It is made when the first line comes
// (the --trace option, or the tilde key held), so that a run without a
// trace leaves no empty file. Without it (a folder in its place, a
// read-only folder) the run goes on untraced, said once. CR LF are the same
// two bytes on every platform: the file is binary.
FILE* TraceFile = nullptr;

void WriteTraceLine(void*, const char* line, size_t length) {
  if (!TraceFile && !(TraceFile = std::fopen("Trace.Log", "wb"))) {
    std::fprintf(stderr, "pellix: Trace.Log: cannot write it (%s); the run goes on untraced\n", std::strerror(errno));
    TheMachine().SetTraceSink(nullptr, nullptr);
    return;
  }
  std::fwrite(line, 1, length, TraceFile);
}

void StartTrace() { TheMachine().SetTraceSink(WriteTraceLine, nullptr); }

void CloseTraceFile() {
  TheMachine().SetTraceSink(nullptr, nullptr);
  if (TraceFile) std::fclose(TraceFile);
  TraceFile = nullptr;
}

// Writes video RAM bank 0, whatever VBK selects. False with *error.
bool DumpVram(std::string* error) {
  const uint8_t* vram = TheMachine().VideoRam();
  return ReplaceFile("vram.bin", std::vector<uint8_t>(vram, vram + 0x2000), false, error);
}

// What the exit work needs of the run.
struct RunInProgress {
  const Options* opt = nullptr;
  const char* path = nullptr;
  std::chrono::steady_clock::time_point started;
};
RunInProgress Run;

// The files written at the end of a run, and its exit code: 3 when the
// processor stands on an unknown opcode, headless or in a window. It
// touches no window: it also runs when the X display has gone.
int FinishRun() {
  const Options& opt = *Run.opt;
  int exit_code = TheMachine().Stopped() ? UnknownOpExit : 0;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Run.started).count();
  if (!FinishBatterySave() && exit_code == 0) exit_code = 1;

  CloseTraceFile();

  if (!CloseSerialOutput(opt.test || opt.bench)) {
    std::fprintf(stderr, "pellix: %s: cannot write the serial output\n", opt.serial);
    exit_code = 1;
  }
  const long frames = TheMachine().FramesFinished();
  if (!ScheduledScreenshotsDone(frames)) exit_code = 1;
  if (!ScheduledStatesDone(frames)) exit_code = 1;

  std::string shot_error;
  if (opt.screenshot && !SaveScreenshot(opt.screenshot, &shot_error)) {
    std::fprintf(stderr, "pellix: %s: cannot write the screenshot (%s)\n", opt.screenshot, shot_error.c_str());
    exit_code = 1;
  }
  if (opt.wav && !CloseWavCapture()) {
    std::fprintf(stderr, "pellix: %s: cannot write the sound capture\n", opt.wav);
    exit_code = 1;
  }
  std::string vram_error;
  if (!DumpVram(&vram_error)) {
    std::fprintf(stderr, "pellix: vram.bin: cannot write it (%s)\n", vram_error.c_str());
    exit_code = 1;
  }

  // A test run's exit code is its verdict; a file it could not write turns
  // a pass into 1.
  if (opt.test) {
    const int verdict = ReportTestResult(Run.path, frames, TheMachine().Stopped());
    if (verdict != 0) exit_code = verdict;
  }

  if (opt.bench) {
    const double fps = seconds > 0 ? frames / seconds : 0;
    std::printf("%ld frames in %.3f s: %.1f frames per second, %.1f times real time\n", frames, seconds,
                fps, fps / ConsoleFrameRate);
  }
  std::fflush(nullptr);
  return exit_code;
}

// Brings up Allegro with its drivers and the window. Headless runs install
// the library without a system driver: no window and no devices, which is
// all the machine needs for memory bitmaps. No timer either way: the frame
// clock sleeps until each frame is due.
bool StartAllegro(const Options& opt) {
  if (opt.headless) {
    install_allegro(SYSTEM_NONE, &errno, std::atexit);
    return true;
  }
  // The configuration comes first: it chooses the background thread.
  const DisplayMode mode = ChooseDisplay(opt);
  UseQuietBackgroundThread();
  SetWindowClass();  // before the library makes its window
  if (install_allegro(SYSTEM_AUTODETECT, &errno, std::atexit) != 0) {
    // Allegro gives no reason when it finds no display at all.
    std::fprintf(stderr, "pellix: cannot start the display: %s\n",
                 allegro_error[0] ? allegro_error : "no X display found (is DISPLAY set? --headless needs none)");
    return false;
  }
  QuietBackgroundThreadInEffect();  // or the library's own thread runs
  CatchLostDisplay();
  install_keyboard();
  install_joystick(JOY_TYPE_AUTODETECT);
  install_mouse();
  InstallSoundQuietly();
  SetWindowTitle(WindowTitleFor("", nullptr));
  set_color_depth(16);
  request_refresh_rate(RefreshRate);
  if (!OpenDisplay(mode)) return false;
  enable_triple_buffer();
  if (!digi_driver || digi_driver->id == DIGI_NONE) LetTheLoopDoBackgroundWork();  // no sound driver to feed
  return true;
}

// The file selector needs at least the default window: a smaller one is
// enlarged while it is shown. False when the window cannot be had back.
bool SelectRom(char* path, int size) {
  const DisplayMode chosen = CurrentDisplay;
  const bool small = !chosen.fullscreen && chosen.scale < DefaultScale;
  if (small && !OpenDisplay(DisplayMode{})) return false;
  // The selector matches a file's last extension only: game.gb.gz and
  // game.gbc.gz show by their .gz, and so does any other gzip file, which
  // is refused when loaded unless it holds a cartridge.
  SelectorOpen = true;
  const OutsideTheMachine dialog;  // nothing is loaded yet
  file_select_ex("Select ROM", path, "gb;gbc;zip;gz", size, OLD_FILESEL_WIDTH, OLD_FILESEL_HEIGHT);
  SelectorOpen = false;
  // The dialog starts the library's timer (for double clicks), whose thread
  // wakes 70 times a second; the run paces itself and needs no timer.
  remove_timer();
  return !small || OpenDisplay(chosen);
}

// One line on stderr for each thing about the file the console itself
// would object to, and which member of an archive runs.
void TellAboutCartridge(const char* path, const CartridgeInfo& cartridge) {
  for (const std::string& note : cartridge.notes) std::fprintf(stderr, "pellix: %s: %s\n", path, note.c_str());
}

// The header's fields at the cells they have always had, the title and
// the controller by name between them, and the keys at the foot. The keys'
// line is split in two where the window shows fewer columns than it needs.
// Under them, what stderr says about the file (bytes missing, a header the
// console would refuse), broken into lines that fit.
void DrawCartridgeInfo(int columns, const std::vector<std::string>& notes) {
  const CartridgeInfo& cartridge = TheMachine().Cartridge();
  ClearText();
  DrawTextAt("Cartridge Info", 0, 0, White);
  DrawLabelDec("CART_MAPPER:", cartridge.mapper, 0, 1, White);
  DrawLabelDec("CART_ROMSIZE:", cartridge.rom_size_code, 0, 2, White);
  DrawLabelDec("CART_RAMSIZE:", cartridge.ram_size_code, 0, 3, White);
  const std::string& title = cartridge.title;
  DrawTextAt(("Title: " + (title.empty() ? std::string("(none)") : title)).c_str(), 0, 5, White);
  DrawTextAt(cartridge.controller.c_str(), 0, 6, White);
  if (!cartridge.supported) DrawTextAt("(runs without it)", 0, 7, White);
  DrawLabelHex("MAX_BANK:", cartridge.max_bank, 0, 10, White);
  const std::string keys = "Enter: play   Esc: quit";
  if (columns >= static_cast<int>(keys.size())) {
    DrawTextAt(keys.c_str(), 0, 12, White);
  } else {
    DrawTextAt("Enter: play", 0, 12, White);
    DrawTextAt("Esc: quit", 0, 13, White);
  }
  int row = 15;
  for (const std::string& note : notes) row += DrawWrapped(note.c_str(), 0, row, columns, White);
}

// PELLIX_SLOW_LOOP_MS=N, for the tests of what runs beside the main loop:
// each pass of the loop keeps the machine running frames for N ms before
// the frame's work, as a very slow machine would.
long SlowLoopMs() {
  const char* ms = std::getenv("PELLIX_SLOW_LOOP_MS");
  return ms ? std::atol(ms) : 0;
}

void KeepRunning(long ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until && TheMachine().RunFrame(NextFrameButtons())) {
  }
}

// The information screen until Enter (or Escape, or the close button, or a
// signal, which end the run).
void ShowCartridgeInfo(const std::vector<std::string>& notes) {
  DrawCartridgeInfo(SharpTextColumns(), notes);
  PresentSharpText();
  if (Headless) return;
  // Look at the key once a frame, asleep in between: nothing else runs meanwhile.
  RestartFrameClock();
  while (!key[KEY_ENTER] && !QuitRequested) IdleStep();
}

// The register display in place of the picture, once per frame-clock tick,
// while the processor stands on an unknown opcode. Escape, the close button
// and the signals end the run as ever; the player's keys still work: a
// reset, a state loaded or rewinding set it going again.
void ShowStoppedProcessor() {
  // The machine makes no more sound; fed silence, the stream does not
  // repeat its last buffers for ever.
  SetStreamSilenced(true);
  ClearText();
  if (!key[KEY_X]) DrawDebugOverlay();  // holding X shows the plain (cleared) screen
  PresentText();
  IdleStep();  // the display needs no more than the frame rate
  HandlePlayKeys();
  ApplyPlayKeys();
  if (!TheMachine().Stopped()) SetStreamSilenced(FastForwarding);
}

}  // namespace

int main(int argc, char** argv) {
  // The status lines ("saved state 1 in ...", "wrote ...png") go out as
  // they are written, also into a file or a pipe, where standard output
  // would otherwise keep them until the end, out of order with stderr.
  std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  Options opt;
  const int early_exit = ParseOptions(argc, argv, opt);
  if (early_exit >= 0) return early_exit;
  if (opt.input && !LoadInputScript(opt.input)) return 2;  // a mistake in it is a mistake on the command line
  Headless = opt.headless;
  FrameLimit = opt.frames;
  TraceAll = opt.trace;

  Run.opt = &opt;
  SetExitWork(FinishRun);
  if (!StartAllegro(opt)) return 1;
  CatchQuitSignals();
  if (!CreateBitmaps()) {
    std::fprintf(stderr, "pellix: cannot create the picture bitmaps: %s\n", allegro_error);
    return 1;
  }

  static char path[PathSize];
  if (opt.rom) {
    std::snprintf(path, sizeof path, "%s", opt.rom);
  } else {
    if (!SelectRom(path, sizeof path)) return 1;
  }
  if (!exists(path)) return 0;  // cancelled, or nothing there

  Machine& machine = TheMachine();
  machine.SetHostClock(SystemMillis);
  std::string error;
  if (!LoadCartridgeFile(machine, path, &error)) {
    std::fprintf(stderr, "pellix: %s: %s\n", path, error.c_str());
    return 1;
  }
  const CartridgeInfo& cartridge = machine.Cartridge();
  TellAboutCartridge(path, cartridge);
  if (!Headless) SetWindowTitle(WindowTitleFor(cartridge.title, path));
  if (!cartridge.supported) {
    std::fprintf(stderr, "pellix: cartridge type 0x%02X is not supported; running without its controller\n",
                 cartridge.type);
  }
  if (!opt.no_save) StartBatterySave(path, opt.save);

  if (SoundEnabled) StartSound(!Headless);
  if (opt.wav && !OpenWavCapture(opt.wav)) {
    std::fprintf(stderr, "pellix: %s: cannot write the sound capture\n", opt.wav);
    return 1;
  }
  if (opt.serial && !OpenSerialOutput(opt.serial)) {
    std::fprintf(stderr, "pellix: %s: cannot write the serial output: %s\n", opt.serial, std::strerror(errno));
    return 1;
  }
  for (const ScreenshotAt& shot : opt.shots) ScheduleScreenshot(shot.frame, shot.path);
  for (const ScreenshotAt& state : opt.states) ScheduleStateSave(state.frame, state.path);
  StartStateSlots(path, opt.save);
  // A state to load is checked before anything waits for the player.
  std::vector<uint8_t> first_state;
  if (opt.load_state) {
    StateProblem problem;
    if (!ReadStateFile(opt.load_state, first_state, problem)) {
      std::fprintf(stderr, "pellix: %s: cannot load the state: %s\n", opt.load_state, problem.message.c_str());
      return 1;
    }
  }

  if (!Headless) CatchEscape();
  if (InfoScreenOption && !opt.no_info) ShowCartridgeInfo(cartridge.notes);

  if (opt.colour) TrueColoursOption = true;  // else as the configuration file says
  if (opt.volume >= 0) SoundVolume = opt.volume;
  machine.Reset();
  StepInputScript(0);
  PollInput();
  // The state's pad lines stand until the first poll, as they stood when it
  // was saved. Frames count from here.
  if (opt.load_state) {
    if (!machine.LoadState(first_state.data(), first_state.size())) {
      std::fprintf(stderr, "pellix: %s: cannot load the state: the file is damaged (it holds values the machine "
                   "cannot have)\n", opt.load_state);
      return 1;
    }
    BatterySaveRolledBack(std::string("Loaded the state ") + opt.load_state);
  }
  StartPlayKeys(path);
  StartRewind(!Headless && RewindOption && !opt.no_rewind);
  StartTrace();
  if (opt.test) StartTestRun();
  ListenToSerial(opt.test);
  RestartFrameClock();

  Run.path = path;
  Run.started = std::chrono::steady_clock::now();
  bool stop_told = false;  // the processor's stop has been reported
  const long slow_loop = SlowLoopMs();
  while (!QuitRequested) {
    if (machine.RunFrame(NextFrameButtons())) {
      if (slow_loop) KeepRunning(slow_loop);
      FrameEnded();
      RunBetweenFrames();
      stop_told = false;
      continue;
    }
    // Said at once on the terminal; the window says it on the register display.
    if (!stop_told) std::fprintf(stderr, "pellix: %s\n", machine.StopText());
    stop_told = true;
    if (Headless) break;  // stopped: nobody can read the registers or press Escape
    ShowStoppedProcessor();
  }
  const int exit_code = FinishRunOnce();
  if (DisplayLost()) _exit(exit_code);  // the library's own exit work would need the display
  return exit_code;
}
END_OF_MAIN()

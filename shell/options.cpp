#include "shell/options.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/display.h"
#include "shell/stream_output.h"

const char* const Usage =
    "usage: pellix [options] [ROM]\n"
    "\n"
    "Runs a Game Boy cartridge image (plain, gzip or ZIP). Without a ROM path\n"
    "a file selector opens.\n"
    "\n"
    "options:\n"
    "  --headless         no window, keyboard, joystick or sound device; runs as\n"
    "                     fast as it can (needs a ROM path)\n"
    "  --frames N         end after N frames, as Escape would\n"
    "  --bench            print frames, seconds and frames per second at the end\n"
    "  --trace            write every executed instruction to Trace.Log\n"
    "  --screenshot FILE  write the last picture as a PNG file at the end\n"
    "  --wav FILE         write the sound output to a WAV file\n"
    "  --save FILE        keep the battery save in FILE (default: the ROM's path\n"
    "                     with .sav for its extension)\n"
    "  --no-save          neither read nor write a battery save\n"
    "  --scale N          a window N times the picture's size, 1 to 6 (default 2)\n"
    "  --fullscreen       full screen, the picture scaled as large as it fits\n"
    "  --config FILE      read keys and settings from FILE instead of\n"
    "                     ~/.config/pellix/pellix.cfg\n"
    "  --colour           draw colour cartridges in their own colours (the\n"
    "                     default is the four greens for every cartridge)\n"
    "  --serial FILE      write every byte the cartridge sends through the serial\n"
    "                     port to FILE as it is sent (- for standard output)\n"
    "  --input FILE       hold the buttons a script names, frame by frame; each\n"
    "                     line is 'FRAME BUTTONS', e.g. '120 start' or '300 a+right'\n"
    "                     or '400 -' (lines in increasing frame order, # comments)\n"
    "  --screenshot-at FRAME:FILE\n"
    "                     write the picture as a PNG file when FRAME frames have\n"
    "                     finished (repeatable)\n"
    "  --load-state FILE  load a save state right after the start; frames count\n"
    "                     from there (--frames, --screenshot-at, --input)\n"
    "  --save-state-at FRAME:FILE\n"
    "                     write a save state when FRAME frames have finished\n"
    "                     (repeatable)\n"
    "  --no-rewind        keep no snapshots for rewinding (Backspace)\n"
    "  --no-info          go straight into the game, without the information screen\n"
    "  --volume N         the sound's loudness, 0 to 100 percent (default 100; the\n"
    "                     --wav capture is not affected)\n"
    "  --test             run headless until the cartridge reports a verdict (frame\n"
    "                     limit 7200 unless --frames); exit 0 passed, 1 failed,\n"
    "                     4 no verdict\n"
    "  --help, -h         show this text\n"
    "  --version, -V      show PELLIX's version\n"
    "\n"
    "keys: arrows = pad, Z = B, X = A, Q = Start, W = Select, Enter = play,\n"
    "      Escape = quit, ~ (held) = trace, X (held) = hide the register display,\n"
    "      P = pause, Tab (held) = fast-forward, F1 = reset, F12 = screenshot,\n"
    "      F11 = full screen, F2 = save state, F3 = next state slot (Shift+F3:\n"
    "      the one before), F4 = load state, Backspace (held) = rewind,\n"
    "      - and = = volume down and up, M = mute\n";

namespace {

int Fail(const char* format, const char* what) {
  std::fprintf(stderr, "pellix: ");
  std::fprintf(stderr, format, what);
  std::fprintf(stderr, " (try --help)\n");
  return 2;
}

// A whole number from 0 with nothing after it.
bool ParseWhole(const char* text, long& value) {
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (errno || end == text || *end || v < 0) return false;
  value = v;
  return true;
}

bool ParseCount(const char* text, long& value) { return ParseWhole(text, value) && value > 0; }

// FRAME:FILE, split at the first colon; the file name may hold more.
bool ParseScreenshotAt(const char* text, ScreenshotAt& shot) {
  const char* colon = std::strchr(text, ':');
  if (!colon || colon == text || colon[1] == '\0') return false;
  const std::string frame(text, colon);
  if (!ParseCount(frame.c_str(), shot.frame)) return false;
  shot.path = colon + 1;
  return true;
}

// Why a path named on the command line is not a file to read: "no such
// file" (or `missing`), "is a directory", "not a regular file"; null when
// it is one.
const char* NotAFile(const char* path, const char* missing = "no such file") {
  struct stat st;
  if (stat(path, &st) != 0) return missing;
  if (S_ISDIR(st.st_mode)) return "is a directory";
  return S_ISREG(st.st_mode) ? nullptr : "not a regular file";
}

int FailOnPath(const char* path, const char* why) {
  const std::string text = std::string(path) + ": " + why;
  return Fail("%s", text.c_str());
}

}  // namespace

int ParseOptions(int argc, char** argv, Options& opt) {
  for (int i = 1; i < argc; i++) {
    const char* arg = argv[i];
    auto value = [&](const char*& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      std::fputs(Usage, stdout);
      return 0;
    } else if (std::strcmp(arg, "--version") == 0 || std::strcmp(arg, "-V") == 0) {
      std::puts("PELLIX " PELLIX_VERSION);
      return 0;
    } else if (std::strcmp(arg, "--headless") == 0) {
      opt.headless = true;
    } else if (std::strcmp(arg, "--bench") == 0) {
      opt.bench = true;
    } else if (std::strcmp(arg, "--trace") == 0) {
      opt.trace = true;
    } else if (std::strcmp(arg, "--frames") == 0) {
      const char* text = nullptr;
      if (!value(text)) return Fail("%s needs a value", arg);
      if (!ParseCount(text, opt.frames)) return Fail("--frames needs a positive whole number, not '%s'", text);
    } else if (std::strcmp(arg, "--screenshot") == 0) {
      if (!value(opt.screenshot)) return Fail("%s needs a file name", arg);
    } else if (std::strcmp(arg, "--wav") == 0) {
      if (!value(opt.wav)) return Fail("%s needs a file name", arg);
    } else if (std::strcmp(arg, "--save") == 0) {
      if (!value(opt.save)) return Fail("%s needs a file name", arg);
    } else if (std::strcmp(arg, "--no-save") == 0) {
      opt.no_save = true;
    } else if (std::strcmp(arg, "--scale") == 0) {
      const char* text = nullptr;
      long scale = 0;
      if (!value(text)) return Fail("%s needs a value", arg);
      if (!ParseCount(text, scale) || scale > MaxScale)
        return Fail("--scale needs a whole number from 1 to 6, not '%s'", text);
      opt.scale = static_cast<int>(scale);
    } else if (std::strcmp(arg, "--fullscreen") == 0) {
      opt.fullscreen = true;
    } else if (std::strcmp(arg, "--config") == 0) {
      if (!value(opt.config)) return Fail("%s needs a file name", arg);
      if (const char* why = NotAFile(opt.config, "no such configuration file")) return FailOnPath(opt.config, why);
    } else if (std::strcmp(arg, "--colour") == 0) {
      opt.colour = true;
    } else if (std::strcmp(arg, "--serial") == 0) {
      if (!value(opt.serial)) return Fail("%s needs a file name (- for standard output)", arg);
    } else if (std::strcmp(arg, "--input") == 0) {
      if (!value(opt.input)) return Fail("%s needs a script file", arg);
    } else if (std::strcmp(arg, "--screenshot-at") == 0) {
      const char* text = nullptr;
      if (!value(text)) return Fail("%s needs FRAME:FILE", arg);
      ScreenshotAt shot{};
      if (!ParseScreenshotAt(text, shot))
        return Fail("--screenshot-at needs FRAME:FILE with a positive frame, not '%s'", text);
      opt.shots.push_back(shot);
    } else if (std::strcmp(arg, "--save-state-at") == 0) {
      const char* text = nullptr;
      if (!value(text)) return Fail("%s needs FRAME:FILE", arg);
      ScreenshotAt state{};
      if (!ParseScreenshotAt(text, state))
        return Fail("--save-state-at needs FRAME:FILE with a positive frame, not '%s'", text);
      opt.states.push_back(state);
    } else if (std::strcmp(arg, "--load-state") == 0) {
      if (!value(opt.load_state)) return Fail("%s needs a state file", arg);
      if (const char* why = NotAFile(opt.load_state, "no such state file")) return FailOnPath(opt.load_state, why);
    } else if (std::strcmp(arg, "--no-rewind") == 0) {
      opt.no_rewind = true;
    } else if (std::strcmp(arg, "--no-info") == 0) {
      opt.no_info = true;
    } else if (std::strcmp(arg, "--volume") == 0) {
      const char* text = nullptr;
      long volume = 0;
      if (!value(text)) return Fail("%s needs a value", arg);
      if (!ParseWhole(text, volume) || volume > FullVolume)
        return Fail("--volume needs a whole number from 0 to 100, not '%s'", text);
      opt.volume = static_cast<int>(volume);
    } else if (std::strcmp(arg, "--test") == 0) {
      opt.test = true;
    } else if (arg[0] == '-' && arg[1] != '\0') {
      return Fail("unknown option %s", arg);
    } else if (opt.rom) {
      return Fail("only one ROM can be given (also got %s)", arg);
    } else {
      opt.rom = arg;
    }
  }
  if (opt.rom) {
    if (const char* why = NotAFile(opt.rom)) return FailOnPath(opt.rom, why);
  }
  if (opt.test && !opt.rom) return Fail("%s needs a ROM path", "--test");
  if (opt.headless && !opt.rom) return Fail("%s needs a ROM path", "--headless");
  if (opt.save && opt.no_save) return Fail("%s and --no-save exclude each other", "--save");
  if (opt.test) {
    opt.headless = true;
    if (opt.frames == 0) opt.frames = TestFrameLimit;
  }
  return -1;
}

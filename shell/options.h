// The command line: pellix [options] [ROM]
#pragma once
#include <vector>

// Frames a test run may take when --frames does not say: two minutes of
// console time.
constexpr long TestFrameLimit = 7200;

// A file to write when that many frames have finished: a picture
// (--screenshot-at) or a state (--save-state-at).
struct ScreenshotAt {
  long frame;
  const char* path;
};

struct Options {
  const char* rom = nullptr;         // skip the file selector and load this
  bool headless = false;             // no window, no devices, no waiting
  long frames = 0;                   // end after this many frames (0 = no limit)
  bool bench = false;                // print the speed at the end
  bool trace = false;                // trace every instruction
  const char* screenshot = nullptr;  // PNG of the last picture at the end
  const char* wav = nullptr;         // capture of the sound output
  const char* save = nullptr;        // the battery save file, instead of the one beside the ROM
  bool no_save = false;              // neither read nor write a battery save
  int scale = 0;                     // window size in picture sizes (0 = from the configuration)
  bool fullscreen = false;           // full screen, whatever the configuration says
  const char* config = nullptr;      // the configuration file (null = the default place)
  bool colour = false;               // colour cartridges in their own colours
  const char* serial = nullptr;      // where the bytes sent through the serial port go ("-" = stdout)
  const char* input = nullptr;       // script of button states
  std::vector<ScreenshotAt> shots;   // PNGs of the picture at chosen frames
  bool test = false;                 // run until the cartridge reports its verdict (implies headless)
  const char* load_state = nullptr;  // a state file to load right after the start
  std::vector<ScreenshotAt> states;  // state files to write at chosen frames
  bool no_rewind = false;            // keep no snapshots for rewinding
  bool no_info = false;              // straight into the game, without the information screen
  int volume = -1;                   // the sound's loudness in percent (-1 = from the configuration)
};

extern const char* const Usage;

// Fills opt from the arguments. Returns -1 when the program should run, or
// the exit code to end with at once (0 after --help or --version, 2 for a
// bad command line, whose one-line message went to stderr).
int ParseOptions(int argc, char** argv, Options& opt);

// Windowed runs of the program under a private Xvfb server, driven with
// xdotool and photographed with ImageMagick's import.
#pragma once
#include <map>
#include <vector>
#include <string>
#include <sys/types.h>

class XvfbServer {
 public:
  XvfbServer();   // starts Xvfb on a free display, 1024x768x24
  ~XvfbServer();  // stops it
  void Kill();     // ends it at once, as a crash would
  bool ok() const { return pid_ > 0; }
  const std::string& display() const { return display_; }             // ":NN"
  std::map<std::string, std::string> env() const { return {{"DISPLAY", display_}}; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// A program started in the background.
struct BackgroundRun {
  pid_t pid = -1;
  std::string out_path, err_path;
};

// one_log: stdout and stderr into one file, as `> log 2>&1` gives.
BackgroundRun StartPellix(const std::vector<std::string>& args, const std::string& workdir,
                          const std::map<std::string, std::string>& env, bool one_log = false);
// Waits for the program to end; false on timeout, after which the program is
// killed unless keep_running is set. exit_code is -1 when it did not exit
// normally.
bool WaitForExit(BackgroundRun& run, double timeout, int& exit_code, bool keep_running = false);
std::string ReadOutput(const BackgroundRun& run);  // stdout so far
// What a run that did not do as expected is doing: its process state, what
// it waits in, and the names of the windows on the display.
std::string DescribeRun(const BackgroundRun& run, const class XvfbServer& x);
std::string ReadErrors(const BackgroundRun& run);  // stderr so far

// xdotool helpers on the server's display. FindWindow returns the id of
// the program's window, found by its class (pellix), or "" when none
// appears within the timeout.
std::string FindWindow(const XvfbServer& x, double timeout);
// Another window: `how` is xdotool's "--name" or "--class", `pattern` its
// regular expression.
std::string FindWindowBy(const XvfbServer& x, const std::string& how, const std::string& pattern, double timeout);
// The window's title.
std::string WindowTitle(const XvfbServer& x, const std::string& window);
// Focuses the window and holds the key (an xdotool key name) for hold seconds.
bool HoldKey(const XvfbServer& x, const std::string& window, const std::string& key, double hold = 0.25);
// Waits until the window shows more than one colour (something is drawn).
bool WaitForPicture(const XvfbServer& x, const std::string& window, double timeout);
// Takes a PNG screenshot of the window (import -window).
bool CaptureWindow(const XvfbServer& x, const std::string& window, const std::string& png_path);

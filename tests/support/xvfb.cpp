#include "support/xvfb.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/run.h"

namespace fs = std::filesystem;

namespace {

double Since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

std::string ReadAllText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Trim(std::string& s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ' || s.back() == '\r')) s.pop_back();
}

}  // namespace

XvfbServer::XvfbServer() {
  // Xvfb picks a free display itself and writes its number to a pipe, so
  // that servers of parallel tests can never meet on one display. It must not
  // reset when its last client leaves: the readiness probe is such a client,
  // and a program connecting during the reset would be refused.
  for (int attempt = 0; attempt < 3 && pid_ < 0; attempt++) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      int null = open("/dev/null", O_RDWR);
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset",
             nullptr);
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    display_ = ":" + number;

    // The number is written once the server listens; check that it answers.
    const auto started = std::chrono::steady_clock::now();
    bool up = false;
    while (!number.empty() && Since(started) < 10) {
      if (waitpid(pid, nullptr, WNOHANG) == pid) break;
      if (RunCommand({"xdotool", "getdisplaygeometry"}, "/tmp", 5, env()).exit_code == 0) {
        up = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (up) {
      pid_ = pid;
    } else {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
}

XvfbServer::~XvfbServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

void XvfbServer::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

BackgroundRun StartPellix(const std::vector<std::string>& args, const std::string& workdir,
                          const std::map<std::string, std::string>& env, bool one_log) {
  static int counter = 0;
  BackgroundRun run;
  const std::string base = fs::temp_directory_path().string() + "/pellix-bg-" + std::to_string(getpid()) + "-" +
                           std::to_string(counter++);
  run.out_path = base + ".out";
  run.err_path = one_log ? run.out_path : base + ".err";
  const std::string data_home = TestDataHome(workdir);
  const std::string config_home = TestConfigHome(workdir);
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    if (chdir(workdir.c_str()) != 0) _exit(127);
    int out = open(run.out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = one_log ? out : open(run.err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    setenv("XDG_DATA_HOME", data_home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config_home.c_str(), 1);
    for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
    std::vector<char*> argv{const_cast<char*>(PELLIX_BINARY)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  run.pid = pid;
  return run;
}

bool WaitForExit(BackgroundRun& run, double timeout, int& exit_code, bool keep_running) {
  exit_code = -1;
  if (run.pid <= 0) return false;
  const auto started = std::chrono::steady_clock::now();
  int status = 0;
  while (Since(started) < timeout) {
    if (waitpid(run.pid, &status, WNOHANG) == run.pid) {
      if (WIFEXITED(status)) exit_code = WEXITSTATUS(status);
      run.pid = -1;
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (keep_running) return false;
  kill(-run.pid, SIGKILL);
  waitpid(run.pid, &status, 0);
  run.pid = -1;
  return false;
}

std::string ReadOutput(const BackgroundRun& run) { return ReadAllText(run.out_path); }
std::string ReadErrors(const BackgroundRun& run) { return ReadAllText(run.err_path); }

std::string FindWindow(const XvfbServer& x, double timeout) { return FindWindowBy(x, "--class", "^pellix$", timeout); }

std::string FindWindowBy(const XvfbServer& x, const std::string& how, const std::string& pattern, double timeout) {
  const auto started = std::chrono::steady_clock::now();
  while (Since(started) < timeout) {
    RunResult r = RunCommand({"xdotool", "search", how, pattern}, "/tmp", 5, x.env());
    if (r.exit_code == 0) {
      std::string id = r.out.substr(0, r.out.find('\n'));
      Trim(id);
      if (!id.empty()) return id;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return "";
}

std::string WindowTitle(const XvfbServer& x, const std::string& window) {
  RunResult r = RunCommand({"xdotool", "getwindowname", window}, "/tmp", 5, x.env());
  std::string name = r.out;
  Trim(name);
  return name;
}

bool HoldKey(const XvfbServer& x, const std::string& window, const std::string& key, double hold) {
  RunCommand({"xdotool", "windowfocus", "--sync", window}, "/tmp", 5, x.env());
  if (RunCommand({"xdotool", "keydown", key}, "/tmp", 5, x.env()).exit_code != 0) return false;
  std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int>(hold * 1000)));
  return RunCommand({"xdotool", "keyup", key}, "/tmp", 5, x.env()).exit_code == 0;
}

bool CaptureWindow(const XvfbServer& x, const std::string& window, const std::string& png_path) {
  return RunCommand({"import", "-window", window, png_path}, "/tmp", 20, x.env()).exit_code == 0;
}

bool WaitForPicture(const XvfbServer& x, const std::string& window, double timeout) {
  const std::string png = fs::temp_directory_path().string() + "/pellix-wait-" + std::to_string(getpid()) + ".png";
  const auto started = std::chrono::steady_clock::now();
  bool drawn = false;
  while (!drawn && Since(started) < timeout) {
    if (CaptureWindow(x, window, png)) {
      RunResult r = RunCommand({"identify", "-format", "%k", png}, "/tmp", 20);
      drawn = r.exit_code == 0 && std::atoi(r.out.c_str()) > 1;
    }
    if (!drawn) std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  std::remove(png.c_str());
  return drawn;
}

std::string DescribeRun(const BackgroundRun& run, const XvfbServer& x) {
  std::string text = "stderr: " + ReadErrors(run);
  if (run.pid > 0) {
    const std::string proc = "/proc/" + std::to_string(run.pid);
    std::string status = ReadAllText(proc + "/status");
    const size_t state = status.find("State:");
    text += "; " + status.substr(state, status.find('\n', state) - state);
    text += "; waiting in " + ReadAllText(proc + "/wchan");
  } else {
    text += "; the process has ended";
  }
  RunResult windows = RunCommand({"xwininfo", "-root", "-tree"}, "/tmp", 10, x.env());
  text += "; windows: " + windows.out;
  return text;
}

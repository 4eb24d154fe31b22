#include "support/run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

RunResult RunCommand(const std::vector<std::string>& argv, const std::string& workdir, double timeout,
                     const std::map<std::string, std::string>& env) {
  RunResult result;
  static int counter = 0;
  const std::string base = fs::temp_directory_path().string() + "/pellix-run-" + std::to_string(getpid()) + "-" +
                           std::to_string(counter++);
  const std::string out_path = base + ".out", err_path = base + ".err";

  const std::string data_home = TestDataHome(workdir);
  const std::string config_home = TestConfigHome(workdir);
  const auto started = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    if (chdir(workdir.c_str()) != 0) _exit(127);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    setenv("XDG_DATA_HOME", data_home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config_home.c_str(), 1);
    for (const auto& [k, v] : env) setenv(k.c_str(), v.c_str(), 1);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (elapsed > timeout) {
      kill(-pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.timed_out = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (!result.timed_out && WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  result.out = ReadAll(out_path);
  result.err = ReadAll(err_path);
  std::remove(out_path.c_str());
  std::remove(err_path.c_str());
  return result;
}

RunResult RunPellix(const std::vector<std::string>& args, const std::string& workdir, double timeout,
                    const std::map<std::string, std::string>& env) {
  std::vector<std::string> argv{PELLIX_BINARY};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunCommand(argv, workdir, timeout, env);
}

std::string InstallInto(const std::string& dir, std::string& error) {
  const RunResult run =
      RunCommand({PELLIX_CMAKE, "--install", PELLIX_BUILD, "--prefix", "/usr"}, dir, 120, {{"DESTDIR", dir + "/root"}});
  error = run.exit_code == 0 ? "" : "cmake --install: " + run.err;
  return run.exit_code == 0 ? dir + "/root/usr" : "";
}

std::string MissingPrograms(const std::vector<std::string>& names) {
  std::vector<std::string> argv = {"sh", "-c", "for p; do command -v \"$p\" >/dev/null || printf '%s ' \"$p\"; done", "-"};
  argv.insert(argv.end(), names.begin(), names.end());
  return RunCommand(argv, ".", 20).out;
}

std::string TestConfigHome(const std::string& workdir) {
  fs::path dir = fs::absolute(workdir).lexically_normal();
  if (!dir.has_filename()) dir = dir.parent_path();
  return dir.string() + ".config";
}

std::string TestDataHome(const std::string& workdir) {
  fs::path dir = fs::absolute(workdir).lexically_normal();
  if (!dir.has_filename()) dir = dir.parent_path();
  return dir.string() + ".data";
}

std::string MakeTempDir(const std::string& name) {
  const fs::path dir = fs::path(PELLIX_TEST_BUILD) / "scratch" / (name + "-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::remove_all(TestDataHome(dir.string()));
  fs::create_directories(dir);
  return dir.string();
}

std::string RomPath(const std::string& relative) { return std::string(PELLIX_ROMS_DIR) + "/" + relative; }

std::string TestRomPath(const std::string& name) { return std::string(PELLIX_TEST_ROMS) + "/" + name + ".gb"; }

std::string CopyCartridgeInto(const std::string& cartridge, const std::string& dir) {
  const fs::path copy = fs::path(dir) / fs::path(cartridge).filename();
  fs::copy_file(cartridge, copy, fs::copy_options::overwrite_existing);
  return copy.string();
}

std::string TestDataPath(const std::string& relative) { return std::string(PELLIX_TEST_DATA) + "/" + relative; }

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) { return fs::exists(path); }

long FileSize(const std::string& path) {
  std::error_code ec;
  auto size = fs::file_size(path, ec);
  return ec ? -1 : static_cast<long>(size);
}

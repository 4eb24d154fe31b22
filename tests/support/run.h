// Running the real program from tests, and small file helpers.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct RunResult {
  int exit_code = -1;     // the program's exit code; -1 if it was killed or timed out
  bool timed_out = false;
  double seconds = 0;     // wall-clock time of the run
  std::string out, err;   // everything it wrote to stdout and stderr
};

// Runs a command (argv[0] is looked up in PATH) in workdir, with extra
// environment variables, killing it after timeout seconds.
RunResult RunCommand(const std::vector<std::string>& argv, const std::string& workdir, double timeout = 120,
                     const std::map<std::string, std::string>& env = {});

// The data folder ($XDG_DATA_HOME) of a program run in workdir: a folder
// beside it, so that saves PELLIX keeps outside the cartridge's folder stay
// with the test instead of landing in the user's home. Runs get it unless
// their env names another.
std::string TestDataHome(const std::string& workdir);
// The configuration folder ($XDG_CONFIG_HOME) of a program run in workdir:
// a folder beside it that nothing creates, so that no configuration file of
// the user's own changes what a test sees. Runs get it unless their env
// names another.
std::string TestConfigHome(const std::string& workdir);

// Runs build/pellix with the arguments in workdir.
RunResult RunPellix(const std::vector<std::string>& args, const std::string& workdir, double timeout = 120,
                    const std::map<std::string, std::string>& env = {});

// Installs the build as `cmake --install build --prefix /usr` does into
// DESTDIR dir/root, and returns the installed dir/root/usr ("" and the
// reason in error when the installation failed).
std::string InstallInto(const std::string& dir, std::string& error);
// The programs of the list that are not on the PATH, joined by spaces.
std::string MissingPrograms(const std::vector<std::string>& names);

// A fresh, empty folder under the test build tree, named after the test.
std::string MakeTempDir(const std::string& name);

// Path of a file under tests/cartridges, the test cartridges the project carries.
std::string RomPath(const std::string& relative);

// Path of a test cartridge of our own, assembled from tests/roms/NAME.s.
std::string TestRomPath(const std::string& name);

// Copies a cartridge into dir (a test's own folder) under its own name and
// returns the copy's path. A run keeps a battery cartridge's save, and F2
// its state slots, beside the cartridge: such runs go on a copy, so that
// the cartridges every test reads stay as they are.
std::string CopyCartridgeInto(const std::string& cartridge, const std::string& dir);

// Path of a file kept beside the tests (tests/...).
std::string TestDataPath(const std::string& relative);

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::string& path);
long FileSize(const std::string& path);  // -1 if missing

#include "shell/cartridge_file.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "shell/atomic_file.h"

namespace {

// Far beyond any cartridge (8 MiB at most) and any archive that holds one
// beside a few others.
constexpr size_t LargestCartridgeFile = size_t{64} << 20;

}  // namespace

bool LoadCartridgeFile(Machine& machine, const char* path, std::string* error) {
  std::vector<uint8_t> bytes;
  const FileRead read = ReadWholeFile(path, LargestCartridgeFile, bytes);
  if (read.error == EISDIR) {
    *error = "is a directory";
    return false;
  }
  if (read.error) {
    *error = std::string("Couldn't open file (") + std::strerror(read.error) + ")";
    return false;
  }
  if (read.too_large) {
    *error = "Cartridge image too large";
    return false;
  }
  return machine.LoadCartridge(bytes.data(), bytes.size(), path, error);
}

#include "shell/state_files.h"

#include <sys/stat.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

#include "shell/atomic_file.h"
#include "shell/battery_save.h"
#include "shell/run_control.h"
#include "shell/writer_thread.h"

namespace {

constexpr char Magic[8] = {'P', 'E', 'L', 'L', 'I', 'X', 'S', 'T'};
constexpr size_t FormatAt = 8, CartridgeCrcAt = 12, TitleAt = 16, SizeAt = 32, StateCrcAt = 36;
constexpr size_t HeaderSize = 40;
constexpr size_t TitleSize = 16;
// Far beyond the largest machine state (about 700 KiB with 128 KiB of
// cartridge RAM and full sound buffers).
constexpr uint32_t LargestState = 16u << 20;
constexpr long LargestFile = LargestState + HeaderSize;

struct ScheduledState {
  long frame;
  const char* path;
};

std::vector<ScheduledState> Scheduled;  // in frame order
size_t NextState = 0;
bool ScheduledFailed = false;

SaveLocation Slots;

// The states handed to the writer and not yet told written, by the file
// each goes to: a load of that file takes them, as the file will hold
// them, so that F4 right after F2 never finds the older file (or none).
std::map<std::string, std::shared_ptr<std::vector<uint8_t>>> Pending;

uint32_t GetLe32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; i++) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Crc(const uint8_t* data, size_t size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes its lengths in 32 bits: feed it in pieces.
  while (size > 0) {
    const uInt piece = size > (1u << 30) ? (1u << 30) : static_cast<uInt>(size);
    crc = crc32(crc, data, piece);
    data += piece;
    size -= piece;
  }
  return static_cast<uint32_t>(crc);
}

// Worked out when the cartridge was put in.
uint32_t CartridgeCrc() { return TheMachine().Cartridge().crc; }

// The title as the header holds it, printable characters only.
std::string Title(const uint8_t* bytes) {
  std::string title;
  for (size_t i = 0; i < TitleSize && bytes[i]; i++)
    title += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '?';
  while (!title.empty() && title.back() == ' ') title.pop_back();
  return title;
}

void CartridgeTitle(uint8_t* out) { std::memcpy(out, TheMachine().Cartridge().title_bytes, TitleSize); }

bool Refuse(StateProblem& problem, StateRefusal refusal, const std::string& message) {
  problem.refusal = refusal;
  problem.message = message;
  return false;
}

bool ReadStateBytes(const std::string& path, std::vector<uint8_t>& bytes, StateProblem& problem) {
  const FileRead read = ReadWholeFile(path, LargestFile, bytes);
  if (read.error == EISDIR || read.error == EINVAL) return Refuse(problem, StateRefusal::NotAState, "not a PELLIX state file");
  if (read.error) return Refuse(problem, StateRefusal::Unreadable, std::strerror(read.error));
  if (read.too_large) return Refuse(problem, StateRefusal::NotAState, "not a PELLIX state file (far too large)");
  return true;
}

// Unpacks the zlib stream into exactly size bytes. A stream that ends
// early is a truncated file; one that does not unpack, holds more than the
// header says or is followed by more bytes, a damaged one.
bool Unpack(const uint8_t* packed, size_t packed_size, std::vector<uint8_t>& state, uint32_t size,
            StateProblem& problem) {
  state.resize(size);
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return Refuse(problem, StateRefusal::Damaged, "out of memory");
  z.next_in = const_cast<Bytef*>(packed);
  z.avail_in = static_cast<uInt>(packed_size);
  z.next_out = state.data();
  z.avail_out = size;
  const int result = inflate(&z, Z_FINISH);
  const bool output_full = z.avail_out == 0, input_used = z.avail_in == 0;
  inflateEnd(&z);
  if (result == Z_STREAM_END && output_full && input_used) return true;
  if (result == Z_BUF_ERROR && input_used)
    return Refuse(problem, StateRefusal::Truncated, "the file is cut short (truncated)");
  return Refuse(problem, StateRefusal::Damaged, "the file is damaged (its contents do not unpack)");
}

}  // namespace

const char* StateProblem::brief() const {
  switch (refusal) {
    case StateRefusal::Unreadable: return "cannot read the file";
    case StateRefusal::NotAState: return "not a state file";
    case StateRefusal::Truncated: return "file cut short";
    case StateRefusal::Damaged: return "file damaged";
    case StateRefusal::OtherVersion: return "unknown format";
    case StateRefusal::OtherCartridge: return "another cartridge";
    default: return "";
  }
}

StateHeader CurrentStateHeader() {
  StateHeader header;
  header.cartridge_crc = CartridgeCrc();
  CartridgeTitle(header.title);
  return header;
}

bool PackStateFile(const std::vector<uint8_t>& state, const StateHeader& header, std::vector<uint8_t>& file) {
  uLongf packed_size = compressBound(static_cast<uLong>(state.size()));
  file.assign(HeaderSize + packed_size, 0);
  std::memcpy(file.data(), Magic, sizeof Magic);
  PutLe32(&file[FormatAt], Machine::StateFormat());
  PutLe32(&file[CartridgeCrcAt], header.cartridge_crc);
  std::memcpy(&file[TitleAt], header.title, TitleSize);
  PutLe32(&file[SizeAt], static_cast<uint32_t>(state.size()));
  PutLe32(&file[StateCrcAt], Crc(state.data(), state.size()));
  if (compress2(&file[HeaderSize], &packed_size, state.data(), static_cast<uLong>(state.size()),
                Z_DEFAULT_COMPRESSION) != Z_OK) {
    file.clear();
    return false;
  }
  file.resize(HeaderSize + packed_size);
  return true;
}

std::vector<uint8_t> EncodeStateFile() {
  std::vector<uint8_t> state, file;
  TheMachine().SaveState(state);
  PackStateFile(state, CurrentStateHeader(), file);
  return file;
}

// The order of the checks goes from what the file is to what it holds: a
// file of a newer format may lay out the rest of its header otherwise.
bool DecodeStateFile(const std::vector<uint8_t>& file, std::vector<uint8_t>& state, StateProblem& problem) {
  problem = StateProblem{};
  const size_t magic_part = file.size() < sizeof Magic ? file.size() : sizeof Magic;
  if (file.empty() || std::memcmp(file.data(), Magic, magic_part) != 0)
    return Refuse(problem, StateRefusal::NotAState, "not a PELLIX state file");
  if (file.size() < FormatAt + 4) return Refuse(problem, StateRefusal::Truncated, "the file is cut short (truncated)");
  const uint32_t format = GetLe32(&file[FormatAt]);
  if (format != Machine::StateFormat()) {
    return Refuse(problem, StateRefusal::OtherVersion,
                  "it has state format " + std::to_string(format) + "; this PELLIX reads format " +
                      std::to_string(Machine::StateFormat()));
  }
  if (file.size() < HeaderSize) return Refuse(problem, StateRefusal::Truncated, "the file is cut short (truncated)");
  if (GetLe32(&file[CartridgeCrcAt]) != CartridgeCrc()) {
    uint8_t ours[TitleSize];
    CartridgeTitle(ours);
    const std::string theirs = Title(&file[TitleAt]), mine = Title(ours);
    std::string message = "it was saved from another cartridge";
    if (!theirs.empty() && theirs != mine) message += " (\"" + theirs + "\")";
    return Refuse(problem, StateRefusal::OtherCartridge, message);
  }
  const uint32_t size = GetLe32(&file[SizeAt]);
  if (size == 0 || size > LargestState) return Refuse(problem, StateRefusal::Damaged, "the file is damaged (bad size)");
  if (!Unpack(&file[HeaderSize], file.size() - HeaderSize, state, size, problem)) return false;
  if (Crc(state.data(), state.size()) != GetLe32(&file[StateCrcAt]))
    return Refuse(problem, StateRefusal::Damaged, "the file is damaged (its CRC does not match)");
  return true;
}

void WriteStateFileLater(const std::string& path, std::function<void(bool, const std::string&)> done) {
  auto state = std::make_shared<std::vector<uint8_t>>();
  TheMachine().SaveState(*state);
  const StateHeader header = CurrentStateHeader();
  Pending[path] = state;
  auto told = [path, state, done = std::move(done)](bool ok, const std::string& error) {
    const auto pending = Pending.find(path);
    if (pending != Pending.end() && pending->second == state) Pending.erase(pending);  // no newer one waits
    if (done) done(ok, error);
  };
  FileWriter.submit(
      [state, header, path](std::string* error) {
        std::vector<uint8_t> file;
        if (!PackStateFile(*state, header, file)) {
          *error = "cannot compress the state";
          return false;
        }
        return MakeFolderFor(path, error) && ReplaceFile(path, file, false, error);
      },
      std::move(told));
}

bool ReadStateFile(const std::string& path, std::vector<uint8_t>& state, StateProblem& problem) {
  std::vector<uint8_t> file;
  return ReadStateBytes(path, file, problem) && DecodeStateFile(file, state, problem);
}

bool LoadStateFile(const std::string& path, StateProblem& problem) {
  std::vector<uint8_t> read;
  const auto pending = Pending.find(path);
  if (pending == Pending.end() && !ReadStateFile(path, read, problem)) return false;
  const std::vector<uint8_t>& state = pending != Pending.end() ? *pending->second : read;
  if (TheMachine().LoadState(state.data(), state.size())) return true;
  return Refuse(problem, StateRefusal::Damaged, "the file is damaged (it holds values the machine cannot have)");
}

namespace {

// NAME.sav becomes NAME.stN; a save file of another name gets .stN added.
std::string SlotFile(const std::string& save, int slot) {
  const std::string extension = ".st" + std::to_string(slot);
  const size_t n = save.size();
  if (n > 4 && save.compare(n - 4, 4, ".sav") == 0) return save.substr(0, n - 4) + extension;
  return save + extension;
}

}  // namespace

void StartStateSlots(const char* rom_path, const char* save_path) {
  Slots = LocateSaveFile(rom_path, save_path);
  // What runs ended while writing left beside the saves and the slots.
  std::vector<std::string> targets;
  for (const std::string& candidate : Slots.candidates) {
    targets.push_back(candidate);
    for (int slot = 1; slot <= StateSlots; slot++) targets.push_back(SlotFile(candidate, slot));
  }
  for (const std::string& path : RemoveStaleTemporaries(targets))
    std::fprintf(stderr, "pellix: removed %s, left by a run that ended while writing it\n", path.c_str());
}

// A folder that stopped being writable during the run gives way to the
// other place, as for the battery save.
std::string StateSlotPath(int slot) {
  if (Slots.candidates.empty()) return "";
  const bool other = !Slots.fallback && Slots.candidates.size() > 1 && !FolderWritable(FolderOf(Slots.candidates[0]));
  return SlotFile(Slots.candidates[other ? 1 : 0], slot);
}

std::string FindStateSlot(int slot) {
  for (const std::string& candidate : Slots.candidates) {
    const std::string path = SlotFile(candidate, slot);
    struct stat st;
    if (Pending.count(path) || stat(path.c_str(), &st) == 0) return path;
  }
  return "";
}

void ScheduleStateSave(long frame, const char* path) {
  auto at = Scheduled.begin();
  while (at != Scheduled.end() && at->frame <= frame) ++at;
  Scheduled.insert(at, ScheduledState{frame, path});
}

void WriteScheduledStates(long frames_finished) {
  while (NextState < Scheduled.size() && Scheduled[NextState].frame <= frames_finished) {
    const char* path = Scheduled[NextState++].path;
    WriteStateFileLater(path, [path](bool ok, const std::string& error) {
      if (ok) return;
      std::fprintf(stderr, "pellix: %s: cannot write the state (%s)\n", path, error.c_str());
      ScheduledFailed = true;
    });
  }
}

bool ScheduledStatesDone(long frames_finished) {
  FileWriter.drain();
  for (size_t i = NextState; i < Scheduled.size(); i++) {
    std::fprintf(stderr, "pellix: %s: not written: the run ended after %ld frames, before frame %ld\n",
                 Scheduled[i].path, frames_finished, Scheduled[i].frame);
  }
  return !ScheduledFailed && NextState == Scheduled.size();
}

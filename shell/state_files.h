// Save states in files: the machine state (machine/state.h),
// compressed with zlib behind a header of 40 bytes, all numbers
// little-endian:
//   0  "PELLIXST"                  8 bytes
//   8  format version              the machine state's layout
//  12  CRC-32 of the cartridge     of the whole image, as padded to its banks
//  16  cartridge title             16 bytes from its header, for messages
//  32  size of the machine state   before compression
//  36  CRC-32 of the machine state before compression
//  40  the zlib stream
// A file is checked whole (its header, its cartridge, its format, that it
// unpacks to the size and CRC its header gives) before the machine is
// touched.
//
// The slots NAME.st1 ... NAME.st9 lie beside the battery save NAME.sav, by
// the same rules (--save FILE, the fallback folder), also for cartridges
// without a battery.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr int StateSlots = 9;

// Why a state file was not loaded.
enum class StateRefusal { None, Unreadable, NotAState, Truncated, Damaged, OtherVersion, OtherCartridge };

struct StateProblem {
  StateRefusal refusal = StateRefusal::None;
  std::string message;  // a whole sentence for the terminal
  // A few words for the window, under "State N not loaded".
  const char* brief() const;
};

// What a state file's header says of the cartridge it belongs to.
struct StateHeader {
  uint32_t cartridge_crc;
  uint8_t title[16];
};
StateHeader CurrentStateHeader();

// Packs a machine state into the bytes of a state file. False (file empty)
// when it cannot be compressed: no file is ever written that cannot load.
bool PackStateFile(const std::vector<uint8_t>& state, const StateHeader& header, std::vector<uint8_t>& file);

// The bytes of a state file of the machine as it stands; empty when it
// cannot be packed.
std::vector<uint8_t> EncodeStateFile();

// Checks a state file's bytes and unpacks the machine state in them into
// state, without touching the machine. False with the problem filled in.
bool DecodeStateFile(const std::vector<uint8_t>& file, std::vector<uint8_t>& state, StateProblem& problem);

// Writes a state file of the machine as it stands, as the battery save is
// written: the machine state is copied now, between frames, and packed and
// written on the writer thread (creating the folder when missing). done is
// told the outcome when the writer's finished writes are. Until then the
// copy stands for the file: LoadStateFile and FindStateSlot take it.
void WriteStateFileLater(const std::string& path, std::function<void(bool ok, const std::string& error)> done);

// Reads, checks and loads a state file, or the state still on its way to
// it. On any problem the machine is left exactly as it was (false).
bool LoadStateFile(const std::string& path, StateProblem& problem);

// Reads and checks a state file for loading later (--load-state, which is
// checked before the information screen and loaded after the reset).
bool ReadStateFile(const std::string& path, std::vector<uint8_t>& state, StateProblem& problem);

// Where the slots of the cartridge at rom_path are (save_path: --save, or
// null), found as the battery save is.
void StartStateSlots(const char* rom_path, const char* save_path);
// The file slot 1-9 is written to.
std::string StateSlotPath(int slot);
// The file slot 1-9 is loaded from: the first of its places that holds
// one; empty when none does.
std::string FindStateSlot(int slot);

// States to write during the run (--save-state-at), each when that many
// frames have finished.
void ScheduleStateSave(long frame, const char* path);
// Between frames: hands the states due now to the writer; a failure is
// reported when it is known.
void WriteScheduledStates(long frames_finished);
// At the end of the run: waits for the writer, and reports each scheduled
// state the run ended before. False when one is missing or failed.
bool ScheduledStatesDone(long frames_finished);

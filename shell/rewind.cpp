#include "shell/rewind.h"

#include <zlib.h>

#include <cstring>

#include "memory/machine_state.h"

bool RewindOption = true;

namespace {

// Each snapshot starts with the size of the state it unpacks to.
constexpr size_t SizeBytes = 4;

RewindRing Ring;
bool Active = false;
int FramesSinceSnapshot = 0;
std::vector<uint8_t> Snapshot;  // the state being taken or restored

}  // namespace

// The fastest compression: a snapshot is taken several times a second, and
// the states of one game resemble each other so much that it still packs
// them well.
void RewindRing::push(const std::vector<uint8_t>& state) {
  uLongf packed_size = compressBound(static_cast<uLong>(state.size()));
  packed_.resize(SizeBytes + packed_size);
  const uint32_t size = static_cast<uint32_t>(state.size());
  std::memcpy(packed_.data(), &size, SizeBytes);
  if (compress2(packed_.data() + SizeBytes, &packed_size, state.data(), static_cast<uLong>(state.size()), 1) != Z_OK)
    return;
  std::vector<uint8_t> kept(packed_.begin(), packed_.begin() + static_cast<long>(SizeBytes + packed_size));
  bytes_ += kept.capacity();
  snapshots_.push_back(std::move(kept));
  while (!snapshots_.empty() && (snapshots_.size() > most_ || bytes_ > cap_)) {
    bytes_ -= snapshots_.front().capacity();
    snapshots_.pop_front();
  }
}

bool RewindRing::pop(std::vector<uint8_t>& state) {
  if (snapshots_.empty()) return false;
  std::vector<uint8_t> packed = std::move(snapshots_.back());
  snapshots_.pop_back();
  bytes_ -= packed.capacity();
  uint32_t size;
  std::memcpy(&size, packed.data(), SizeBytes);
  state.resize(size);
  uLongf unpacked = size;
  return uncompress(state.data(), &unpacked, packed.data() + SizeBytes, static_cast<uLong>(packed.size() - SizeBytes)) ==
             Z_OK &&
         unpacked == size;
}

void RewindRing::clear() {
  snapshots_.clear();
  bytes_ = 0;
}

void StartRewind(bool enabled) {
  Active = enabled;
  Ring.clear();
  FramesSinceSnapshot = 0;
}

bool RewindActive() { return Active; }

void RewindFrameFinished() {
  if (!Active || ++FramesSinceSnapshot < RewindInterval) return;
  FramesSinceSnapshot = 0;
  SaveMachineState(Snapshot);
  Ring.push(Snapshot);
}

bool RewindStep() {
  return Active && Ring.pop(Snapshot) && LoadMachineState(Snapshot.data(), Snapshot.size());
}

void RewindStopped() {
  if (!Active) return;
  SaveMachineState(Snapshot);
  Ring.push(Snapshot);
  FramesSinceSnapshot = 0;
}

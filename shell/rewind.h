// Rewinding: while the game runs in a window, a snapshot of the machine
// every few frames, kept for the last half minute or so; while the rewind
// key is held the snapshots come back newest first at the pace they were
// taken, and the game goes on from the last one shown.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

constexpr int RewindInterval = 2;                         // frames from one snapshot to the next
constexpr int RewindSeconds = 30;                         // how far back rewinding reaches
constexpr size_t RewindMemoryCap = size_t{32} << 20;      // the snapshots' memory, at most
constexpr size_t RewindSnapshots = RewindSeconds * 60 / RewindInterval;

// Set by default; rewind = no in the configuration file and --no-rewind
// clear it. Headless runs never keep snapshots.
extern bool RewindOption;

// Snapshots of the machine. The newest is kept whole, each older one as the
// bytes in which it differs from the one after it: between two snapshots a
// game changes some dozens or hundreds of bytes of its 100 KiB, so keeping
// one costs a comparison and a few bytes, not a compression. Adding one
// drops the oldest while there are more than `most` or they take more than
// `cap` bytes.
class RewindRing {
 public:
  explicit RewindRing(size_t cap = RewindMemoryCap, size_t most = RewindSnapshots) : cap_(cap), most_(most) {}

  // Keeps a machine state as the newest snapshot.
  void push(const std::vector<uint8_t>& state);
  // Takes the newest snapshot out into state; false when there is none.
  bool pop(std::vector<uint8_t>& state);
  void clear();
  size_t size() const { return undo_.size() + (has_newest_ ? 1 : 0); }
  // The memory the snapshots take, their buffers as allocated.
  size_t bytes() const { return undo_bytes_ + (has_newest_ ? newest_.capacity() : 0); }

 private:
  size_t cap_, most_;
  bool has_newest_ = false;
  std::vector<uint8_t> newest_;
  // Oldest first: each turns the snapshot after it (the next one, or the
  // newest) back into its own.
  std::deque<std::vector<uint8_t>> undo_;
  size_t undo_bytes_ = 0;
  std::vector<uint8_t> work_;  // an undo record being made
};

// Starts keeping snapshots when enabled (a windowed run with the option set).
void StartRewind(bool enabled);
bool RewindActive();

// Between frames: a snapshot every RewindInterval frames.
void RewindFrameFinished();

// One step back: the machine as the newest snapshot holds it, which leaves
// the ring. False (the machine untouched) when there is none left.
bool RewindStep();

// Rewinding ended here: the machine as it stands is the newest snapshot,
// and the next comes RewindInterval frames on.
void RewindStopped();

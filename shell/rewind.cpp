#include "shell/rewind.h"

#include <algorithm>
#include <cstring>

#include "shell/run_control.h"

bool RewindOption = true;

namespace {

RewindRing Ring;
bool Active = false;
int FramesSinceSnapshot = 0;
std::vector<uint8_t> Snapshot;  // the state being taken or restored

// An undo record: the size of the older state, then runs of its bytes, each
// as (equal bytes skipped, run length, the run's bytes). Equal bytes between
// two changes join a run when they are fewer than a run's own 8 bytes cost,
// so that a record is never much longer than the state.
constexpr size_t FieldBytes = 4;
constexpr size_t MostEqualInRun = 2 * FieldBytes;

// Little-endian, as every number in PELLIX's files.
void PutField(std::vector<uint8_t>& out, size_t value) {
  for (size_t i = 0; i < FieldBytes; i++) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t GetField(const uint8_t* at) {
  uint32_t value = 0;
  for (size_t i = FieldBytes; i-- > 0;) value = value << 8 | at[i];
  return value;
}

// The first place from `at` on where the two differ, or `end`; eight bytes
// at a time, for a state is mostly equal.
size_t FirstDifference(const uint8_t* a, const uint8_t* b, size_t at, size_t end) {
  for (uint64_t wa, wb; at + sizeof wa <= end; at += sizeof wa) {
    std::memcpy(&wa, a + at, sizeof wa);
    std::memcpy(&wb, b + at, sizeof wb);
    if (wa != wb) break;
  }
  while (at < end && a[at] == b[at]) at++;
  return at;
}

void AddRun(std::vector<uint8_t>& out, size_t skipped, const uint8_t* bytes, size_t length) {
  PutField(out, skipped);
  PutField(out, length);
  out.insert(out.end(), bytes, bytes + length);
}

// What turns `newer` back into `older`.
void MakeUndo(const std::vector<uint8_t>& newer, const std::vector<uint8_t>& older, std::vector<uint8_t>& out) {
  out.clear();
  PutField(out, older.size());
  const uint8_t* a = newer.data();
  const uint8_t* b = older.data();
  const size_t common = std::min(newer.size(), older.size());
  size_t covered = 0;  // the bytes before this are skipped or in a run
  for (size_t start; (start = FirstDifference(a, b, covered, common)) < common;) {
    size_t last = start;  // the run's last differing byte
    for (size_t i = start + 1; i < common && i - last <= MostEqualInRun; i++) {
      if (a[i] != b[i]) last = i;
    }
    AddRun(out, start - covered, b + start, last + 1 - start);
    covered = last + 1;
  }
  if (older.size() > common) AddRun(out, common - covered, b + common, older.size() - common);
}

void ApplyUndo(const std::vector<uint8_t>& undo, std::vector<uint8_t>& state) {
  state.resize(GetField(undo.data()));
  size_t at = 0;
  for (size_t read = FieldBytes; read < undo.size();) {
    at += GetField(undo.data() + read);
    const size_t length = GetField(undo.data() + read + FieldBytes);
    read += 2 * FieldBytes;
    std::memcpy(state.data() + at, undo.data() + read, length);
    read += length;
    at += length;
  }
}

}  // namespace

void RewindRing::push(const std::vector<uint8_t>& state) {
  if (has_newest_) {
    MakeUndo(state, newest_, work_);
    undo_.emplace_back(work_.begin(), work_.end());
    undo_bytes_ += undo_.back().capacity();
  }
  newest_ = state;
  has_newest_ = true;
  while (size() > 0 && (size() > most_ || bytes() > cap_)) {
    if (undo_.empty()) {
      has_newest_ = false;  // alone larger than the cap
    } else {
      undo_bytes_ -= undo_.front().capacity();
      undo_.pop_front();
    }
  }
}

bool RewindRing::pop(std::vector<uint8_t>& state) {
  if (!has_newest_) return false;
  state = newest_;
  if (undo_.empty()) {
    has_newest_ = false;
  } else {
    ApplyUndo(undo_.back(), newest_);
    undo_bytes_ -= undo_.back().capacity();
    undo_.pop_back();
  }
  return true;
}

void RewindRing::clear() {
  undo_.clear();
  undo_bytes_ = 0;
  has_newest_ = false;
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
  TheMachine().SaveState(Snapshot);
  Ring.push(Snapshot);
}

bool RewindStep() {
  return Active && Ring.pop(Snapshot) && TheMachine().LoadState(Snapshot.data(), Snapshot.size());
}

void RewindStopped() {
  if (!Active) return;
  TheMachine().SaveState(Snapshot);
  Ring.push(Snapshot);
  FramesSinceSnapshot = 0;
}

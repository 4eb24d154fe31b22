// The whole machine as a string of bytes, and back: the processor, every
// memory, the bank controller and its clock, the register page, the timer,
// the serial port, VRAM DMA, the LCD counters, the renderer's state and the
// picture it has drawn, and the sound system down to the samples not yet
// handed off. Save states and rewinding are built on it.
//
// Each unit writes and reads its own part, beside its code, through a
// StateWriter and a StateReader. The parts follow each other in a fixed
// order, each opened by a four-letter mark; numbers are little-endian.
// What the machine can build again from the rest (the tile cache, the
// palette pixel tables, the bank windows) is not stored but rebuilt.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct Console;

// The layout of the bytes. Any change to what a unit writes needs a new
// number: states of another number are refused.
constexpr uint32_t MachineStateFormat = 5;

class StateWriter {
 public:
  explicit StateWriter(std::vector<uint8_t>& out) : out_(out) {}

  // Where each number goes in the bytes (its offset and size), for a check
  // that changes the numbers of a state one by one.
  struct Field {
    size_t at;
    int size;
  };

  void u8(unsigned value) {
    if (fields_) fields_->push_back(Field{out_.size(), 1});
    out_.push_back(static_cast<uint8_t>(value));
  }
  void u16(unsigned value) { number(value, 2); }
  void u32(uint32_t value) { number(value, 4); }
  void i32(int32_t value) { u32(static_cast<uint32_t>(value)); }
  void i64(int64_t value) { number(static_cast<uint64_t>(value), 8); }
  void flag(bool value) { u8(value ? 1 : 0); }
  void bytes(const void* data, size_t size);
  void u16s(const uint16_t* values, size_t count);
  // Opens a unit's part with its four-letter mark.
  void section(const char (&mark)[5]) { bytes(mark, 4); }

  void list_fields(std::vector<Field>* fields) { fields_ = fields; }

  // For the walks one function serves both ways: a unit's part is written
  // and read by the same list of its fields (`if constexpr
  // (State::Loading)` for what only a load does).
  static constexpr bool Loading = false;
  template <class T>
  void number(const T& value, int32_t, int32_t) {
    i32(static_cast<int32_t>(value));
  }
  void require(bool) {}
  bool ok() const { return true; }

 private:
  void number(uint64_t value, int size);
  std::vector<uint8_t>& out_;
  std::vector<Field>* fields_ = nullptr;
};

// Reads what a StateWriter wrote. A read past the end, a mark that is not
// where it should be or a value out of its range refuses the state: the
// reader then hands out zeros (or the range's low end) and ok() is false, so
// that a unit never builds a pointer or an index from a bad value.
class StateReader {
 public:
  StateReader(const uint8_t* data, size_t size) : at_(data), end_(data + size) {}

  uint8_t u8();
  uint16_t u16() { return static_cast<uint16_t>(number_of(2)); }
  uint32_t u32() { return static_cast<uint32_t>(number_of(4)); }
  int32_t i32() { return static_cast<int32_t>(u32()); }
  int64_t i64() { return static_cast<int64_t>(number_of(8)); }
  bool flag();  // one byte, 0 or 1
  // A 32-bit whole number that must lie in [low, high].
  int32_t number(int32_t low, int32_t high);
  void bytes(void* out, size_t size);
  void u16s(uint16_t* out, size_t count);
  void section(const char (&mark)[5]);

  // The same reads into the fields they fill, for the walks one function
  // serves both ways (see StateWriter).
  static constexpr bool Loading = true;
  template <class T>
  void u8(T& value) { value = static_cast<T>(u8()); }
  template <class T>
  void u16(T& value) { value = static_cast<T>(u16()); }
  template <class T>
  void u32(T& value) { value = static_cast<T>(u32()); }
  template <class T>
  void i32(T& value) { value = static_cast<T>(i32()); }
  template <class T>
  void i64(T& value) { value = static_cast<T>(i64()); }
  template <class T>
  void flag(T& value) { value = static_cast<T>(flag()); }
  template <class T>
  void number(T& value, int32_t low, int32_t high) { value = static_cast<T>(number(low, high)); }

  void refuse() { ok_ = false; }
  // Refuses the state unless a relation between its values holds.
  void require(bool holds) {
    if (!holds) ok_ = false;
  }
  bool ok() const { return ok_; }
  bool at_end() const { return at_ == end_; }

 private:
  bool take(size_t size);
  uint64_t number_of(int size);
  const uint8_t* at_;
  const uint8_t* end_;
  bool ok_ = true;
};

// Writes the machine as it stands into out (which is cleared first).
// Taking a state changes nothing the machine does (its units' lazily kept
// counters are settled first, SettleUnits). With fields, where each number
// went is listed there.
void SaveMachineState(Console& m, std::vector<uint8_t>& out, std::vector<StateWriter::Field>* fields = nullptr);

// Replaces the machine by the state in data, made for the cartridge that is
// loaded now. Every part is read and every value checked; a state that is
// short, too long or holds a value the machine cannot have is refused, and
// the machine is then put back exactly as it was (false). After a load the
// cartridge RAM counts as written, so that the battery save takes it.
bool LoadMachineState(Console& m, const uint8_t* data, size_t size);

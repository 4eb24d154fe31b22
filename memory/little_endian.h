// Numbers as little-endian bytes, the order of every file PELLIX writes
// (states, the clock's part of a save) and of the machine state's bytes.
#pragma once
#include <cstdint>

// The low `bytes` bytes of value, lowest first.
inline void PutLe(uint8_t* out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; i++) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline uint64_t GetLe(const uint8_t* in, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; i--) value = value << 8 | in[i];
  return value;
}

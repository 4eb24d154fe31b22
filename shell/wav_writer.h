// Writes 16-bit stereo PCM into a WAV file, the sizes in the header filled
// in when the file is closed.
#pragma once
#include <cstdint>
#include <cstdio>

class WavWriter {
 public:
  WavWriter() = default;
  ~WavWriter();
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // Creates the file with a header for the rate and channel count.
  // False when it cannot be created or written.
  bool open(const char* path, long rate, int channels);
  // Appends interleaved values. After a failure it writes nothing more.
  void write(const int16_t* values, long count);
  // Fills in the sizes and closes. False when any write, the header or the
  // close failed (or the file would have grown past what WAV can describe).
  bool close();
  bool is_open() const { return file_ != nullptr; }
  uint32_t data_bytes() const { return data_bytes_; }

 private:
  std::FILE* file_ = nullptr;
  uint32_t data_bytes_ = 0;
  bool failed_ = false;
};

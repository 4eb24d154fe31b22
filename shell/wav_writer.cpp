#include "shell/wav_writer.h"

#include <cstring>

namespace {

constexpr int HeaderBytes = 44;
constexpr long RiffSizeOffset = 4;
constexpr long DataSizeOffset = 40;
// The sizes are 32-bit: the data may not grow past this.
constexpr uint32_t MaxDataBytes = 0xFFFFFFFFu - (HeaderBytes - 8);

void Put16(uint8_t* p, unsigned v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

}  // namespace

WavWriter::~WavWriter() { close(); }

bool WavWriter::open(const char* path, long rate, int channels) {
  close();
  failed_ = false;
  data_bytes_ = 0;
  file_ = std::fopen(path, "wb");
  if (!file_) return false;

  uint8_t header[HeaderBytes];
  std::memcpy(header, "RIFF", 4);
  Put32(header + 4, HeaderBytes - 8);  // both sizes are filled in on close
  std::memcpy(header + 8, "WAVEfmt ", 8);
  Put32(header + 16, 16);  // size of the format chunk
  Put16(header + 20, 1);   // PCM
  Put16(header + 22, static_cast<unsigned>(channels));
  Put32(header + 24, static_cast<uint32_t>(rate));
  Put32(header + 28, static_cast<uint32_t>(rate * channels * 2));  // bytes per second
  Put16(header + 32, static_cast<unsigned>(channels * 2));          // bytes per frame
  Put16(header + 34, 16);                                            // bits per value
  std::memcpy(header + 36, "data", 4);
  Put32(header + 40, 0);
  if (std::fwrite(header, 1, HeaderBytes, file_) != HeaderBytes) {
    std::fclose(file_);
    file_ = nullptr;
    return false;
  }
  return true;
}

void WavWriter::write(const int16_t* values, long count) {
  if (!file_ || failed_ || count <= 0) return;
  const uint64_t bytes = static_cast<uint64_t>(count) * 2;
  if (data_bytes_ + bytes > MaxDataBytes) {
    failed_ = true;  // the file keeps what fits; close reports it
    return;
  }
  uint8_t chunk[4096];
  long done = 0;
  while (done < count) {
    long n = count - done;
    if (n > static_cast<long>(sizeof chunk / 2)) n = sizeof chunk / 2;
    for (long i = 0; i < n; i++) Put16(chunk + 2 * i, static_cast<uint16_t>(values[done + i]));
    if (std::fwrite(chunk, 2, static_cast<size_t>(n), file_) != static_cast<size_t>(n)) {
      failed_ = true;
      return;
    }
    data_bytes_ += static_cast<uint32_t>(n * 2);
    done += n;
  }
}

bool WavWriter::close() {
  if (!file_) return !failed_;
  // The sizes go in even after a failed write, so the file holds a valid
  // header for what it has.
  bool ok = !failed_;
  uint8_t size[4];
  Put32(size, data_bytes_ + HeaderBytes - 8);
  if (std::fseek(file_, RiffSizeOffset, SEEK_SET) != 0 || std::fwrite(size, 1, 4, file_) != 4) ok = false;
  Put32(size, data_bytes_);
  if (std::fseek(file_, DataSizeOffset, SEEK_SET) != 0 || std::fwrite(size, 1, 4, file_) != 4) ok = false;
  if (std::fclose(file_) != 0) ok = false;
  file_ = nullptr;
  failed_ = !ok;
  return ok;
}

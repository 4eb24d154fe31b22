#include "archive/inflate_stream.h"

#include <climits>
#include <cstdlib>
#include <cstring>

const char* const OutOfMemoryText = "Out of memory";
const char* const CorruptZipText = "Corrupt zip file";
const char* const ZipErrorText = "Zip error";

namespace {

constexpr int GzipSignatureMinimum = 18;  // header and trailer of the smallest gzip file
constexpr int RawDeflateWindowBits = -15;
constexpr int GzipWindowBits = 31;        // 15-bit window, gzip wrapper only

}  // namespace

const char* zlib_error_text(int code) {
  if (code == Z_MEM_ERROR) return OutOfMemoryText;
  if (code == Z_DATA_ERROR) return CorruptZipText;
  // zError indexes a table by the code, so only ask it about codes it knows.
  if (code < Z_VERSION_ERROR || code > Z_NEED_DICT) return ZipErrorText;
  const char* text = zError(code);
  return text && *text ? text : ZipErrorText;
}

// --- InflateStream ------------------------------------------------------------

InflateStream::InflateStream() { std::memset(&stream_, 0, sizeof stream_); }

InflateStream::~InflateStream() { end(); }

void InflateStream::end() {
  if (deflating_) {
    deflating_ = false;
    inflateEnd(&stream_);
  }
  std::free(buffer_);
  buffer_ = nullptr;
  buffer_size_ = 0;
  std::memset(&stream_, 0, sizeof stream_);
}

const char* InflateStream::fill(int32_t n) {
  if (!buffer_ || n < 0 || n > buffer_size_) return CorruptZipText;
  uint8_t* at = buffer_ + (buffer_size_ - n);
  int32_t got = n;
  if (n > 0) {
    if (const char* error = source_(user_, at, &got)) return error;
    if (got < 0 || got > n) return ReadErrorText;
  }
  stream_.next_in = at;
  stream_.avail_in = static_cast<uInt>(got);
  return nullptr;
}

const char* InflateStream::begin(InflateSource source, void* user, int32_t size, int32_t first) {
  source_ = source;
  user_ = user;
  end();
  if (size > 0) {
    buffer_ = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
    if (buffer_) {
      buffer_size_ = size;
      if (first <= 0) first = FetchAlignment;
      return fill(first < size ? first : size);
    }
  }
  buffer_ = static_cast<uint8_t*>(std::malloc(DefaultBufferSize));
  if (!buffer_) return OutOfMemoryText;
  buffer_size_ = DefaultBufferSize;
  return fill(FetchAlignment);
}

const char* InflateStream::set_mode(int mode, int32_t skip) {
  if (skip < 0 || static_cast<uInt>(skip) > stream_.avail_in) {
    stream_.next_in = nullptr;
    return CorruptZipText;
  }
  if (stream_.next_in) stream_.next_in += skip;
  stream_.avail_in -= static_cast<uInt>(skip);

  int bits = 0;
  switch (mode) {
    case Copy: return nullptr;
    case Automatic:
      if (stream_.avail_in < GzipSignatureMinimum || stream_.next_in[0] != 0x1F || stream_.next_in[1] != 0x8B)
        return nullptr;
      bits = GzipWindowBits;
      break;
    case Gzip: bits = GzipWindowBits; break;
    case RawDeflate: bits = RawDeflateWindowBits; break;
    default: stream_.next_in = nullptr; return ZipErrorText;
  }
  const int result = inflateInit2(&stream_, bits);
  if (result != Z_OK) {
    stream_.next_in = nullptr;
    return zlib_error_text(result);
  }
  deflating_ = true;
  return nullptr;
}

const char* InflateStream::read(void* destination, int32_t* count) {
  if (*count < 0) {
    *count = 0;
    return ReadErrorText;
  }
  if (!stream_.next_in) {
    *count = 0;
    return nullptr;
  }
  if (*count == 0) return nullptr;
  auto* out = static_cast<uint8_t*>(destination);
  return deflating_ ? read_inflated(out, count) : read_copied(out, count);
}

const char* InflateStream::read_inflated(uint8_t* destination, int32_t* count) {
  const int32_t n = *count;
  stream_.next_out = destination;
  stream_.avail_out = static_cast<uInt>(n);
  for (;;) {
    const bool had_input = stream_.avail_in > 0;
    const int result = inflate(&stream_, Z_NO_FLUSH);
    *count = n - static_cast<int32_t>(stream_.avail_out);
    if (result == Z_STREAM_END) {
      end();
      return nullptr;
    }
    if (result != Z_OK && !(result == Z_BUF_ERROR && !had_input)) return zlib_error_text(result);
    if (stream_.avail_out == 0) return nullptr;
    if (stream_.avail_in > 0) return CorruptZipText;
    if (const char* error = fill(buffer_size_)) return error;
    if (stream_.avail_in == 0) return CorruptZipText;  // the source ran dry inside the stream
  }
}

const char* InflateStream::read_copied(uint8_t* destination, int32_t* count) {
  int32_t remaining = *count;
  int32_t delivered = 0;
  for (;;) {
    const int32_t take = remaining < static_cast<int32_t>(stream_.avail_in) ? remaining
                                                                            : static_cast<int32_t>(stream_.avail_in);
    std::memcpy(destination + delivered, stream_.next_in, static_cast<size_t>(take));
    stream_.next_in += take;
    stream_.avail_in -= static_cast<uInt>(take);
    stream_.total_out += static_cast<uLong>(take);
    delivered += take;
    remaining -= take;

    // A fetch that came short means the source is exhausted.
    if (stream_.avail_in == 0 && stream_.next_in < buffer_ + buffer_size_) {
      end();
      break;
    }
    // Keep source reads on 4096-byte boundaries of the delivered total; a
    // request as large as the buffer goes straight into the caller's memory.
    const int32_t phase = static_cast<int32_t>(stream_.total_out % FetchAlignment);
    if (remaining > 0 && remaining >= buffer_size_ - phase) {
      int32_t got = remaining;
      if (const char* error = source_(user_, destination + delivered, &got)) {
        *count = delivered;
        return error;
      }
      if (got < 0 || got > remaining) {
        *count = delivered;
        return ReadErrorText;
      }
      stream_.total_out += static_cast<uLong>(got);
      delivered += got;
      if (got < remaining) end();
      break;
    }
    if (remaining == 0) break;
    if (const char* error = fill(buffer_size_ - phase)) {
      *count = delivered;
      return error;
    }
  }
  *count = delivered;
  return nullptr;
}

// --- GzipReader -----------------------------------------------------------------

GzipReader::~GzipReader() { close(); }

const char* GzipReader::source(void* user, void* destination, int32_t* count) {
  const int32_t got = static_cast<FileReader*>(user)->read_avail(destination, *count);
  if (got < 0) {
    *count = 0;
    return ReadErrorText;
  }
  *count = got;
  return nullptr;
}

const char* GzipReader::open(FileReader* file) {
  close();
  if (!file) return CouldNotOpenText;
  if (const char* error = stream_.begin(source, file, 0, 0)) {
    stream_.end();
    return error;
  }
  if (const char* error = stream_.set_mode(InflateStream::Automatic, 0)) {
    stream_.end();
    return error;
  }
  size_ = -1;
  file_ = file;
  return nullptr;
}

void GzipReader::close() {
  file_ = nullptr;
  delivered_ = 0;
  size_ = 0;
  stream_.end();
}

// The length of a gzip file's contents is the 32-bit field that ends it;
// for anything else it is the file's length.
const char* GzipReader::compute_size() {
  const int32_t length = file_->size();
  if (length < 0) return SeekErrorText;
  if (!stream_.deflating()) {
    size_ = length;
    return nullptr;
  }
  const int32_t here = file_->tell();
  if (here < 0) return SeekErrorText;
  uint8_t trailer[4];
  if (const char* error = file_->seek(length - 4)) return error;
  if (const char* error = file_->read(trailer, 4)) return error;
  if (const char* error = file_->seek(here)) return error;
  const uint32_t claimed = static_cast<uint32_t>(trailer[0]) | static_cast<uint32_t>(trailer[1]) << 8 |
                           static_cast<uint32_t>(trailer[2]) << 16 | static_cast<uint32_t>(trailer[3]) << 24;
  // A claim past 2 GiB stays a huge size rather than turning negative.
  size_ = claimed > INT32_MAX ? INT32_MAX : static_cast<int32_t>(claimed);
  return nullptr;
}

int32_t GzipReader::remain() {
  if (size_ < 0) {
    if (!file_) return 0;
    if (compute_size()) return -1;
  }
  return size_ - delivered_;
}

const char* GzipReader::read_some(void* buffer, int32_t* count) {
  const char* error = stream_.read(buffer, count);
  delivered_ += *count;
  if (error) return error;
  if (size_ >= 0 && delivered_ > size_) {
    delivered_ = size_;
    return CorruptZipText;
  }
  // Once the whole announced length has come, the compressed stream must end
  // there too (zlib then also checks the trailer's CRC-32 and length);
  // otherwise the trailer understates the contents and the image would be
  // silently cut short.
  if (size_ >= 0 && delivered_ == size_ && stream_.deflating()) {
    uint8_t probe;
    int32_t extra = 1;
    if (const char* tail_error = stream_.read(&probe, &extra)) return tail_error;
    if (extra != 0) return CorruptZipText;
  }
  return nullptr;
}

int32_t GzipReader::read_avail(void* buffer, int32_t n) {
  if (!file_ || n < 0) return -1;
  int32_t count = n;
  if (read_some(buffer, &count)) return -1;
  return count;
}

const char* GzipReader::read(void* buffer, int32_t n) {
  if (!file_ || n < 0) return UnexpectedEndText;
  int32_t count = n;
  if (const char* error = read_some(buffer, &count)) return error;
  return count == n ? nullptr : UnexpectedEndText;
}

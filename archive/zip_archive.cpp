#include "archive/zip_archive.h"

#include <zlib.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

const char* const UnsupportedCompressionText = "Unsupported zip file compression";
const char* const CutShortZipText = "Zip file cut short or damaged (no directory at its end)";

namespace {

constexpr int32_t EndRecordSize = 22;
constexpr int32_t CentralHeaderSize = 46;
constexpr int32_t LocalHeaderSize = 30;
constexpr int32_t TailLength = 8192;     // how far from the end the end record is looked for
constexpr int32_t LongestComment = 65535;  // the end record's comment, after which the file ends
constexpr int32_t Alignment = 4096;      // file reads start on these boundaries
constexpr int32_t EntryBufferSize = 16384;
constexpr int32_t EntryFirstFetch = 8192;
constexpr int32_t RestartFetch = 4096;
constexpr int MethodStored = 0;
constexpr int MethodDeflated = 8;
constexpr int HighestVersionNeeded = 20;

// Central header fields.
constexpr int VersionNeededAt = 6, MethodAt = 10, DosTimeAt = 12, CentralCrcAt = 16, CompressedSizeAt = 20,
              SizeAt = 24, NameLengthAt = 28, ExtraLengthAt = 30, CommentLengthAt = 32, LocalOffsetAt = 42;
// Local header fields.
constexpr int LocalCrcAt = 14, LocalNameLengthAt = 26, LocalExtraLengthAt = 28;
// End record field.
constexpr int DirectoryOffsetAt = 16;

uint32_t Le16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8; }

uint32_t Le32(const uint8_t* p) { return Le16(p) | Le16(p + 2) << 16; }

bool IsSignature(const uint8_t* p, uint8_t third, uint8_t fourth) {
  return p[0] == 'P' && p[1] == 'K' && p[2] == third && p[3] == fourth;
}

// A central header whose name end may already have overwritten its first
// byte: the "P" then sits where the (unread) made-by version was.
bool IsMarkedHeader(const uint8_t* p) { return p[0] == 0 && p[1] == 'K' && p[2] == 1 && p[3] == 2 && p[4] == 'P'; }

}  // namespace

ArchiveReader* ZipArchive::create() { return new (std::nothrow) ZipArchive; }

ZipArchive::~ZipArchive() { close(); }

void ZipArchive::file_opened(const char*, FileReader* opened) { opened->set_unbuffered(); }

const char* ZipArchive::resize_catalog(int32_t size) {
  if (size > catalog_capacity) {
    auto* grown = static_cast<uint8_t*>(std::realloc(catalog, static_cast<size_t>(size)));
    if (!grown) return OutOfMemoryText;
    catalog = grown;
    catalog_capacity = size;
  }
  catalog_size = size;
  return nullptr;
}

const char* ZipArchive::open_contents() {
  const int32_t n = file->size();
  if (n < 0) return ReadErrorText;
  archive_size = n;
  if (n < EndRecordSize) return missing_end_record();

  // The last 8 KiB or more, from a 4096-aligned offset.
  int32_t base = n - TailLength;
  if (base < 0) base = 0;
  base -= base % Alignment;
  const int32_t tail = n - base;
  if (const char* error = resize_catalog(tail)) return error;
  if (const char* error = file->seek(base)) return error;
  if (const char* error = file->read(catalog, tail)) return error;

  int32_t end_at = tail - EndRecordSize;
  while (end_at >= 0 && !IsSignature(catalog + end_at, 5, 6)) --end_at;
  if (end_at < 0) return missing_end_record();

  const uint32_t directory = Le32(catalog + end_at + DirectoryOffsetAt);
  if (static_cast<int64_t>(end_at) + base < directory) return CorruptZipText;
  const int32_t length = end_at + base - static_cast<int32_t>(directory) + EndRecordSize;
  directory_offset = static_cast<int32_t>(directory);

  if (directory_offset >= base) {
    // Already loaded with the tail.
    std::memmove(catalog, catalog + (directory_offset - base), static_cast<size_t>(length));
    if (const char* error = resize_catalog(length)) return error;
  } else {
    if (const char* error = resize_catalog(length)) return error;
    if (const char* error = file->seek(directory_offset)) return error;
    if (const char* error = file->read(catalog, length)) return error;
  }

  if (!IsSignature(catalog, 1, 2) && !IsSignature(catalog, 5, 6)) return CorruptZipText;
  catalog[4] = catalog[0];
  catalog[0] = 0;
  return rewind();
}

// Without an end record near its end, a file that starts as a ZIP archive
// does is one cut short (or damaged), unless the record is further back,
// behind a comment longer than the reader looks through.
const char* ZipArchive::missing_end_record() {
  uint8_t first[4] = {};
  if (file->seek(0) || file->read(first, sizeof first) || !IsSignature(first, 3, 4)) return FormatNotSupportedText;
  const int32_t span = archive_size < LongestComment + EndRecordSize ? archive_size : LongestComment + EndRecordSize;
  if (resize_catalog(span) || file->seek(archive_size - span) || file->read(catalog, span)) return CutShortZipText;
  for (int32_t at = span - EndRecordSize; at >= 0; --at)
    if (IsSignature(catalog + at, 5, 6)) return FormatNotSupportedText;
  return CutShortZipText;
}

const char* ZipArchive::rewind_contents() {
  header_offset = 0;
  return walk(false);
}

const char* ZipArchive::next() {
  clear_entry();
  return walk(true);
}

// Steps through the catalog from the current header to the first file
// entry (directories are passed over), skipping the current one if asked.
const char* ZipArchive::walk(bool skip_current) {
  bool skipping = skip_current;
  for (;;) {
    const int64_t at = header_offset;
    const int64_t records_end = static_cast<int64_t>(catalog_size) - EndRecordSize;
    if (at > records_end || !IsMarkedHeader(catalog + at)) {
      done = true;
      return nullptr;
    }
    if (at + CentralHeaderSize > records_end) return CorruptZipText;
    uint8_t* header = catalog + at;
    const uint32_t name_length = Le16(header + NameLengthAt);
    const int64_t next_at = at + CentralHeaderSize + name_length + Le16(header + ExtraLengthAt) +
                            Le16(header + CommentLengthAt);
    if (next_at > records_end) return CorruptZipText;

    // The next header's "P" moves aside before this name's end may cover it.
    if (catalog[next_at] == 'P') {
      catalog[next_at] = 0;
      catalog[next_at + 4] = 'P';
    }

    if (!skipping) {
      char* name = reinterpret_cast<char*>(header + CentralHeaderSize);
      name[name_length] = '\0';
      const uint32_t size = Le32(header + SizeAt);
      const bool directory =
          size == 0 && name_length > 0 && (name[name_length - 1] == '/' || name[name_length - 1] == '\\');
      if (!directory) {
        // An entry past 2 GiB stays huge rather than turning negative.
        const int32_t entry = size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size);
        clear_entry();
        set_entry(name, Le32(header + DosTimeAt), entry);
        to_read_ = entry;
        return nullptr;
      }
    }
    skipping = false;
    header_offset = static_cast<int32_t>(next_at);
  }
}

const char* ZipArchive::feed(void* user, void* destination, int32_t* count) {
  auto* zip = static_cast<ZipArchive*>(user);
  int64_t want = *count;
  if (want > zip->feed_left_) want = zip->feed_left_ > 0 ? zip->feed_left_ : 0;
  *count = 0;
  if (want <= 0) return nullptr;
  if (const char* error = zip->file->read(destination, static_cast<int32_t>(want))) return error;
  zip->feed_left_ -= want;
  *count = static_cast<int32_t>(want);
  return nullptr;
}

const char* ZipArchive::restart_stream(int32_t position, int32_t size, int32_t first) {
  if (const char* error = file->seek(position)) return error;
  feed_left_ = static_cast<int64_t>(archive_size) - position;
  return stream_.begin(feed, this, size, first);
}

// Finds the entry's data behind its local header and sets the stream up to
// deliver it. Every offset and length is checked against the part of the
// file that lies before the central directory.
const char* ZipArchive::start_entry(int32_t request) {
  const uint8_t* header = catalog + header_offset;
  method_ = static_cast<int>(Le16(header + MethodAt));
  if ((method_ != MethodStored && method_ != MethodDeflated) ||
      Le16(header + VersionNeededAt) > HighestVersionNeeded)
    return UnsupportedCompressionText;

  const uint32_t compressed = Le32(header + CompressedSizeAt);
  const uint32_t local = Le32(header + LocalOffsetAt);
  const int64_t directory = directory_offset;
  if (static_cast<int64_t>(local) + LocalHeaderSize > directory || compressed > directory) return CorruptZipText;
  // A stored entry is its own data: both sizes must agree.
  if (method_ == MethodStored && compressed != Le32(header + SizeAt)) return CorruptZipText;
  const int32_t phase = static_cast<int32_t>(local % Alignment);

  int32_t buffer_size = EntryBufferSize, first = EntryFirstFetch;
  if (method_ == MethodDeflated && request >= entry_size) {
    // One read for the whole entry: header, data and the slack of alignment.
    const int64_t whole = (static_cast<int64_t>(compressed) + 3 * Alignment - 1) / Alignment * Alignment;
    if (whole <= INT32_MAX) buffer_size = first = static_cast<int32_t>(whole);
  }
  if (const char* error = restart_stream(static_cast<int32_t>(local) - phase, buffer_size, first)) return error;

  if (stream_.buffered() < phase + LocalHeaderSize) return CorruptZipText;
  const uint8_t* local_header = stream_.buffered_data() + phase;
  if (!IsSignature(local_header, 3, 4)) return CorruptZipText;

  expected_crc_ = Le32(local_header + LocalCrcAt);
  if (expected_crc_ == 0) expected_crc_ = Le32(header + CentralCrcAt);
  crc_ = static_cast<uint32_t>(crc32(0L, Z_NULL, 0));

  const int64_t data_at = static_cast<int64_t>(local) + LocalHeaderSize + Le16(local_header + LocalNameLengthAt) +
                          Le16(local_header + LocalExtraLengthAt);
  if (data_at + compressed > directory) return CorruptZipText;

  int64_t start = phase + (data_at - local);
  if (start > stream_.buffered()) {
    const int32_t aligned = static_cast<int32_t>(data_at - data_at % Alignment);
    if (const char* error = restart_stream(aligned, EntryBufferSize, RestartFetch)) return error;
    start = data_at % Alignment;
    if (start > stream_.buffered()) return CorruptZipText;
  }
  feed_left_ = start + compressed - stream_.buffered();
  return stream_.set_mode(method_ == MethodDeflated ? InflateStream::RawDeflate : InflateStream::Copy,
                          static_cast<int32_t>(start));
}

const char* ZipArchive::read(void* buffer, int32_t n) {
  if (n < 0) return ReadErrorText;
  if (n == 0) return nullptr;
  if (done || n > to_read_) return UnexpectedEndText;
  if (to_read_ == entry_size) {
    if (const char* error = start_entry(n)) {
      stream_.end();
      return error;
    }
  }
  int32_t count = n;
  if (const char* error = stream_.read(buffer, &count)) return error;
  if (count < n) return CorruptZipText;
  crc_ = static_cast<uint32_t>(crc32(crc_, static_cast<const Bytef*>(buffer), static_cast<uInt>(n)));
  to_read_ -= n;
  if (to_read_ == 0 && crc_ != expected_crc_) return CorruptZipText;
  return nullptr;
}

int32_t ZipArchive::read_avail(void* buffer, int32_t n) {
  if (n < 0) return -1;
  const int32_t take = n < to_read_ ? n : to_read_;
  return read(buffer, take) ? -1 : take;
}

int32_t ZipArchive::remain() { return to_read_; }

void ZipArchive::close_hook() {
  stream_.end();
  std::free(catalog);
  catalog = nullptr;
  catalog_size = catalog_capacity = 0;
  archive_size = directory_offset = header_offset = 0;
}

void ZipArchive::clear_entry_hook() {
  stream_.end();
  feed_left_ = 0;
  to_read_ = 0;
  crc_ = expected_crc_ = 0;
  method_ = 0;
}

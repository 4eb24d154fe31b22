// Building ZIP and gzip files byte by byte for the archive tests, with the
// offsets of every record kept so a test can damage exactly one field.
#pragma once
#include <zlib.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace archive_files {

inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}
inline void Append16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Append32(std::vector<uint8_t>& b, uint32_t v) {
  Append16(b, v & 0xFFFF);
  Append16(b, v >> 16);
}
inline void AppendText(std::vector<uint8_t>& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }

// Bytes that compress somewhat but not to nothing.
inline std::vector<uint8_t> SampleBytes(size_t n, unsigned seed = 1) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>((random() % 7) * 31 + (i / 97) % 5);
  return bytes;
}

inline uint32_t Crc(const std::vector<uint8_t>& data) {
  return static_cast<uint32_t>(crc32(crc32(0L, Z_NULL, 0), data.data(), static_cast<uInt>(data.size())));
}

// window_bits -15 gives raw deflate, 31 a gzip file.
inline std::vector<uint8_t> Deflate(const std::vector<uint8_t>& data, int window_bits) {
  z_stream s{};
  deflateInit2(&s, 9, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY);
  std::vector<uint8_t> out(deflateBound(&s, static_cast<uLong>(data.size())) + 64);
  s.next_in = const_cast<Bytef*>(data.data());
  s.avail_in = static_cast<uInt>(data.size());
  s.next_out = out.data();
  s.avail_out = static_cast<uInt>(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}
inline std::vector<uint8_t> RawDeflate(const std::vector<uint8_t>& data) { return Deflate(data, -15); }
inline std::vector<uint8_t> Gzip(const std::vector<uint8_t>& data) { return Deflate(data, 31); }

struct Member {
  Member(std::string member_name, std::vector<uint8_t> member_data, int member_method = 8)
      : name(std::move(member_name)), data(std::move(member_data)), method(member_method) {}
  std::string name;
  std::vector<uint8_t> data;
  int method = 8;                    // 0 stored, 8 deflated
  std::vector<uint8_t> local_extra;  // extra field of the local header only
  bool crc_only_in_directory = false;  // local CRC 0, as streaming writers leave it
};

struct Zip {
  std::vector<uint8_t> bytes;
  std::vector<size_t> local;    // file offset of each local header
  std::vector<size_t> central;  // file offset of each central header
  size_t end_record = 0;        // file offset of the end record
  size_t directory = 0;         // file offset of the central directory
};

// Central header field offsets, for tests that damage one.
constexpr size_t VersionNeeded = 6, Method = 10, CentralCrc = 16, CompressedSize = 20, Size = 24, NameLength = 28,
                 ExtraLength = 30, CommentLength = 32, LocalOffset = 42;
// Local header field offsets.
constexpr size_t LocalCrc = 14, LocalNameLength = 26, LocalExtraLength = 28;
constexpr size_t DirectoryOffset = 16;  // in the end record

inline Zip MakeZip(const std::vector<Member>& members, const std::string& comment = "", size_t lead = 0) {
  Zip zip;
  zip.bytes.assign(lead, 0xAA);  // data before the first member, as self-extractors have
  std::vector<std::vector<uint8_t>> stored(members.size());
  for (size_t i = 0; i < members.size(); ++i) {
    const Member& m = members[i];
    stored[i] = m.method == 8 ? RawDeflate(m.data) : m.data;
    auto& b = zip.bytes;
    zip.local.push_back(b.size());
    AppendText(b, "PK\x03\x04");
    Append16(b, m.method == 8 ? 20 : 10);
    Append16(b, 0);
    Append16(b, static_cast<uint32_t>(m.method));
    Append32(b, 0x5A2B1C00);  // some DOS time and date
    Append32(b, m.crc_only_in_directory ? 0 : Crc(m.data));
    Append32(b, static_cast<uint32_t>(stored[i].size()));
    Append32(b, static_cast<uint32_t>(m.data.size()));
    Append16(b, static_cast<uint32_t>(m.name.size()));
    Append16(b, static_cast<uint32_t>(m.local_extra.size()));
    AppendText(b, m.name);
    b.insert(b.end(), m.local_extra.begin(), m.local_extra.end());
    b.insert(b.end(), stored[i].begin(), stored[i].end());
  }
  zip.directory = zip.bytes.size();
  for (size_t i = 0; i < members.size(); ++i) {
    const Member& m = members[i];
    auto& b = zip.bytes;
    zip.central.push_back(b.size());
    AppendText(b, "PK\x01\x02");
    Append16(b, 0x031E);  // made by: Unix, 3.0
    Append16(b, m.method == 8 ? 20 : 10);
    Append16(b, 0);
    Append16(b, static_cast<uint32_t>(m.method));
    Append32(b, 0x5A2B1C00);
    Append32(b, Crc(m.data));
    Append32(b, static_cast<uint32_t>(stored[i].size()));
    Append32(b, static_cast<uint32_t>(m.data.size()));
    Append16(b, static_cast<uint32_t>(m.name.size()));
    Append16(b, 0);  // extra
    Append16(b, 0);  // comment
    Append16(b, 0);  // disk
    Append16(b, 0);  // internal attributes
    Append32(b, 0);  // external attributes
    Append32(b, static_cast<uint32_t>(zip.local[i]));
    AppendText(b, m.name);
  }
  auto& b = zip.bytes;
  zip.end_record = b.size();
  AppendText(b, "PK\x05\x06");
  Append16(b, 0);
  Append16(b, 0);
  Append16(b, static_cast<uint32_t>(members.size()));
  Append16(b, static_cast<uint32_t>(members.size()));
  Append32(b, static_cast<uint32_t>(zip.end_record - zip.directory));
  Append32(b, static_cast<uint32_t>(zip.directory));
  Append16(b, static_cast<uint32_t>(comment.size()));
  AppendText(b, comment);
  return zip;
}

}  // namespace archive_files

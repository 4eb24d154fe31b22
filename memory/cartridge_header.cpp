#include "memory/cartridge_header.h"

#include <cstdio>
#include <cstring>

const uint8_t HeaderLogo[LogoSize] = {
    0xCE, 0xED, 0x66, 0x66, 0xCC, 0x0D, 0x00, 0x0B, 0x03, 0x73, 0x00, 0x83, 0x00, 0x0C, 0x00, 0x0D,
    0x00, 0x08, 0x11, 0x1F, 0x88, 0x89, 0x00, 0x0E, 0xDC, 0xCC, 0x6E, 0xE6, 0xDD, 0xDD, 0xD9, 0x99,
    0xBB, 0xBB, 0x67, 0x63, 0x6E, 0x0E, 0xEC, 0xCC, 0xDD, 0xDC, 0x99, 0x9F, 0xBB, 0xB9, 0x33, 0x3E,
};

namespace {

constexpr long TitleAt = 0x134, TitleSize = 16;
constexpr long ColourFlagAt = 0x143;
constexpr uint8_t ColourFlag = 0x80;
constexpr long ChecksumFrom = 0x134;
constexpr long RomBankBytes = 0x4000;

}  // namespace

uint8_t HeaderChecksum(const uint8_t* image) {
  uint8_t sum = 0;
  for (long at = ChecksumFrom; at < HeaderChecksumAt; at++) sum = static_cast<uint8_t>(sum - image[at] - 1);
  return sum;
}

HeaderCheck CheckHeader(const uint8_t* image, long size) {
  HeaderCheck check;
  if (!image || size < HeaderEnd) return check;
  check.logo = std::memcmp(image + LogoAt, HeaderLogo, LogoSize) == 0;
  check.stored = image[HeaderChecksumAt];
  check.computed = HeaderChecksum(image);
  check.checksum = check.stored == check.computed;
  return check;
}

std::string HeaderTitle(const uint8_t* image, long size) {
  std::string title;
  if (!image) return title;
  long end = TitleAt + TitleSize;
  if (size > ColourFlagAt && (image[ColourFlagAt] & ColourFlag)) end = ColourFlagAt;
  if (end > size) end = size;
  for (long at = TitleAt; at < end && image[at] >= ' ' && image[at] < 0x7F; at++)
    title += static_cast<char>(image[at]);
  while (!title.empty() && title.back() == ' ') title.pop_back();
  return title;
}

std::string ControllerName(uint8_t type) {
  switch (type) {
    case 0x00: return "ROM only";
    case 0x01: return "MBC1";
    case 0x02: return "MBC1 + RAM";
    case 0x03: return "MBC1 + RAM + battery";
    case 0x05: return "MBC2";
    case 0x06: return "MBC2 + battery";
    case 0x08: return "ROM + RAM";
    case 0x09: return "ROM + RAM + battery";
    case 0x0B: return "MMM01";
    case 0x0C: return "MMM01 + RAM";
    case 0x0D: return "MMM01 + RAM + battery";
    case 0x0F: return "MBC3 + clock + battery";
    case 0x10: return "MBC3 + clock + RAM + battery";
    case 0x11: return "MBC3";
    case 0x12: return "MBC3 + RAM";
    case 0x13: return "MBC3 + RAM + battery";
    case 0x19: return "MBC5";
    case 0x1A: return "MBC5 + RAM";
    case 0x1B: return "MBC5 + RAM + battery";
    case 0x1C: return "MBC5 + rumble";
    case 0x1D: return "MBC5 + rumble + RAM";
    case 0x1E: return "MBC5 + rumble + RAM + battery";
    case 0x20: return "MBC6";
    case 0x22: return "MBC7 + sensor + rumble + RAM + battery";
    case 0xFC: return "Pocket Camera";
    case 0xFD: return "TAMA5";
    case 0xFE: return "HuC3";
    case 0xFF: return "HuC1 + RAM + battery";
    default: {
      char text[16];
      std::snprintf(text, sizeof text, "type 0x%02X", type);
      return text;
    }
  }
}

// Codes 0-8 are 2 << code banks; 0x52-0x54 are 72, 80 and 96 banks.
long HeaderRomBytes(uint8_t size_code) {
  if (size_code <= 8) return (2L << size_code) * RomBankBytes;
  switch (size_code) {
    case 0x52: return 72 * RomBankBytes;
    case 0x53: return 80 * RomBankBytes;
    case 0x54: return 96 * RomBankBytes;
    default: return 0;
  }
}

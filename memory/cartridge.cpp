#include "memory/cartridge.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archive/archive.h"
#include "memory/bank_controllers.h"
#include "memory/bus.h"
#include "machine/console.h"

Cartridge::~Cartridge() { std::free(rom); }

const char* const NotACartridgeText = "not a Game Boy cartridge (no valid header)";

namespace {

constexpr long MinimumImageSize = 0x8000;  // two banks: both windows always have data

const char* const TooLarge = "Cartridge image too large";
const char* const NoImage = "No cartridge image in archive";
const char* const OutOfMemory = "Out of memory";
const char* const EmptyImage = "Empty cartridge image";
const char* const NoCartridgeInArchive = "not a Game Boy cartridge (no member of the archive has a valid header)";

uint8_t HeaderByte(const uint8_t* image, long size, long offset) {
  return offset < size ? image[offset] : 0xFF;
}

// The bank mask the ROM size code announces. Codes above 8 are not plain
// powers of two (0x52-0x54 mean 72, 80 and 96 banks) or are nonsense; for
// them the mask is the smallest 2^k - 1 whose banks cover the file.
int BankMaskFor(uint8_t size_code, long image_size) {
  if (size_code <= 8) return (2 << size_code) - 1;
  int mask = 1;
  while ((mask + 1) * RomBankSize < image_size) mask = mask * 2 + 1;
  return mask;
}

// The controller number for the types PELLIX supports, or -1.
int MapperFor(uint8_t type) {
  switch (type) {
    case 0x00: case 0x08: case 0x09: return 0;
    case 0x01: case 0x02: case 0x03: return 1;
    case 0x05: case 0x06: return 2;
    case 0x0F: case 0x10: case 0x11: case 0x12: case 0x13: return 3;
    case 0x19: case 0x1A: case 0x1B: case 0x1C: case 0x1D: case 0x1E: return 5;
    default: return -1;
  }
}

bool HasBattery(uint8_t type) {
  switch (type) {
    case 0x03: case 0x06: case 0x09: case 0x0D: case 0x0F: case 0x10: case 0x13:
    case 0x1B: case 0x1E: case 0x22: case 0xFF:
      return true;
    default:
      return false;
  }
}

// Bytes of RAM the size code announces; unknown codes mean none.
long RamBytesFor(uint8_t size_code) {
  switch (size_code) {
    case 1: return 0x800;
    case 2: return 0x2000;
    case 3: return 0x8000;
    case 4: return 0x20000;
    case 5: return 0x10000;
    default: return 0;
  }
}

// An image is at most MaxCartridgeSize bytes: one call of zlib's CRC-32,
// whose lengths are 32 bits, covers it.
static_assert(MaxCartridgeSize <= 0xFFFFFFFFL, "one crc32 call per image");
uint32_t ImageCrc(const uint8_t* image, long size) {
  const uLong start = crc32(0L, Z_NULL, 0);
  return static_cast<uint32_t>(crc32(start, image, static_cast<uInt>(size)));
}

// Takes ownership of a malloc'd image of size bytes: pads it with 0xFF to
// whole banks, so every bank the header's mask can select lies inside the
// buffer, then reads the header.
int AdoptImage(Console& m, uint8_t* image, long size, const char** error) {
  const uint8_t type = HeaderByte(image, size, 0x147);
  const uint8_t rom_size = HeaderByte(image, size, 0x148);
  const uint8_t ram_size = HeaderByte(image, size, 0x149);
  const int mask = BankMaskFor(rom_size, size);

  long padded = (mask + 1) * RomBankSize;
  if (padded < MinimumImageSize) padded = MinimumImageSize;
  if (padded < size) padded = size;
  if (padded > size) {
    auto* grown = static_cast<uint8_t*>(std::realloc(image, static_cast<size_t>(padded)));
    if (!grown) {
      std::free(image);
      if (error) *error = OutOfMemory;
      return 1;
    }
    image = grown;
    std::memset(image + size, 0xFF, static_cast<size_t>(padded - size));
  }

  std::free(m.cart.rom);
  m.cart.rom = image;
  m.cart.rom_size = padded;
  m.cart.crc = ImageCrc(image, padded);
  m.mem.rom_bank0 = m.cart.rom;
  m.mem.rom_bank = m.cart.rom + RomBankSize;

  m.cart.type = type;
  m.cart.rom_size_code = rom_size;
  m.cart.ram_size_code = ram_size;
  m.cart.max_bank = mask;
  const int mapper = MapperFor(type);
  m.cart.supported = mapper >= 0;
  m.cart.mapper = static_cast<uint8_t>(m.cart.supported ? mapper : 0);
  m.cart.has_battery = HasBattery(type);
  m.cart.has_clock = type == 0x0F || type == 0x10;
  m.cart.has_rumble = type >= 0x1C && type <= 0x1E;
  m.cart.ram_bytes = RamBytesFor(ram_size);
  if (m.cart.mapper == 2) {  // MBC2 has its 512 half-bytes built in, whatever the header says
    m.cart.ram_size_code = 1;
    m.cart.ram_bytes = Mbc2RamBytes;
  }
  CartridgeInserted(m);
  return 0;
}

}  // namespace

int InstallCartridgeImage(Console& m, const uint8_t* data, long size, const char** error) {
  if (size > MaxCartridgeSize) {
    if (error) *error = TooLarge;
    return 1;
  }
  auto* image = static_cast<uint8_t*>(std::malloc(size > 0 ? static_cast<size_t>(size) : 1));
  if (!image) {
    if (error) *error = OutOfMemory;
    return 1;
  }
  if (size > 0) std::memcpy(image, data, static_cast<size_t>(size));
  return AdoptImage(m, image, size, error);
}

namespace {

// The header of the member the reader stands on: it is read from the
// member's start, up to HeaderEnd bytes. Null, or an error text.
const char* ReadHeader(ArchiveReader* reader, HeaderCheck& check) {
  uint8_t header[HeaderEnd];
  const long size = entry_size(reader);
  const long length = size < HeaderEnd ? size : HeaderEnd;
  if (length > 0) {
    if (const char* failure = read_entry(reader, header, length)) return failure;
  }
  check = CheckHeader(header, length);
  return nullptr;
}

// Stands the reader on the first member that is a cartridge and counts
// them all. A plain or gzip file has one member.
const char* FindCartridge(ArchiveReader* reader, CartridgeLoad& load) {
  int first = -1, index = 0;
  const long first_size = entry_size(reader);
  for (; entry_present(reader); index++) {
    HeaderCheck check;
    if (const char* failure = ReadHeader(reader, check)) return failure;
    if (check.cartridge()) {
      if (first < 0) first = index;
      load.cartridges++;
    }
    if (const char* failure = next_entry(reader)) return failure;
  }
  if (first < 0) {
    if (index > 1) return NoCartridgeInArchive;
    return first_size == 0 ? EmptyImage : NotACartridgeText;  // nothing to run: every byte would read 0xFF
  }
  if (const char* failure = rewind_archive(reader)) return failure;
  for (int i = 0; i < first; i++)
    if (const char* failure = next_entry(reader)) return failure;
  return nullptr;
}

// Takes the image from the first cartridge the reader holds (or the reason
// it was not opened) and closes the reader.
int LoadFrom(Console& m, ArchiveReader* reader, const char* failure, const char** error, CartridgeLoad* report) {
  if (!reader) {
    if (error) *error = failure ? failure : "Couldn't open file";
    return 1;
  }

  CartridgeLoad load;
  uint8_t* image = nullptr;
  long size = 0;
  failure = entry_present(reader) ? FindCartridge(reader, load) : NoImage;
  if (!failure) {
    size = entry_size(reader);
    load.entry = entry_name(reader);
    if (size < 0) failure = "Read error";
    else if (size > MaxCartridgeSize) failure = TooLarge;
    else if (!(image = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size))))) failure = OutOfMemory;
    else failure = read_entry(reader, image, size);
  }
  close_archive(reader);

  if (failure) {
    std::free(image);
    if (error) *error = failure;
    return 1;
  }
  load.header = CheckHeader(image, size);
  load.size = size;
  load.announced = HeaderRomBytes(HeaderByte(image, size, 0x148));
  if (report) *report = load;
  return AdoptImage(m, image, size, error);
}

}  // namespace

int LoadCartridgeFromMemory(Console& m, const char* name, const uint8_t* data, long size, const char** error,
                            CartridgeLoad* report) {
  if (size <= 0) {
    if (error) *error = EmptyImage;
    return 1;
  }
  const char* failure = nullptr;
  ArchiveReader* reader = open_archive_memory(name, data, size, &failure);
  return LoadFrom(m, reader, failure, error, report);
}

std::string CartridgeTitle(Console& m) { return HeaderTitle(m.cart.rom, m.cart.rom_size); }

namespace {

// A size as a player reads it: whole KiB, else bytes.
std::string SizeText(long bytes) {
  return bytes % 1024 == 0 ? std::to_string(bytes / 1024) + " KiB" : std::to_string(bytes) + " bytes";
}

}  // namespace

std::vector<std::string> CartridgeLoad::notes() const {
  std::vector<std::string> lines;
  if (cartridges > 1) lines.push_back(std::to_string(cartridges) + " cartridges in the archive; running " + entry);
  const std::string anyway = ": the console would refuse the cartridge; running it anyway";
  if (!header.logo) {
    lines.push_back("the header has no logo" + anyway);
  } else if (!header.checksum) {
    char text[64];
    std::snprintf(text, sizeof text, "the header checksum is 0x%02X, not 0x%02X", header.stored, header.computed);
    lines.push_back(text + anyway);
  }
  if (missing())
    lines.push_back(SizeText(missing()) + " of the " + SizeText(announced) +
                    " the header announces are missing (they read as 0xFF)");
  return lines;
}

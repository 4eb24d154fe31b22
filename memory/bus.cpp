#include "memory/bus.h"

#include <cstring>

#include "memory/bank_controllers.h"
#include "memory/cartridge.h"
#include "memory/machine_state.h"
#include "video/lcd_timing.h"
#include "video/renderer.h"

uint8_t* RomImage = nullptr;
long RomImageSize = 0;
uint8_t VideoRam[VideoRamSize];
uint8_t CartRam[CartRamSize];
uint8_t WorkRam[WorkRamSize];
uint8_t Oam[OamSize];
unsigned OamChanges = 0;
uint8_t HighRam[HighRamSize];

uint8_t* RomBank0Ptr = nullptr;
uint8_t* RomBankPtr = nullptr;
uint8_t* VramBankPtr = VideoRam;
uint8_t* CartRamBankPtr = CartRam;
uint8_t* WramBank0Ptr = WorkRam;
uint8_t* WramBankPtr = WorkRam + 0x1000;

uint16_t LastVramWrite = 0;

void ResetMemories() {
  std::memset(VideoRam, 0, sizeof VideoRam);
  std::memset(WorkRam, 0, sizeof WorkRam);
  std::memset(Oam, 0, sizeof Oam);
  OamChanges++;
  std::memset(HighRam, 0, sizeof HighRam);
  LastVramWrite = 0;
  RomBank0Ptr = RomImage;
  RomBankPtr = RomImage + RomBankSize;
  VramBankPtr = VideoRam;
  WramBank0Ptr = WorkRam;
  WramBankPtr = WorkRam + 0x1000;
}

namespace {

// Which bank of the image a ROM window shows; in a state the bank number
// stands for the pointer.
long RomBankOf(const uint8_t* window) { return (window - RomImage) / RomBankSize; }

uint8_t* LoadRomWindow(StateReader& in) {
  const long banks = RomImageSize / RomBankSize;
  return RomImage + in.number(0, static_cast<int32_t>(banks - 1)) * RomBankSize;
}

}  // namespace

void SaveMemoryState(StateWriter& out) {
  out.section("MEM ");
  out.bytes(VideoRam, sizeof VideoRam);
  out.bytes(WorkRam, sizeof WorkRam);
  out.bytes(Oam, sizeof Oam);
  out.bytes(HighRam, sizeof HighRam);
  out.u32(static_cast<uint32_t>(CartRamBytes));
  out.bytes(CartRam, static_cast<size_t>(CartRamBytes));
  out.u16(LastVramWrite);
  out.i32(static_cast<int32_t>(RomBankOf(RomBank0Ptr)));
  out.i32(static_cast<int32_t>(RomBankOf(RomBankPtr)));
}

// The cartridge RAM must have the size this cartridge's RAM has. Its
// mirrored copies are made again from it.
void LoadMemoryState(StateReader& in) {
  in.section("MEM ");
  in.bytes(VideoRam, sizeof VideoRam);
  in.bytes(WorkRam, sizeof WorkRam);
  in.bytes(Oam, sizeof Oam);
  OamChanges++;
  in.bytes(HighRam, sizeof HighRam);
  if (in.u32() != static_cast<uint32_t>(CartRamBytes)) in.refuse();
  in.bytes(CartRam, in.ok() ? static_cast<size_t>(CartRamBytes) : 0);
  CartRamFilled();
  LastVramWrite = in.u16();
  RomBank0Ptr = LoadRomWindow(in);
  RomBankPtr = LoadRomWindow(in);
}

// A processor write into 0x8000-0x9FFF: store it in the selected bank and
// mark the renderer's decoded copy of its 16-byte block stale. The map areas
// count as tiles 384-511 (896-1023 in bank 1) like any other block. Games
// often write what is there already (a whole map row for one new tile):
// such a write changes nothing the renderer has drawn.
void VideoRamWrite(int address, uint8_t value) {
  LastVramWrite = static_cast<uint16_t>(address);
  uint8_t& byte = VramBankPtr[address - 0x8000];
  if (byte == value) return;
  LcdSync();  // the lines due before the write are drawn from the old byte
  byte = value;
  MarkTileDirty(((address - 0x8000) >> 4) + (VBK ? 512 : 0));
}

void BusWrite(int address, int value) {
  address &= 0xFFFF;
  const uint8_t v = static_cast<uint8_t>(value);
  switch (address >> 12) {
    case 0x0: case 0x1: case 0x2: case 0x3:
    case 0x4: case 0x5: case 0x6: case 0x7:
      MbcWrite(address, v);  // the ROM itself never changes
      return;
    case 0x8: case 0x9:
      VideoRamWrite(address, v);
      return;
    case 0xA: case 0xB:
      CartRamWrite(address, v);  // the controller knows where it goes, if anywhere
      return;
    case 0xC:
      WramBank0Ptr[address - 0xC000] = v;
      return;
    case 0xD:
      WramBankPtr[address - 0xD000] = v;
      return;
    case 0xE:
      WramBank0Ptr[address - 0xE000] = v;
      return;
    default:
      if (address < 0xFE00) WramBankPtr[address - 0xF000] = v;
      else if (address < 0xFEA0) {
        LcdSync();
        Oam[address - 0xFE00] = v;
        OamChanges++;
      }
      else if (address < 0xFF00) return;  // unusable area
      else if (address < 0xFF80 || address == 0xFFFF) IoWrite(address, v);
      else HighRam[address - 0xFF80] = v;
      return;
  }
}

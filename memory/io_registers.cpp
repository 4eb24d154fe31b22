#include "memory/io_registers.h"

#include "memory/bus.h"
#include "memory/machine.h"
#include "memory/machine_clock.h"
#include "memory/machine_state.h"
#include "memory/oam_dma.h"
#include "memory/serial.h"
#include "memory/timer.h"
#include "memory/vram_dma.h"
#include "sound/sound_system.h"
#include "video/lcd_timing.h"
#include "video/renderer.h"

uint8_t TIMA = 0, TMA = 0, TAC = 0;
uint8_t IF = 0, IE = 0;
uint8_t LCDC = 0, STAT = 0, SCY = 0, SCX = 0, LY = 0, LYC = 0;
uint8_t BGP = 0, OBP0 = 0, OBP1 = 0, WY = 0, WX = 0;
uint8_t KEY1 = 0, VBK = 0, SVBK = 0;
uint8_t OPRI = 0;
uint8_t Undocumented[4] = {};

int JoypadSelect = 0;
int DoubleSpeed = 0;
uint8_t JoypadHeld = 0;
uint8_t JoypadNextFrame = 0;

void ResetIoRegisters() {
  TIMA = TMA = TAC = 0;
  IF = IE = 0;
  LCDC = 0;  // the start-up then switches the LCD on through the register
  STAT = SCY = SCX = LY = LYC = 0;
  BGP = OBP0 = OBP1 = WY = WX = 0;
  KEY1 = VBK = SVBK = 0;
  OPRI = 0;
  for (uint8_t& byte : Undocumented) byte = 0;
  JoypadSelect = 0;
  DoubleSpeed = 0;
}

namespace {

uint8_t* const IoBytes[] = {&TIMA, &TMA, &TAC, &IF, &IE, &LCDC, &STAT, &SCY, &SCX, &LY, &LYC, &BGP, &OBP0,
                            &OBP1, &WY, &WX, &KEY1, &OPRI, &Undocumented[0], &Undocumented[1],
                            &Undocumented[2], &Undocumented[3]};
constexpr uint8_t OpriUnused = 0xFE;        // read as 1s
constexpr uint8_t Key1Unused = 0x7E;        // read as 1s
constexpr uint8_t Undocumented75Bits = 0x70;
constexpr uint8_t Undocumented75Unused = 0x8F;
// The order in which a state holds the buttons.
constexpr uint8_t StateButtonOrder[] = {ButtonUp, ButtonDown, ButtonLeft,  ButtonRight,
                                        ButtonA,  ButtonB,    ButtonStart, ButtonSelect};
constexpr int WorkRamBankSize = 0x1000;
constexpr int VideoRamBankSize = 0x2000;

// The selected half of the buttons, 0 meaning pressed; the top bits read 1.
uint8_t JoypadByte() {
  const int held = JoypadSelect == 0 ? JoypadHeld & 0x0F : JoypadHeld >> 4;
  return static_cast<uint8_t>(0xFF & ~held);
}

// A register that changes the picture: written while a line is drawn, the
// pixels before the write keep the old value.
void WritingPicture(uint8_t old, uint8_t value, PictureWrite kind) {
  if (old != value) PictureRegisterWriting(kind);
}

}  // namespace

bool JoypadLineLow() { return (JoypadByte() & 0x0F) != 0x0F; }

void SaveIoState(StateWriter& out) {
  out.section("IO  ");
  for (const uint8_t* r : IoBytes) out.u8(*r);
  out.u8(VBK);
  out.u8(SVBK);
  out.i32(JoypadSelect);
  out.i32(DoubleSpeed);
  for (uint8_t button : StateButtonOrder) out.flag(JoypadHeld & button);
}

void LoadIoState(StateReader& in) {
  in.section("IO  ");
  for (uint8_t* r : IoBytes) *r = in.u8();
  VBK = in.u8();
  SVBK = in.u8();
  JoypadSelect = in.number(0, 1);
  DoubleSpeed = in.number(0, 1);
  // Only the bits the registers keep, and the speed the processor's clock
  // runs at.
  in.require(VBK <= 1 && SVBK <= 7 && KEY1 <= 1 && OPRI <= 1 && !(IF & ~InterruptBits) && !(STAT & 0x83) &&
             !(Undocumented[3] & ~Undocumented75Bits));
  in.require(DoubleSpeed == (ClockShift == DoubleSpeedClockShift));
  VBK &= 1;
  SVBK &= 7;
  JoypadHeld = 0;
  for (uint8_t button : StateButtonOrder)
    if (in.flag()) JoypadHeld |= button;
  VramBankPtr = VideoRam + VBK * VideoRamBankSize;
  WramBankPtr = WorkRam + (SVBK ? SVBK : 1) * WorkRamBankSize;  // 0 until written: bank 1
}

// Every register but the sound chip's sees the machine as of the access's
// cycle (the sound chip keeps its own time from TotalCycles): the events
// due by then are done; what changes between events (TIMA's count, the
// LCD's mode within a line) is brought up to date where it is read.
bool ColourModeRegister(int address) {
  switch (address) {
    case 0xFF4D: case 0xFF4F: case 0xFF51: case 0xFF52: case 0xFF53: case 0xFF54: case 0xFF55:
    case 0xFF68: case 0xFF69: case 0xFF6A: case 0xFF6B: case 0xFF6C: case 0xFF70: case 0xFF74:
      return true;
    default:
      return false;
  }
}

uint8_t IoRead(int address) {
  if (address == 0xFF44) {  // the register polled most, first
    RunDueEvents();
    if (TotalCycles >= LyChangeAt) {
      LcdSync();
      ScheduleEvents();
    }
    return LY;
  }
  if (address >= 0xFF10 && address <= 0xFF3F)
    return static_cast<uint8_t>(Sound.read_register(address));
  if (!ColourCartridge && ColourModeRegister(address)) return 0xFF;
  RunDueEvents();
  switch (address) {
    case 0xFF00: return JoypadByte();
    case 0xFF01: case 0xFF02: return SerialRead(address);
    case 0xFF04: return ReadDiv();
    case 0xFF05: return ReadTima();
    case 0xFF06: return TMA;
    case 0xFF07: return TAC;
    case 0xFF0F: return IF | IfUnused;
    case 0xFF40: return LCDC;
    case 0xFF41:
      LcdSync();
      ScheduleEvents();
      return ReadStat();
    case 0xFF42: return SCY;
    case 0xFF43: return SCX;
    case 0xFF45: return LYC;
    case 0xFF47: return BGP;
    case 0xFF48: return OBP0;
    case 0xFF49: return OBP1;
    case 0xFF4A: return WY;
    case 0xFF4B: return WX;
    case 0xFF46: return OamDmaRegister;
    case 0xFF4D: return static_cast<uint8_t>((DoubleSpeed ? 0x80 : 0x00) | Key1Unused | KEY1);
    case 0xFF4F: return 0xFE | VBK;  // the bank in bit 0, as handlers that switch it save it
    case 0xFF51: case 0xFF52: case 0xFF53: case 0xFF54: case 0xFF55:
      return VramDmaRead(address);
    case 0xFF69: case 0xFF6B:
      if (VramLocked()) return 0xFF;  // the drawing reads the palettes
      return PaletteRead(address);
    case 0xFF68: case 0xFF6A:
      return PaletteRead(address);
    case 0xFF6C: return OPRI | OpriUnused;
    case 0xFF70: return SVBK;
    case 0xFF72: case 0xFF73: case 0xFF74: return Undocumented[address - 0xFF72];
    case 0xFF75: return Undocumented[3] | Undocumented75Unused;
    case 0xFF76: return static_cast<uint8_t>(Sound.read_outputs(0));
    case 0xFF77: return static_cast<uint8_t>(Sound.read_outputs(2));
    case 0xFFFF: return IE;
    default: return 0x00;  // unused addresses
  }
}

void IoWrite(int address, int value) {
  const uint8_t v = static_cast<uint8_t>(value);
  if (address >= 0xFF10 && address <= 0xFF3F) {
    Sound.write_register(address, v);
    return;
  }
  if (!ColourCartridge && ColourModeRegister(address)) return;
  // The LCD comes up to the write's cycle, so that what it has drawn so far
  // keeps the old value.
  SyncUnits();
  switch (address) {
    case 0xFF00:
      if (v & 0x20) JoypadSelect = 0;
      if (v & 0x10) JoypadSelect = 1;
      break;
    case 0xFF01: case 0xFF02: SerialWrite(address, v); break;
    case 0xFF04: {  // any value clears the counter, and the sound chip's steps follow it
      const uint16_t counter = SystemCounter();
      WriteDiv();
      Sound.counter_cleared(counter);
      break;
    }
    case 0xFF05: WriteTima(v); break;
    case 0xFF06: WriteTma(v); break;
    case 0xFF07: WriteTac(v); break;
    case 0xFF0F: IF = v & InterruptBits; break;
    case 0xFF40:
      WritingPicture(LCDC, v, (LCDC ^ v) & ~(LcdcBgOn | LcdcSpritesOn) ? PictureWrite::Fetch : PictureWrite::Output);
      LcdcWritten(v);
      break;
    case 0xFF41: StatWritten(v); break;  // only the source selects (bits 3-6) are written
    case 0xFF42: WritingPicture(SCY, v, PictureWrite::Fetch); SCY = v; break;
    case 0xFF43:
      WritingPicture(SCX, v, PictureWrite::Fetch);
      SCX = v;
      DrawingRegisterWritten();
      break;
    case 0xFF45: LycWritten(v); break;
    case 0xFF46:
      StartOamDma(v);
      LcdReschedule();
      break;
    case 0xFF47: WritingPicture(BGP, v, PictureWrite::Output); BGP = v; DecodePalette(0); break;
    case 0xFF48: WritingPicture(OBP0, v, PictureWrite::Output); OBP0 = v; DecodePalette(1); break;
    case 0xFF49: WritingPicture(OBP1, v, PictureWrite::Output); OBP1 = v; DecodePalette(2); break;
    case 0xFF4A: WritingPicture(WY, v, PictureWrite::Fetch); WY = v; DrawingRegisterWritten(); break;
    case 0xFF4B: WritingPicture(WX, v, PictureWrite::Fetch); WX = v; DrawingRegisterWritten(); break;
    case 0xFF4D: KEY1 = v & 1; break;
    case 0xFF4F:
      VBK = v & 1;
      VramBankPtr = VideoRam + VBK * VideoRamBankSize;
      break;
    case 0xFF51: case 0xFF52: case 0xFF53: case 0xFF54: case 0xFF55:
      VramDmaWrite(address, v);
      LcdReschedule();
      break;
    case 0xFF69: case 0xFF6B:
      if (VramLocked()) StepPaletteIndex(address);
      else PaletteWrite(address, v);
      break;
    case 0xFF68: case 0xFF6A:
      PaletteWrite(address, v);
      break;
    case 0xFF70: {
      int bank = v & 7;
      if (bank == 0) bank = 1;
      SVBK = static_cast<uint8_t>(bank);
      WramBankPtr = WorkRam + bank * WorkRamBankSize;
      break;
    }
    case 0xFF6C: OPRI = v & 1; break;
    case 0xFF72: case 0xFF73: case 0xFF74: Undocumented[address - 0xFF72] = v; break;
    case 0xFF75: Undocumented[3] = v & Undocumented75Bits; break;
    case 0xFFFF: IE = v; break;
    default: break;  // LY, the channels' outputs and the unused addresses ignore writes
  }
  ScheduleEvents();
}

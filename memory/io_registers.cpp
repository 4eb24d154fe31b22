#include "memory/io_registers.h"

#include <array>

#include "machine/clock.h"
#include "machine/state.h"
#include "machine/machine.h"
#include "memory/bus.h"

void ResetIoRegisters(Console& m) {
  m.timer.TIMA = m.timer.TMA = m.timer.TAC = 0;
  m.io.IF = m.io.IE = 0;
  m.lcd.LCDC = 0;  // the start-up then switches the LCD on through the register
  m.lcd.STAT = m.lcd.SCY = m.lcd.SCX = m.lcd.LY = m.lcd.LYC = 0;
  m.lcd.BGP = m.lcd.OBP0 = m.lcd.OBP1 = m.lcd.WY = m.lcd.WX = 0;
  m.io.KEY1 = m.io.VBK = m.io.SVBK = 0;
  m.io.OPRI = 0;
  for (uint8_t& byte : m.io.undocumented) byte = 0;
  m.io.joypad_select = 0;
  m.io.double_speed = 0;
}

namespace {

// The registers a state holds in this part, in their order.
std::array<uint8_t*, 22> IoBytes(Console& m) {
  return {&m.timer.TIMA, &m.timer.TMA, &m.timer.TAC, &m.io.IF, &m.io.IE, &m.lcd.LCDC, &m.lcd.STAT, &m.lcd.SCY,
          &m.lcd.SCX, &m.lcd.LY, &m.lcd.LYC, &m.lcd.BGP, &m.lcd.OBP0, &m.lcd.OBP1, &m.lcd.WY, &m.lcd.WX,
          &m.io.KEY1, &m.io.OPRI, &m.io.undocumented[0], &m.io.undocumented[1], &m.io.undocumented[2],
          &m.io.undocumented[3]};
}
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
uint8_t JoypadByte(const Console& m) {
  const int held = m.io.joypad_select == 0 ? m.io.joypad_held >> 4 : m.io.joypad_held & 0x0F;
  return static_cast<uint8_t>(0xFF & ~held);
}

// A register that changes the picture: written while a line is drawn, the
// pixels before the write keep the old value.
void WritingPicture(Console& m, uint8_t old, uint8_t value, PictureWrite kind) {
  if (old != value) PictureRegisterWriting(m, kind);
}

}  // namespace

bool JoypadLineLow(const Console& m) { return (JoypadByte(m) & 0x0F) != 0x0F; }

template <class State>
void WalkIoState(Console& m, State& s) {
  IoRegisters& io = m.io;
  s.section("IO  ");
  for (uint8_t* r : IoBytes(m)) s.u8(*r);
  s.u8(io.VBK);
  s.u8(io.SVBK);
  s.number(io.joypad_select, 0, 1);
  s.number(io.double_speed, 0, 1);
  uint8_t held = 0;
  for (uint8_t button : StateButtonOrder) {
    bool down = io.joypad_held & button;
    s.flag(down);
    if (down) held |= button;
  }
  if constexpr (State::Loading) {
    // Only the bits the registers keep, and the speed the processor's clock
    // runs at.
    s.require(io.VBK <= 1 && io.SVBK <= 7 && io.KEY1 <= 1 && io.OPRI <= 1 && !(io.IF & ~InterruptBits) &&
              !(m.lcd.STAT & 0x83) && !(io.undocumented[3] & ~Undocumented75Bits));
    s.require(io.double_speed == (m.clock.shift == DoubleSpeedClockShift));
    io.VBK &= 1;
    io.SVBK &= 7;
    io.joypad_held = held;
    m.mem.vram_bank = m.mem.video_ram + io.VBK * VideoRamBankSize;
    m.mem.wram_bank = m.mem.work_ram + (io.SVBK ? io.SVBK : 1) * WorkRamBankSize;  // 0 until written: bank 1
  }
}

template void WalkIoState(Console& m, StateWriter& s);
template void WalkIoState(Console& m, StateReader& s);

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

uint8_t IoRead(Console& m, int address) {
  if (address == 0xFF44) {  // the register polled most, first
    RunDueEvents(m);
    if (m.clock.cycles >= m.lcd.ly_change_at) {
      LcdSync(m);
      ScheduleEvents(m);
    }
    return m.lcd.LY;
  }
  if (address >= 0xFF10 && address <= 0xFF3F)
    return static_cast<uint8_t>(m.sound.read_register(MachineClock(m), address));
  if (!m.cart.colour && ColourModeRegister(address)) return 0xFF;
  RunDueEvents(m);
  switch (address) {
    case 0xFF00: return JoypadByte(m);
    case 0xFF01: case 0xFF02: return SerialRead(m, address);
    case 0xFF04: return ReadDiv(m);
    case 0xFF05: return ReadTima(m);
    case 0xFF06: return m.timer.TMA;
    case 0xFF07: return m.timer.TAC;
    case 0xFF0F: return m.io.IF | IfUnused;
    case 0xFF40: return m.lcd.LCDC;
    case 0xFF41:
      LcdSync(m);
      ScheduleEvents(m);
      return ReadStat(m);
    case 0xFF42: return m.lcd.SCY;
    case 0xFF43: return m.lcd.SCX;
    case 0xFF45: return m.lcd.LYC;
    case 0xFF47: return m.lcd.BGP;
    case 0xFF48: return m.lcd.OBP0;
    case 0xFF49: return m.lcd.OBP1;
    case 0xFF4A: return m.lcd.WY;
    case 0xFF4B: return m.lcd.WX;
    case 0xFF46: return m.oam_dma.DMA;
    case 0xFF4D: return static_cast<uint8_t>((m.io.double_speed ? 0x80 : 0x00) | Key1Unused | m.io.KEY1);
    case 0xFF4F: return 0xFE | m.io.VBK;  // the bank in bit 0, as handlers that switch it save it
    case 0xFF51: case 0xFF52: case 0xFF53: case 0xFF54: case 0xFF55:
      return VramDmaRead(m, address);
    case 0xFF69: case 0xFF6B:
      if (VramLocked(m)) return 0xFF;  // the drawing reads the palettes
      return PaletteRead(m, address);
    case 0xFF68: case 0xFF6A:
      return PaletteRead(m, address);
    case 0xFF6C: return m.io.OPRI | OpriUnused;
    case 0xFF70: return m.io.SVBK;
    case 0xFF72: case 0xFF73: case 0xFF74: return m.io.undocumented[address - 0xFF72];
    case 0xFF75: return m.io.undocumented[3] | Undocumented75Unused;
    case 0xFF76: return static_cast<uint8_t>(m.sound.read_outputs(MachineClock(m), 0));
    case 0xFF77: return static_cast<uint8_t>(m.sound.read_outputs(MachineClock(m), 2));
    case 0xFFFF: return m.io.IE;
    default: return 0x00;  // unused addresses
  }
}

void IoWrite(Console& m, int address, int value) {
  const uint8_t v = static_cast<uint8_t>(value);
  if (address >= 0xFF10 && address <= 0xFF3F) {
    m.sound.write_register(MachineClock(m), address, v);
    return;
  }
  if (!m.cart.colour && ColourModeRegister(address)) return;
  // The LCD comes up to the write's cycle, so that what it has drawn so far
  // keeps the old value.
  SyncUnits(m);
  switch (address) {
    case 0xFF00:
      if (v & 0x20) m.io.joypad_select = 0;
      if (v & 0x10) m.io.joypad_select = 1;
      break;
    case 0xFF01: case 0xFF02: SerialWrite(m, address, v); break;
    case 0xFF04: {  // any value clears the counter, and the sound chip's steps follow it
      const uint16_t counter = SystemCounter(m);
      WriteDiv(m);
      SoundCounterCleared(m, counter);
      break;
    }
    case 0xFF05: WriteTima(m, v); break;
    case 0xFF06: WriteTma(m, v); break;
    case 0xFF07: WriteTac(m, v); break;
    case 0xFF0F: m.io.IF = v & InterruptBits; break;
    case 0xFF40:
      WritingPicture(m, m.lcd.LCDC, v, (m.lcd.LCDC ^ v) & ~(LcdcBgOn | LcdcSpritesOn) ? PictureWrite::Fetch : PictureWrite::Output);
      LcdcWritten(m, v);
      break;
    case 0xFF41: StatWritten(m, v); break;  // only the source selects (bits 3-6) are written
    case 0xFF42: WritingPicture(m, m.lcd.SCY, v, PictureWrite::Fetch); m.lcd.SCY = v; break;
    case 0xFF43:
      WritingPicture(m, m.lcd.SCX, v, PictureWrite::Fetch);
      m.lcd.SCX = v;
      DrawingRegisterWritten(m);
      break;
    case 0xFF45: LycWritten(m, v); break;
    case 0xFF46:
      StartOamDma(m, v);
      LcdReschedule(m);
      break;
    case 0xFF47: WritingPicture(m, m.lcd.BGP, v, PictureWrite::Output); m.lcd.BGP = v; DecodePalette(m, 0); break;
    case 0xFF48: WritingPicture(m, m.lcd.OBP0, v, PictureWrite::Output); m.lcd.OBP0 = v; DecodePalette(m, 1); break;
    case 0xFF49: WritingPicture(m, m.lcd.OBP1, v, PictureWrite::Output); m.lcd.OBP1 = v; DecodePalette(m, 2); break;
    case 0xFF4A: WritingPicture(m, m.lcd.WY, v, PictureWrite::Fetch); m.lcd.WY = v; DrawingRegisterWritten(m); break;
    case 0xFF4B: WritingPicture(m, m.lcd.WX, v, PictureWrite::Fetch); m.lcd.WX = v; DrawingRegisterWritten(m); break;
    case 0xFF4D: m.io.KEY1 = v & 1; break;
    case 0xFF4F:
      m.io.VBK = v & 1;
      m.mem.vram_bank = m.mem.video_ram + m.io.VBK * VideoRamBankSize;
      break;
    case 0xFF51: case 0xFF52: case 0xFF53: case 0xFF54: case 0xFF55:
      VramDmaWrite(m, address, v);
      LcdReschedule(m);
      break;
    case 0xFF69: case 0xFF6B:
      if (VramLocked(m)) StepPaletteIndex(m, address);
      else PaletteWrite(m, address, v);
      break;
    case 0xFF68: case 0xFF6A:
      PaletteWrite(m, address, v);
      break;
    case 0xFF70: {
      int bank = v & 7;
      if (bank == 0) bank = 1;
      m.io.SVBK = static_cast<uint8_t>(bank);
      m.mem.wram_bank = m.mem.work_ram + bank * WorkRamBankSize;
      break;
    }
    case 0xFF6C: m.io.OPRI = v & 1; break;
    case 0xFF72: case 0xFF73: case 0xFF74: m.io.undocumented[address - 0xFF72] = v; break;
    case 0xFF75: m.io.undocumented[3] = v & Undocumented75Bits; break;
    case 0xFFFF: m.io.IE = v; break;
    default: break;  // LY, the channels' outputs and the unused addresses ignore writes
  }
  ScheduleEvents(m);
}

#include "video/lcd_timing.h"
#include "machine/clock.h"

#include "memory/io_registers.h"
#include "machine/state.h"
#include "memory/oam_dma.h"
#include "memory/vram_dma.h"
#include "sound/sound_system.h"
#include "video/pixel_pipeline.h"
#include "video/renderer.h"


namespace {

constexpr uint8_t Coincidence = 0x04;        // STAT bit 2: LY equals LYC
constexpr uint8_t SelectCoincidence = 0x40;  // STAT bit 6
constexpr uint8_t StatSelectBits = 0x78;     // STAT bits 3-6, the writable ones
constexpr uint8_t StatUnusedBit = 0x80;      // reads 1
constexpr uint8_t VblankRequest = 0x01, StatRequest = 0x02;

enum Mode { Hblank = 0, Vblank = 1, OamSearch = 2, Drawing = 3 };

// The STAT bit that selects each mode as an interrupt source (bits 3, 4,
// 5); drawing has none.
constexpr uint8_t ModeSelect[4] = {0x08, 0x10, 0x20, 0x00};
constexpr int LyWrapDot = 4;  // line 153 shows LY = 153 for its first 4 dots only

int CurrentMode(Console& m) {
  if (!LcdIsOn(m.lcd)) return Hblank;
  if (m.lcd.line >= VisibleLines) return Vblank;
  if (m.lcd.line_composed) return Hblank;
  if (m.lcd.line_dots >= DrawingStart) return Drawing;
  return m.lcd.no_oam_search ? Hblank : OamSearch;
}

// The mode sources that are up now: the mode's own, except on the first
// line after switching on, which has none until its drawing ends.
uint8_t ModeSources(Console& m) {
  if (m.lcd.no_oam_search && !m.lcd.line_composed) return 0;
  return ModeSelect[CurrentMode(m)];
}

// The drawing of visible line LcdLine in full, where its pixels leave, as
// the registers and OAM stood when it started: worked out at the first
// write that changes the picture while the line is drawn (the registers
// are as they were when the drawing started until then), kept for the
// line's later writes.

// As the line starts, only how long its drawing takes.
void PlanLine(Console& m) {
  m.lcd.drawing_end_dot = DrawingStart + DrawingLength(m, m.lcd.line);
  m.lcd.current_drawing_planned = 0;
}

// The selected conditions are OR-ed into one line, and only its rise
// requests the interrupt: two conditions back to back raise it once.
// `sources` holds the select bits of the mode sources that are up.
void SetStatLine(Console& m, uint8_t sources) {
  const uint8_t stat = m.lcd.STAT;
  const int level = (stat & sources) || ((stat & SelectCoincidence) && (stat & Coincidence));
  if (level && !m.lcd.stat_line) m.io.IF |= StatRequest;
  m.lcd.stat_line = level;
}

void CompareLy(Console& m) {
  if (m.lcd.LY == m.lcd.LYC) m.lcd.STAT |= Coincidence;
  else m.lcd.STAT &= static_cast<uint8_t>(~Coincidence);
}

// The frame dot of the next step that the rest of the machine can see
// without touching the LCD: IF rising, the frame handed over at V-blank, a
// new frame's buttons, a VRAM DMA block, OAM changing under the drawing.
// The steps before it (a line's drawing ending, a quiet line starting)
// change only what the LCD's registers and memories show, and every access
// to those brings the LCD up to date first; so they wait for such an
// access or for this event, and are done then, in their order, as they
// would have been at their own dots.
int VisibleEventDot(Console& m) {
  if (!LcdIsOn(m.lcd) || m.hdma.active || m.oam_dma.active || (m.lcd.STAT & (ModeSelect[Hblank] | ModeSelect[OamSearch])))
    return m.lcd.event_at;
  int at = m.lcd.frame_dots < VblankStart ? VblankStart : DotsPerFrame;
  if (m.lcd.STAT & SelectCoincidence) {  // LY = LYC raises the status line
    const auto consider = [&](int dot) {
      if (dot > m.lcd.frame_dots && dot < at) at = dot;
    };
    if (m.lcd.LYC < LinesPerFrame) consider(m.lcd.LYC * DotsPerLine);
    if (m.lcd.LYC == 0) consider((LinesPerFrame - 1) * DotsPerLine + LyWrapDot);
  }
  return at > m.lcd.event_at ? at : m.lcd.event_at;
}

// The machine cycle of the next visible event, from where the counters
// stand.
inline void NextEventFromCounters(Console& m) {
  const int visible = VisibleEventDot(m);
  const int ahead = visible > m.lcd.frame_dots ? visible - m.lcd.frame_dots : 0;
  m.lcd.next_event_at = CycleAtDot(m, m.lcd.synced_dot + static_cast<uint64_t>(ahead));
  // A visible line's next step ends its drawing; LY moves on at its end.
  const int ly_dot = (LcdIsOn(m.lcd) && m.lcd.line < VisibleLines && !m.lcd.line_composed) ? m.lcd.frame_dots - m.lcd.line_dots + DotsPerLine
                                                                             : m.lcd.event_at;
  m.lcd.ly_change_at = ly_dot > m.lcd.frame_dots ? CycleAtDot(m, m.lcd.synced_dot + static_cast<uint64_t>(ly_dot - m.lcd.frame_dots))
                                  : m.lcd.next_event_at;
}

// The frame dot of the LCD's next step, from the counters: the next
// hand-off with the LCD off, else the end of the line's drawing, line
// 153's LY wrap or the line's end.
int NextStepDot(Console& m) {
  const int line_start = m.lcd.frame_dots - m.lcd.line_dots;
  if (!LcdIsOn(m.lcd)) return DotsPerFrame;
  if (m.lcd.line < VisibleLines && !m.lcd.line_composed) return line_start + m.lcd.drawing_end_dot;
  if (m.lcd.line == LinesPerFrame - 1 && m.lcd.LY) return line_start + LyWrapDot;
  return line_start + DotsPerLine;
}

inline void ScheduleNextEvent(Console& m) {
  m.lcd.event_at = NextStepDot(m);
  NextEventFromCounters(m);
}

// The line is composed from the registers as they stand when its drawing
// ends (but not in the frame hidden after switching on). The mode-2 source
// went low when drawing began, so an H-blank source selected with it still
// makes a request of its own. A running H-blank VRAM copy makes its block
// as the H-blank begins.
void EndDrawing(Console& m) {
  SetStatLine(m, 0);
  if (!m.lcd.hidden_frame) ComposeLine(m, m.lcd.line);
  m.lcd.line_composed = 1;
  SetStatLine(m, ModeSelect[Hblank]);
  if (m.hdma.active) VramDmaHblank(m);
}

// LY changes as the line starts, and LY = LYC is compared with it. The
// V-blank line raises the mode 2 source for a moment too, with the V-blank
// one.
void StartNextLine(Console& m) {
  m.lcd.line_dots -= DotsPerLine;
  m.lcd.line_composed = 0;
  m.lcd.no_oam_search = 0;
  if (m.lcd.line == LinesPerFrame - 1) {
    m.lcd.frame_dots -= DotsPerFrame;  // the remainder carries into the new frame
    m.lcd.hand_off_carry = DotsPerFrame - VblankStart;
    m.lcd.line = 0;
    m.lcd.hidden_frame = 0;
    m.io.joypad_held = m.io.joypad_next_frame;
    StartPicture(m);
  } else {
    m.lcd.line++;
  }
  m.lcd.LY = static_cast<uint8_t>(m.lcd.line);
  CompareLy(m);
  if (m.lcd.line < VisibleLines) {
    PlanLine(m);
    SetStatLine(m, ModeSelect[OamSearch]);
  } else if (m.lcd.line == VisibleLines) {
    m.io.IF |= VblankRequest;
    SetStatLine(m, ModeSelect[Vblank] | ModeSelect[OamSearch]);
    SetStatLine(m, ModeSelect[Vblank]);
    FinishFrame(m);
  } else {
    SetStatLine(m, ModeSelect[Vblank]);
  }
}

// Line 153 shows LY = 153 for its first machine cycle, then 0, which LYC
// is compared with for the rest of the frame.
void WrapLy(Console& m) {
  m.lcd.LY = 0;
  CompareLy(m);
  SetStatLine(m, ModeSelect[Vblank]);
}

// LY reads 0 and the mode 0; LY = LYC keeps its last result (LYC is not
// compared while the LCD is off), and so does the status line.
void SwitchLcdOff(Console& m) {
  // Count on from the last hand-off: this frame's V-blank, or the one
  // before the frame started.
  m.lcd.frame_dots = m.lcd.line >= VisibleLines ? m.lcd.frame_dots - VblankStart : m.lcd.frame_dots + m.lcd.hand_off_carry;
  m.lcd.line_dots = m.lcd.frame_dots;
  m.lcd.line = 0;
  m.lcd.LY = 0;
  m.lcd.line_composed = 0;
  BlankPicture(m);
}

// Line 0 starts with a full line, without an OAM search: the mode reads 0
// and no mode source is up until its drawing ends. The frame stays blank
// on the screen; the one handed over at its V-blank is longer than usual by
// the dots since the last hand-off. LY = LYC is compared at once.
void SwitchLcdOn(Console& m) {
  // Switched off and on again within the step that reached the next
  // hand-off: the frame is handed over now, so that the carry never holds
  // more than a frame however often the LCD goes off and on.
  if (m.lcd.frame_dots >= DotsPerFrame) {
    m.lcd.frame_dots %= DotsPerFrame;
    FinishFrame(m);
    m.lcd.frame_start_pending = 1;
  }
  m.lcd.hand_off_carry = m.lcd.frame_dots;
  m.lcd.frame_dots = 0;
  m.lcd.line_dots = 0;
  m.lcd.line = 0;
  m.lcd.LY = 0;
  m.lcd.line_composed = 0;
  m.lcd.no_oam_search = 1;
  m.lcd.hidden_frame = 1;
  StartPicture(m);
  PlanLine(m);
  CompareLy(m);
  SetStatLine(m, 0);
}

}  // namespace

void LcdSpeedChanged(Console& m) { NextEventFromCounters(m); }

// From the counters: the drawing's end on a line that has been composed,
// line 153's LY wrap once done, else the line's start.
uint64_t LcdLastStepCycle(Console& m) {
  if (!LcdIsOn(m.lcd)) return 0;
  int since = m.lcd.line_dots;
  if (m.lcd.line < VisibleLines && m.lcd.line_composed) since = m.lcd.line_dots - m.lcd.drawing_end_dot;
  else if (m.lcd.line == LinesPerFrame - 1 && !m.lcd.LY) since = m.lcd.line_dots - LyWrapDot;
  return since >= 0 && m.lcd.synced_dot >= static_cast<uint64_t>(since) ? CycleAtDot(m, m.lcd.synced_dot - static_cast<uint64_t>(since)) : 0;
}
void LcdReschedule(Console& m) { NextEventFromCounters(m); }

void StopLcd(Console& m) {
  LcdSync(m);
  const bool was_on = LcdIsOn(m.lcd);
  m.lcd.stopped = 1;
  if (was_on) {
    SwitchLcdOff(m);
    BlankPicture(m, BlackColour);
  }
  ScheduleNextEvent(m);
}

void RestartLcd(Console& m) {
  LcdSync(m);
  m.lcd.stopped = 0;
  if (LcdIsOn(m.lcd)) SwitchLcdOn(m);
  ScheduleNextEvent(m);
}

// One frame ends at most: the events after it wait for the next call, so
// that the front end's work between frames sees the machine at the end.
void AdvanceLcdEvents(Console& m) {
  if (!LcdIsOn(m.lcd)) {
    if (m.lcd.frame_dots >= DotsPerFrame) {
      m.lcd.frame_dots -= DotsPerFrame;
      m.lcd.line_dots = m.lcd.frame_dots;
      FinishFrame(m);
      m.lcd.frame_start_pending = 1;  // the next frame, and its buttons, start here
    }
  } else {
    const long frames = m.lcd.frames_finished;
    while (m.lcd.frames_finished == frames) {
      if (m.lcd.line < VisibleLines && !m.lcd.line_composed) {
        if (m.lcd.line_dots < m.lcd.drawing_end_dot) break;
        EndDrawing(m);
      }
      if (m.lcd.line == LinesPerFrame - 1 && m.lcd.LY) {
        if (m.lcd.line_dots < LyWrapDot) break;
        WrapLy(m);
      }
      if (m.lcd.line_dots < DotsPerLine) break;
      StartNextLine(m);
    }
  }
  ScheduleNextEvent(m);
}

// The mode follows the same boundaries as the events: a read sees H-blank
// exactly when the line has been composed.
uint8_t ReadStat(Console& m) { return static_cast<uint8_t>(StatUnusedBit | (m.lcd.STAT & 0x7C) | CurrentMode(m)); }

void LcdcWritten(Console& m, uint8_t value) {
  const bool was_on = LcdIsOn(m.lcd);
  m.lcd.LCDC = value;
  if (was_on == LcdIsOn(m.lcd)) {
    DrawingRegisterWritten(m);
    return;
  }
  if (was_on) SwitchLcdOff(m);
  else SwitchLcdOn(m);
  ScheduleNextEvent(m);
}

void PictureRegisterWriting(Console& m, PictureWrite kind) {
  if (!LcdIsOn(m.lcd) || m.lcd.line >= VisibleLines || m.lcd.line_composed || m.lcd.line_dots < DrawingStart || m.lcd.hidden_frame) return;
  if (!m.lcd.current_drawing_planned) {
    PlanDrawing(m, m.lcd.line, m.lcd.current_drawing);
    m.lcd.current_drawing_planned = 1;
  }
  const int dots = m.lcd.line_dots - DrawingStart;
  const int x = kind == PictureWrite::Output ? PixelsOutBy(m.lcd.current_drawing, dots) : TilesFetchedFrom(m.lcd.current_drawing, dots);
  DrawLinePiece(m, m.lcd.line, x, m.lcd.current_drawing.fine);
}

void DrawingRegisterWritten(Console& m) {
  if (!LcdIsOn(m.lcd) || m.lcd.line >= VisibleLines || m.lcd.line_dots >= DrawingStart) return;
  PlanLine(m);
  ScheduleNextEvent(m);
}

// Selecting a source whose condition holds raises the line at once.
void StatWritten(Console& m, uint8_t value) {
  m.lcd.STAT = static_cast<uint8_t>((m.lcd.STAT & ~StatSelectBits) | (value & StatSelectBits));
  if (LcdIsOn(m.lcd)) SetStatLine(m, ModeSources(m));
  NextEventFromCounters(m);
}

void LycWritten(Console& m, uint8_t value) {
  m.lcd.LYC = value;
  if (LcdIsOn(m.lcd)) {
    CompareLy(m);
    SetStatLine(m, ModeSources(m));
  }
  NextEventFromCounters(m);
}

void LcdLeftOnByBoot(Console& m) {
  m.lcd.no_oam_search = 0;
  m.lcd.hidden_frame = 0;
}

void ResetLcdCounters(Console& m) {
  m.lcd.synced_dot = LcdClock(m);
  m.lcd.next_event_at = m.lcd.ly_change_at = m.clock.cycles;
  m.lcd.frame_dots = 0;
  m.lcd.line_dots = 0;
  m.lcd.line = 0;
  m.lcd.no_oam_search = 0;
  m.lcd.hidden_frame = 0;
  m.lcd.line_composed = 0;
  m.lcd.current_drawing = LineDrawing{};
  m.lcd.current_drawing_planned = 0;
  m.lcd.drawing_end_dot = DrawingStart + ShortestDrawing;
  m.lcd.stat_line = 0;
  m.lcd.hand_off_carry = 0;
  m.lcd.stopped = 0;
  m.lcd.LY = 0;
  m.lcd.event_at = 0;  // the next step schedules from the registers as they are then
}

// The counts stay within a frame or two of their events, so that the next
// step never has to catch up on more than a few hundred lines. The drawing
// worked out for the line being drawn is kept when it was.
template <class State>
void WalkLcdState(Console& m, State& s) {
  Lcd& lcd = m.lcd;
  constexpr int Longest = 2 * DotsPerFrame;
  s.section("LCD ");
  s.number(lcd.frame_dots, -DotsPerFrame, Longest);
  s.number(lcd.line_dots, -DotsPerFrame, Longest);
  s.number(lcd.line, 0, LinesPerFrame - 1);
  s.number(lcd.no_oam_search, 0, 1);
  s.number(lcd.hidden_frame, 0, 1);
  s.number(lcd.line_composed, 0, 1);
  s.number(lcd.stat_line, 0, 1);
  s.number(lcd.hand_off_carry, 0, Longest);
  s.number(lcd.event_at, 0, Longest);
  s.number(lcd.drawing_end_dot, DrawingStart, DotsPerLine);
  s.i64(lcd.synced_dot);
  s.flag(lcd.current_drawing_planned);
  LineDrawing& d = lcd.current_drawing;
  if constexpr (State::Loading) d = LineDrawing{};
  if (lcd.current_drawing_planned) {
    s.number(d.fine, 0, 7);
    s.number(d.window_x, 0, ScreenWidth);
    s.number(d.pause_count, 0, static_cast<int>(sizeof d.pauses / sizeof d.pauses[0]));
    s.number(d.length, ShortestDrawing, DotsPerLine);
    for (int p = 0; p < d.pause_count; p++) {
      s.number(d.pauses[p].x, 0, ScreenWidth);
      s.number(d.pauses[p].dots, 0, DotsPerLine);
    }
  }
  if constexpr (State::Loading) {
    lcd.stopped = m.cpu.Stopped;
    s.require(lcd.LY < LinesPerFrame && lcd.synced_dot <= LcdClock(m));
    // The counters agree with each other and with LY: the frame's dots are
    // the line's plus those of the lines before it; with the LCD on LY is
    // the line but on line 153 after its wrap, with it off LY and the line
    // are 0; the next step is the one the counters give.
    const bool on = LcdIsOn(lcd);
    s.require(lcd.frame_dots - lcd.line_dots == (on ? lcd.line * DotsPerLine : 0));
    if (on) s.require(lcd.LY == lcd.line || (lcd.line == LinesPerFrame - 1 && lcd.LY == 0 && lcd.line_dots >= LyWrapDot));
    else s.require(lcd.line == 0 && lcd.LY == 0);
    s.require(lcd.event_at == NextStepDot(m));
    NextEventFromCounters(m);
  }
}

template void WalkLcdState(Console& m, StateWriter& s);
template void WalkLcdState(Console& m, StateReader& s);

void FinishFrame(Console& m) {
  m.sound.end_frame(SoundNow(m));
  m.lcd.frames_finished++;
  m.lcd.frame_ready = 1;
}

// Line and frame timing of the LCD controller: its registers, LY, the STAT
// modes and interrupt sources, V-blank, and the LCD switched off and on.
// The LCD is brought up to the present cycle by LcdSync (machine/clock.h).
#pragma once
#include <cstdint>

#include "video/pixel_pipeline.h"

struct Console;
class StateWriter;
class StateReader;

constexpr int DotsPerLine = 456;
// A visible line starts with mode 2 (where LY changes and the mode 2 source
// rises) and begins drawing (mode 3) at this dot; drawing lasts at least
// ShortestDrawing dots, then H-blank (mode 0) fills the rest of the line.
constexpr int DrawingStart = 85;
constexpr int VisibleLines = 144;
constexpr int LinesPerFrame = 154;
constexpr int DotsPerFrame = DotsPerLine * LinesPerFrame;  // 70224
constexpr int VblankStart = VisibleLines * DotsPerLine;     // the start of line 144
// Dots in a machine cycle at normal speed.
constexpr int DotsPerCycle = 4;

struct Lcd {
  uint8_t LCDC = 0, STAT = 0, SCY = 0, SCX = 0, LY = 0, LYC = 0, BGP = 0, OBP0 = 0, OBP1 = 0, WY = 0, WX = 0;
  // With the LCD on, frame_dots counts from the start of line 0 and
  // line_dots from the start of line LY. With it off, LY stays 0 and both
  // count the dots since the last frame was handed to the host, which gets
  // one every DotsPerFrame dots all the same. Both stand as of the LCD's
  // clock synced_dot: LcdSync brings them to the present cycle.
  int frame_dots = 0;
  int line_dots = 0;
  uint64_t synced_dot = 0;
  // The line the LCD is on, 0-153: LY but for line 153, where LY reads 0
  // after the first machine cycle.
  int line = 0;
  int no_oam_search = 0;  // the first line after the LCD is switched on has no OAM search
  // The first frame after the LCD is switched on is not shown: its lines
  // are not drawn, and the picture stays blank.
  int hidden_frame = 0;
  int line_composed = 0;  // the drawing of visible line `line` has ended (H-blank)
  // The dot of the visible line at which its drawing ends: planned as the
  // line starts, and again when a register it depends on is written before
  // the drawing starts.
  int drawing_end_dot = DrawingStart + ShortestDrawing;
  int stat_line = 0;  // the selected STAT conditions OR-ed, as last evaluated
  // Dots from the last frame hand-off to the start of the current LCD
  // frame, so that switching the LCD off goes on counting towards the next
  // hand-off.
  int hand_off_carry = 0;
  // The frame dot at which the next step is due: the end of a visible
  // line's drawing, a line end, or, with the LCD off, the next hand-off.
  // Before it nothing but the two counters changes, so most syncs stop
  // after adding the dots.
  int event_at = 0;
  // The machine cycle of the next event of the machine: the next step that
  // the rest of the machine can see (see VisibleEventDot in the source).
  uint64_t next_event_at = 0;
  // The first machine cycle at which LY can change: the next line's start
  // (or line 153's early 0). Before it an LY read needs no step of the LCD.
  uint64_t ly_change_at = 0;
  // STOP stops the LCD with the processor: it counts as off meanwhile, and
  // a picture it was showing goes black.
  int stopped = 0;
  // The drawing of the visible line in full, where its pixels leave, as
  // the registers and OAM stood when it started: worked out at the first
  // write that changes the picture while the line is drawn, kept for the
  // line's later writes.
  LineDrawing current_drawing;
  int current_drawing_planned = 0;
  // Frames handed to the host since the start (at V-blank, or every
  // DotsPerFrame dots while the LCD is off). Not in a state.
  long frames_finished = 0;
  // Set when a frame has ended (and its sound frame with it); RunFrame
  // returns there and clears it.
  int frame_ready = 0;
  // With the LCD off a frame ends and the next starts at the same moment:
  // the next frame's buttons are taken when it starts to run.
  int frame_start_pending = 0;
};

inline bool LcdIsOn(const Lcd& lcd) { return (lcd.LCDC & 0x80) && !lcd.stopped; }

// The speed changed: the next event's cycle is worked out again.
void LcdSpeedChanged(Console& m);
// The machine cycle at which the LCD took its latest step (a line's start,
// its drawing's end, line 153's LY wrap) as of its last sync; 0 with the
// LCD off.
uint64_t LcdLastStepCycle(Console& m);
// A copy into OAM or video RAM started: the LCD's steps become events of
// the machine while it runs (see VisibleEventDot).
void LcdReschedule(Console& m);
// The steps that are due: line composition, STAT sources, LY, V-blank.
void AdvanceLcdEvents(Console& m);

void StopLcd(Console& m);
// After STOP: the LCD starts again as when switched on.
void RestartLcd(Console& m);

uint8_t ReadStat(Console& m);
void ResetLcdCounters(Console& m);
// The boot program switched the LCD on long before the cartridge starts:
// the line it is on has its OAM search and the frame is shown.
void LcdLeftOnByBoot(Console& m);

// The counters' part of a machine state (the registers are in the register
// page's part). frames_finished is not in it: it counts the frames this
// run has made, whatever state the machine was put in.
template <class State>
void WalkLcdState(Console& m, State& s);

// How a register written while a line is drawn reaches the picture: through
// the pixels the queue puts out from then on (BGP, OBP0, OBP1, LCDC's bits
// 0 and 1, which are applied as pixels leave), or through the tiles the
// fetcher fetches from then on (the scroll, the maps, the tile data, the
// window). Called before the write lands: the pixels before that point are
// drawn from the registers as they stood.
enum class PictureWrite { Output, Fetch };
void PictureRegisterWriting(Console& m, PictureWrite kind);

// Processor writes of LCDC, STAT and LYC.
void LcdcWritten(Console& m, uint8_t value);
// A register that the length of the drawing depends on (SCX, WX, WY) has
// been written: before the drawing starts, the line is planned again.
void DrawingRegisterWritten(Console& m);
void StatWritten(Console& m, uint8_t value);
void LycWritten(Console& m, uint8_t value);

// Ends the sound frame and the picture's frame: frame_ready.
void FinishFrame(Console& m);

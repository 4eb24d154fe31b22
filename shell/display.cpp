#include "shell/display.h"

#include <allegro.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "shell/frame_clock.h"
#include "shell/lost_display.h"
#include "shell/run_control.h"
#include "shell/shown_picture.h"
#include "shell/text.h"

BITMAP* WorkBitmap = nullptr;
BITMAP* BackBuffer = nullptr;
bool Headless = false;
DisplayMode CurrentDisplay;
bool InfoScreenOption = true;
bool TrueColoursOption = false;

bool ShowsTrueColours() { return TrueColoursOption && TheMachine().Cartridge().colour; }

namespace {

constexpr int ColourDepth = 16;
constexpr int WorkWidth = 640, WorkHeight = 480;
constexpr int FontCell = 8;  // the built-in font's glyphs, in pixels
// The console draws a frame every 70224 cycles of its 4194304 Hz clock:
// 59.73 frames per second, 16.74 ms each.
constexpr auto FramePeriod = std::chrono::nanoseconds(70224LL * 1000000000 / 4194304);

// 16-bit screen colours (red in the top bits under X).
constexpr int Black = 0x0000, White = 0xFFFF;
const char* const PausedText = "Paused";
constexpr int NoteMargin = 2;  // around the text, and from the picture's corner

std::string NoteText;
std::chrono::steady_clock::time_point NoteEnds;

// The thread sleeps until each frame's deadline and wakes once per frame:
// a run at real time or paused takes next to no processor time to wait.
FrameClock Pace(FramePeriod);

int PictureX = 0, PictureY = 0;  // where the scaled picture stands on the screen

// The machine's picture as the back buffer and the window hold it, with
// nothing drawn over it.
ShownPicture OnScreen;

// Called on the window system's thread.
void CloseButtonPressed() { QuitRequested = 1; }
END_OF_FUNCTION(CloseButtonPressed)

bool SetMode(const DisplayMode& mode) {
  int width = ScreenWidth * mode.scale, height = ScreenHeight * mode.scale;
  int scale = mode.scale;
  if (mode.fullscreen) {
    if (get_desktop_resolution(&width, &height) != 0) return false;
    scale = std::max(1, std::min(width / ScreenWidth, height / ScreenHeight));
  }
  // Without a screen there is nothing to present on: no back buffer either.
  if (BackBuffer) destroy_bitmap(BackBuffer);
  BackBuffer = nullptr;
  if (set_gfx_mode(mode.fullscreen ? GFX_AUTODETECT_FULLSCREEN : GFX_AUTODETECT_WINDOWED, width, height, 0, 0) != 0)
    return false;
  BackBuffer = create_bitmap_ex(ColourDepth, ScreenWidth * scale, ScreenHeight * scale);
  if (!BackBuffer) return false;
  clear_bitmap(BackBuffer);
  PictureX = (SCREEN_W - BackBuffer->w) / 2;
  PictureY = (SCREEN_H - BackBuffer->h) / 2;
  clear_to_color(screen, Black);
  OnScreen.forget();
  set_close_button_callback(CloseButtonPressed);
  CurrentDisplay = mode;
  return true;
}

// One row of the picture, each pixel `Scale` times, through the table (or
// as it is, without one). A whole number known when compiling lets the
// compiler unroll the copies.
template <int Scale>
void WidenRow(const uint16_t* in, uint16_t* out, int, const uint16_t* table) {
  for (int column = 0; column < ScreenWidth; column++) {
    const uint16_t pixel = table ? table[in[column]] : in[column];
    for (int k = 0; k < Scale; k++) out[column * Scale + k] = pixel;
  }
}

void WidenRowAnyScale(const uint16_t* in, uint16_t* out, int scale, const uint16_t* table) {
  for (int column = 0; column < ScreenWidth; column++, out += scale)
    std::fill_n(out, scale, table ? table[in[column]] : in[column]);
}

using RowWidener = void (*)(const uint16_t*, uint16_t*, int, const uint16_t*);
constexpr RowWidener RowWideners[] = {WidenRowAnyScale, WidenRow<1>, WidenRow<2>, WidenRow<3>, WidenRow<4>,
                                      WidenRow<5>,      WidenRow<6>, WidenRow<7>, WidenRow<8>};
constexpr int WidenedScales = sizeof RowWideners / sizeof RowWideners[0];

// Draws a row of 160 pixels into a memory bitmap as `scale` lines of
// scale x scale squares: what stretch_blit makes of a whole factor, a
// tenth of the work. The row is widened once and copied onto its other
// lines.
void DrawScaledRow(BITMAP* dest, int scale, int row, const uint16_t* pixels, const uint16_t* table) {
  const size_t row_bytes = static_cast<size_t>(ScreenWidth) * scale * sizeof(uint16_t);
  const RowWidener widen = RowWideners[scale < WidenedScales ? scale : 0];
  auto* wide = reinterpret_cast<uint16_t*>(dest->line[row * scale]);
  widen(pixels, wide, scale, table);
  for (int copy = 1; copy < scale; copy++) std::memcpy(dest->line[row * scale + copy], wide, row_bytes);
}

// The text screen's cells in the work bitmap: the built-in 8x8 font on black.
void DrawTextScreen() {
  clear_bitmap(WorkBitmap);
  for (int row = 0; row < TextRows; row++)
    for (int column = 0; column < TextColumns; column++) {
      const char c = ScreenText.cells[row][column];
      if (c == ' ') continue;
      const char glyph[2] = {c, '\0'};
      textout_ex(WorkBitmap, font, glyph, column * FontCell, row * FontCell,
                 ColourPixel(ScreenText.colours[row][column]), -1);
    }
}

// What goes into the back buffer: the picture, the text screen scaled as
// the picture, or the text screen sharp.
enum class Shown { Picture, Text, SharpText };

// The scaled picture, the status and the key's note over it, then onto the
// screen.
void Present(const char* status, Shown shown);

constexpr int SharpTextWithoutWindow = 40;

// The sharp text's cells are the font's size times this.
int SharpTextZoom() { return std::max(1, BackBuffer->w / ScreenWidth / 2); }

}  // namespace

bool CreateBitmaps() {
  WorkBitmap = create_bitmap_ex(ColourDepth, WorkWidth, WorkHeight);
  if (!WorkBitmap) return false;
  clear_bitmap(WorkBitmap);
  return true;
}

namespace {

// A window larger than the screen is made the largest that fits, said
// once on stderr.
void FitWindowToScreen(DisplayMode& mode) {
  int width = 0, height = 0;
  if (mode.fullscreen || get_desktop_resolution(&width, &height) != 0) return;
  const int fits = std::max(1, std::min(width / ScreenWidth, height / ScreenHeight));
  if (mode.scale <= fits) return;
  std::fprintf(stderr, "pellix: a %dx%d window (scale %d) does not fit the %dx%d screen; using scale %d (%dx%d)\n",
               ScreenWidth * mode.scale, ScreenHeight * mode.scale, mode.scale, width, height, fits,
               ScreenWidth * fits, ScreenHeight * fits);
  mode.scale = fits;
}

}  // namespace

bool OpenDisplay(const DisplayMode& mode) {
  const OutsideTheMachine window_system;
  DisplayMode chosen = mode;
  FitWindowToScreen(chosen);
  if (chosen.fullscreen) {
    if (SetMode(chosen)) return true;
    std::fprintf(stderr, "pellix: cannot switch to full screen: %s; using a window\n", allegro_error);
    chosen.fullscreen = false;
    FitWindowToScreen(chosen);
  }
  if (SetMode(chosen)) return true;
  std::fprintf(stderr, "pellix: cannot open a %dx%d window: %s\n", ScreenWidth * chosen.scale,
               ScreenHeight * chosen.scale, allegro_error);
  return false;
}

bool ToggleFullscreen() {
  DisplayMode next = CurrentDisplay;
  next.fullscreen = !next.fullscreen;
  return OpenDisplay(next);
}

void ShowNote(const std::string& text) {
  NoteText = text;
  NoteEnds = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                     std::chrono::duration<double>(NoteSeconds));
}

bool NoteShowing() { return !NoteText.empty() && std::chrono::steady_clock::now() < NoteEnds; }

void PresentFrame() { PresentFrameWithStatus(nullptr); }

void PresentText() {
  if (Headless || !BackBuffer || DisplayLost()) return;
  DrawTextScreen();
  Present(nullptr, Shown::Text);
}

void PresentSharpText() {
  if (Headless || !BackBuffer || DisplayLost()) return;
  DrawTextScreen();
  Present(nullptr, Shown::SharpText);
}

int SharpTextColumns() {
  if (Headless || !BackBuffer) return SharpTextWithoutWindow;
  return BackBuffer->w / (FontCell * SharpTextZoom());
}

void PresentPausedFrame() { PresentFrameWithStatus(PausedText); }

// White 8x8 text on a black box in the picture's top-left corner, larger on
// a large picture: the status on the first line, the key's note under it.
// The picture is put together in the back buffer and goes onto the screen
// in one blit: the window shows it whole, and under X one blit is one
// update of the window where drawing on the screen line by line would send
// one for every line.
void PresentFrameWithStatus(const char* status) {
  if (Headless || !BackBuffer || DisplayLost()) return;
  Present(status, Shown::Picture);
}

namespace {

void Present(const char* status, Shown shown) {
  std::vector<std::string> lines;
  if (status) lines.push_back(status);
  if (NoteShowing()) {
    size_t start = 0;
    for (size_t end; (end = NoteText.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(NoteText.substr(start, end - start));
    lines.push_back(NoteText.substr(start));
  }
  const int scale = BackBuffer->w / ScreenWidth;
  int first = 0, last = ScreenHeight - 1;  // the rows of the picture that go onto the screen
  if (shown == Shown::SharpText) {
    const int zoom = SharpTextZoom();
    const int width = BackBuffer->w / zoom, height = BackBuffer->h / zoom;
    clear_bitmap(BackBuffer);
    stretch_blit(WorkBitmap, BackBuffer, 0, 0, width, height, 0, 0, width * zoom, height * zoom);
    OnScreen.forget();
  } else if (shown == Shown::Text) {
    for (int row = 0; row < ScreenHeight; row++)
      DrawScaledRow(BackBuffer, scale, row, reinterpret_cast<const uint16_t*>(WorkBitmap->line[row]), nullptr);
    OnScreen.forget();
  } else {
    // Only the rows that changed are drawn and sent; a picture with a note
    // over it is drawn whole, and the next one too, where the note was.
    if (!lines.empty()) OnScreen.forget();
    const uint16_t* picture = TheMachine().Picture();
    const bool true_colours = ShowsTrueColours();
    if (!OnScreen.take(picture, true_colours, first, last)) return;  // the window shows it already
    const uint16_t* table = LookPixels(true_colours);
    for (int row = first; row <= last; row++)
      if (OnScreen.changed(row)) DrawScaledRow(BackBuffer, scale, row, picture + row * ScreenWidth, table);
    if (!lines.empty()) OnScreen.forget();
  }
  if (!lines.empty()) {
    const int size = std::max(1, scale / 2);
    int width = 0;
    for (const std::string& line : lines) width = std::max(width, text_length(font, line.c_str()));
    width += 2 * NoteMargin;
    const int line_height = text_height(font);
    const int height = line_height * static_cast<int>(lines.size()) + 2 * NoteMargin;
    if (BITMAP* note = create_bitmap_ex(ColourDepth, width, height)) {
      clear_to_color(note, Black);
      for (size_t i = 0; i < lines.size(); i++)
        textout_ex(note, font, lines[i].c_str(), NoteMargin, NoteMargin + line_height * static_cast<int>(i), White, -1);
      stretch_blit(note, BackBuffer, 0, 0, width, height, NoteMargin * size, NoteMargin * size, width * size,
                   height * size);
      destroy_bitmap(note);
    }
  }
  const OutsideTheMachine window_system;
  blit(BackBuffer, screen, 0, first * scale, PictureX, PictureY + first * scale, BackBuffer->w,
       (last - first + 1) * scale);
}

}  // namespace

// Allegro's vsync() is only simulated under X and waits far too long, and
// a timer of its own would wake a thread of its own to wake this one: the
// frames are paced by sleeping until each deadline instead.
void WaitForFrame() {
  if (Headless) return;
  const OutsideTheMachine waiting;  // the exit work of a lost display may run now, between frames
  std::this_thread::sleep_until(Pace.deadline());
  Pace.frame_taken(FrameClock::Clock::now());
}

bool FrameDue() { return !Headless && Pace.take_if_due(FrameClock::Clock::now()); }

void RestartFrameClock() { Pace.restart(FrameClock::Clock::now()); }

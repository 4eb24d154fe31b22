// Colour cartridges as a user sees them: the true colours of --colour,
// and the tile attributes, palette ports and VRAM DMA that apply in every
// run, through real games and our own test cartridges.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/png.h"
#include "support/run.h"
#include "support/xvfb.h"

namespace {

RgbImage LoadPicture(const std::string& path) {
  RgbImage image;
  std::string error;
  EXPECT_TRUE(ReadPng(path, image, error)) << error;
  return image;
}

// Runs headless for a number of frames; returns the screenshot and leaves
// vram.bin in dir.
RgbImage RunForScreenshot(const std::string& rom, const std::string& frames, bool colour, const std::string& dir) {
  std::vector<std::string> args = {"--headless", "--no-save", "--frames", frames, "--screenshot", "shot.png"};
  if (colour) args.push_back("--colour");
  args.push_back(rom);
  const RunResult r = RunPellix(args, dir);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return LoadPicture(dir + "/shot.png");
}

// Shade 0 (lightest) to 3 of a pixel of the program's greens.
int Shade(const RgbImage& image, int x, int y) {
  const int green = (image.at(x, y) >> 8) & 0xFF;
  return green > 220 ? 0 : green > 150 ? 1 : green > 90 ? 2 : 3;
}

// The results a test cartridge leaves at 0x9C00, from vram.bin.
std::vector<uint8_t> Results(const std::string& dir, size_t count) {
  std::vector<uint8_t> vram = ReadFileBytes(dir + "/vram.bin");
  vram.resize(0x2000);
  return std::vector<uint8_t>(vram.begin() + 0x1C00, vram.begin() + 0x1C00 + count);
}

constexpr uint32_t Black = 0x000000, White = 0xFFFFFF, Red = 0xFF0000, Green = 0x00FF00, Blue = 0x0000FF,
                   Yellow = 0xFFFF00, Magenta = 0xFF00FF, Cyan = 0x00FFFF;

// The green a colour shows as without --colour: the shade nearest its
// brightness (green counts most, blue least).
int ShadeOf(uint32_t colour) {
  switch (colour) {
    case White: case Yellow: return 0;
    case Green: case Cyan: return 1;
    case Red: case Magenta: return 2;
    default: return 3;  // blue, black
  }
}

}  // namespace

// The face drawn with bank-1 tiles, flips, attribute priorities, eight
// palettes of each kind and OAM-order sprite priority, pixel for pixel the
// reference (whose 5-bit channels were widened as the screenshot does).
TEST(ColourPicture, CgbAcid2WithColourShowsTheReferenceAfter60Frames) {
  const std::string dir = MakeTempDir("colour-cgb-acid2");
  const RgbImage shot = RunForScreenshot(RomPath("acid2/cgb-acid2.gbc"), "60", true, dir);
  EXPECT_EQ(ComparePictures(LoadPicture(RomPath("acid2/cgb-acid2-reference.png")), shot), "")
      << "screenshot " << dir << "/shot.png";
}

// The title menu in the game's own colours: a letter of each colour in the
// title, "Game Mode:" in yellow, the menu in white, all on black.
TEST(ColourPicture, GeometrixTitleInColour) {
  const std::string dir = MakeTempDir("colour-geometrix");
  const RgbImage shot = RunForScreenshot(CopyCartridgeInto(RomPath("homebrew/geometrix.gbc"), dir), "300", true, dir);
  ASSERT_EQ(shot.width, 160);
  const struct {
    int x, y;
    uint32_t colour;
    const char* what;
  } pixels[] = {{0, 0, Black, "background"},   {159, 143, Black, "background"}, {12, 36, Red, "G"},
                {36, 36, Green, "e"},          {51, 36, Cyan, "o"},             {67, 36, Yellow, "m"},
                {107, 36, Blue, "t"},          {115, 36, Magenta, "r"},         {41, 67, Yellow, "Game Mode:"},
                {27, 75, White, "Clear Screen"}};
  for (const auto& p : pixels)
    EXPECT_EQ(shot.at(p.x, p.y), p.colour) << p.what << " at (" << p.x << ", " << p.y << "), " << dir << "/shot.png";
}

// Libbet in play, as a player sees it with and without --colour: the green
// picture is the colour picture by brightness. Every colour shows as one
// green, a brighter colour never as a darker green than a dimmer one, and
// the level (its walls, floor tiles and the score line) stands out in at
// least three greens rather than one solid field.
TEST(ColourPicture, LibbetInPlayShowsItsLevelInTheGreens) {
  const std::string dir = MakeTempDir("colour-libbet-greens");
  const std::string keys = "0 -\n420 start\n426 -\n";  // Start on the story page
  WriteFileBytes(dir + "/keys.txt", std::vector<uint8_t>(keys.begin(), keys.end()));
  const std::string rom = RomPath("homebrew/libbet.gb");
  for (const char* look : {"greens.png", "colour.png"}) {
    std::vector<std::string> args = {"--headless", "--no-save", "--input", "keys.txt", "--frames", "540",
                                     "--screenshot", look, rom};
    if (std::string(look) == "colour.png") args.insert(args.begin(), "--colour");
    const RunResult r = RunPellix(args, dir);
    ASSERT_EQ(r.exit_code, 0) << r.err;
  }
  const RgbImage greens = LoadPicture(dir + "/greens.png"), colour = LoadPicture(dir + "/colour.png");
  ASSERT_EQ(greens.width, 160);
  ASSERT_EQ(colour.width, 160);
  auto brightness = [](uint32_t c) { return 299 * (c >> 16) + 587 * ((c >> 8) & 0xFF) + 114 * (c & 0xFF); };
  std::map<uint32_t, int> shade_of;  // each colour of the colour picture -> the shade it shows as
  std::set<int> shades;
  for (int y = 0; y < 144; y++) {
    for (int x = 0; x < 160; x++) {
      const int shade = Shade(greens, x, y);
      const auto [at, first] = shade_of.emplace(colour.at(x, y), shade);
      ASSERT_EQ(at->second, shade) << "one colour, two greens: at (" << x << ", " << y << ")";
      shades.insert(shade);
    }
  }
  EXPECT_GE(shades.size(), 3u) << "the level in at least three greens, " << dir << "/greens.png";
  EXPECT_GE(shade_of.size(), 4u) << "the colour picture shows the level, " << dir << "/colour.png";
  for (const auto& [lighter, lighter_shade] : shade_of) {
    for (const auto& [darker, darker_shade] : shade_of) {
      if (brightness(lighter) > brightness(darker)) {
        EXPECT_LE(lighter_shade, darker_shade) << std::hex << lighter << " is brighter than " << darker;
      }
    }
  }
}

// See colour_tiles.s. In true colours each case shows in the cartridge's
// palettes; in the greens the same picture shows each colour as the green
// nearest its brightness.
TEST(ColourPicture, AttributesPrioritiesAndOverlapsOfOurCartridge) {
  for (const bool colour : {true, false}) {
    SCOPED_TRACE(colour ? "--colour" : "greens");
    const std::string dir = MakeTempDir(colour ? "colour-tiles" : "colour-tiles-greens");
    const RgbImage shot = RunForScreenshot(TestRomPath("colour_tiles"), "10", colour, dir);
    ASSERT_EQ(shot.width, 160);
    // Background colours 0-3 and sprite colour 3 of palettes 0 and 2.
    const uint32_t bg[4] = {White, Red, Green, Blue};
    // Colour number n, shown as bg[n] unless another true colour is given.
    auto expect = [&](int x, int y, int n, const char* what, int64_t true_colour = -1) {
      const uint32_t wanted = true_colour >= 0 ? static_cast<uint32_t>(true_colour) : bg[n];
      if (colour) EXPECT_EQ(shot.at(x, y), wanted) << what << " at (" << x << ", " << y << ")";
      else EXPECT_EQ(Shade(shot, x, y), ShadeOf(wanted)) << what << " at (" << x << ", " << y << ")";
    };
    expect(0, 0, 3, "tile 1 as it is: its top-left pixel");
    expect(1, 0, 1, "tile 1 as it is");
    expect(12, 4, 2, "bank 1");
    expect(23, 0, 3, "horizontal flip");
    expect(16, 0, 1, "horizontal flip");
    expect(24, 7, 3, "vertical flip");
    expect(24, 0, 1, "vertical flip");
    expect(39, 7, 3, "both flips");
    expect(32, 0, 1, "both flips");
    expect(41, 1, 1, "palette 1", Yellow);
    expect(2, 18, 3, "sprite over colour 0 with the priority bit", Black);
    expect(6, 18, 1, "colour 1 with the priority bit over a sprite");
    expect(9, 18, 3, "behind sprite over colour 0", Black);
    expect(13, 18, 1, "colour 1 over a behind sprite");
    expect(21, 18, 3, "front sprite over colour 1", Black);
    expect(6, 34, 3, "LCDC bit 0 clear: the sprite over the priority bit", Black);
    expect(13, 34, 3, "LCDC bit 0 clear: the behind sprite over colour 1", Black);
    expect(17, 34, 0, "LCDC bit 0 clear: the background still drawn");
    expect(21, 34, 1, "LCDC bit 0 clear: the background still drawn");
    expect(41, 50, 3, "the earlier OAM entry wins the overlap", Black);
    expect(37, 50, 3, "the later entry outside the overlap", Magenta);
    expect(100, 100, 0, "empty");
  }
}

// See vram_dma.s: the timer ticks across two general copies, 0xFF55 during
// and after an H-blank copy, the bytes that copy moved, and the tiles the
// general copy put in place.
TEST(ColourPicture, VramDmaCopiesWaitsAndReadsBack) {
  const std::string dir = MakeTempDir("colour-vram-dma");
  const RgbImage shot = RunForScreenshot(TestRomPath("vram_dma"), "10", false, dir);
  const std::vector<uint8_t> got = Results(dir, 9);
  ASSERT_EQ(got[8], 0xD0) << "the cartridge went through every step";
  const int extra_ticks = got[1] - got[0];
  EXPECT_GE(extra_ticks, 127) << "64 blocks more cost 512 machine cycles: 128 ticks of 4";
  EXPECT_LE(extra_ticks, 129);
  const uint8_t hblank[5] = {0x07, 0x06, 0x05, 0x04, 0xFF};
  for (int i = 0; i < 5; i++)
    EXPECT_EQ(got[2 + i], hblank[i]) << (i < 4 ? "0xFF55 at the start of line " : "0xFF55 after the stop on line ")
                                     << (i < 4 ? i : 3);
  EXPECT_EQ(got[7], 0xFF) << "after a general copy";

  const std::vector<uint8_t> vram = ReadFileBytes(dir + "/vram.bin");
  ASSERT_GE(vram.size(), 0x900u);
  for (int i = 0; i < 48; i++) ASSERT_EQ(vram[0x800 + i], i) << "byte " << i << " of the H-blank copy";
  EXPECT_EQ(vram[0x800 + 48], 0) << "three blocks, one per H-blank, before the stop";
  EXPECT_EQ(Shade(shot, 3, 3), 3) << "tile 1 from the general copy";
  EXPECT_EQ(Shade(shot, 11, 3), 1) << "tile 2 from the general copy";
  EXPECT_EQ(Shade(shot, 19, 3), 0);
}

// See palette_ports.s.
TEST(ColourPicture, PalettePortsIndexAutoIncrementAndReadBack) {
  const std::string dir = MakeTempDir("colour-palette-ports");
  RunForScreenshot(TestRomPath("palette_ports"), "5", false, dir);
  const std::vector<uint8_t> got = Results(dir, 13);
  ASSERT_EQ(got[12], 0xD0) << "the cartridge went through every step";
  const struct {
    uint8_t expected;
    const char* what;
  } cases[] = {{0xC1, "0xFF68 after three writes from index 62: wrapped to 1"},
               {0x11, "0xFF69 at 62"},
               {0x7E, "0xFF68 after a read of 0xFF69"},
               {0x22, "0xFF69 at 63"},
               {0x33, "0xFF69 at 0"},
               {0x7F, "0xFF69 at 1: white's high byte"},
               {0xC7, "0xFF6A after two writes from index 5"},
               {0x66, "0xFF6B at 5"},
               {0x77, "0xFF6B at 6"},
               {0x7F, "0xFF69 at 5: a memory of its own"},
               {0x55, "two writes without auto-increment: the second stays"},
               {0x7F, "0xFF68 without auto-increment"}};
  for (size_t i = 0; i < std::size(cases); i++) EXPECT_EQ(got[i], cases[i].expected) << cases[i].what;
}

// colour = yes under [video] in the configuration file does what --colour
// does: a windowed run's screenshot of cgb-acid2 is its reference.
TEST(ColourPictureWindow, ConfigurationFileColourYesDrawsTrueColours) {
  XvfbServer x;
  ASSERT_TRUE(x.ok()) << "Xvfb did not start";
  const std::string dir = MakeTempDir("colour-window-config");
  const std::string config = dir + "-config";
  std::filesystem::create_directories(config + "/pellix");
  const std::string text = "[video]\ncolour = yes\n";
  WriteFileBytes(config + "/pellix/pellix.cfg", std::vector<uint8_t>(text.begin(), text.end()));
  std::map<std::string, std::string> env = x.env();
  env["XDG_CONFIG_HOME"] = config;
  BackgroundRun run = StartPellix({"--no-save", "--frames", "90", "--screenshot", "shot.png",
                                   RomPath("acid2/cgb-acid2.gbc")}, dir, env);
  const std::string window = FindWindow(x, 20);
  ASSERT_FALSE(window.empty()) << DescribeRun(run, x);
  ASSERT_TRUE(WaitForPicture(x, window, 20)) << "the information screen is drawn";
  HoldKey(x, window, "Return", 0.2);
  int code = -1;
  ASSERT_TRUE(WaitForExit(run, 30, code)) << "90 frames take 1.5 s";
  ASSERT_EQ(code, 0) << ReadErrors(run);
  EXPECT_EQ(ComparePictures(LoadPicture(RomPath("acid2/cgb-acid2-reference.png")), LoadPicture(dir + "/shot.png")),
            "")
      << "screenshot " << dir << "/shot.png";
}

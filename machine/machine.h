// The console as one object, the one header a front end includes.
//
// A front end makes a Machine (as many as it likes, on as many threads: they
// share nothing), puts a cartridge in, and runs it a frame at a time with the
// buttons held, taking the picture, the sound and the bytes sent through the
// serial port after each frame. The machine never touches a window, a file
// or a clock of the host: the host's clock is handed in, files are read and
// written by the front end as bytes.
//
//   Machine machine;
//   machine.SetHostClock(SystemMillis);
//   if (!machine.LoadCartridge(bytes.data(), bytes.size(), "game.gb", &error)) ...
//   machine.SetSampleRate(22050);
//   while (playing) {
//     machine.RunFrame(buttons);
//     show(machine.Picture());
//     play(samples, machine.TakeSamples(samples, MaxFrames));
//   }
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Console;

// The console's eight buttons as the bits RunFrame takes: 1 = pressed.
enum Button : uint8_t {
  ButtonA = 0x01,
  ButtonB = 0x02,
  ButtonSelect = 0x04,
  ButtonStart = 0x08,
  ButtonRight = 0x10,
  ButtonLeft = 0x20,
  ButtonUp = 0x40,
  ButtonDown = 0x80,
};

// Stereo pairs per second of the sound unless SetSampleRate chooses another.
constexpr long DefaultSampleRate = 22050;

constexpr int ScreenWidth = 160;
constexpr int ScreenHeight = 144;
// Frames per second of the console's picture: 4194304 / 70224.
constexpr double ConsoleFrameRate = 4194304.0 / 70224.0;

// What the cartridge's header says, as a player reads it, and what loading
// found beside the image.
struct CartridgeInfo {
  std::string title;       // from the header; empty when it has none
  std::string controller;  // the type by name: "MBC5 + RAM + battery"
  uint8_t type = 0;        // header byte 0x147
  int mapper = 0;          // the controller PELLIX runs: 0 none, 1 MBC1, 2 MBC2, 3 MBC3, 5 MBC5
  uint8_t rom_size_code = 0, ram_size_code = 0;  // header bytes 0x148 and 0x149
  int max_bank = 0;        // the mask of every ROM bank number
  bool supported = true;   // false: a controller PELLIX lacks; the cartridge runs without it
  bool battery = false;    // its RAM (and clock) survive power-off: a save file keeps them
  bool clock = false;      // MBC3 with the real-time clock
  bool rumble = false;
  bool colour = false;     // made for the colour console (header byte 0x143 bit 7)
  long ram_bytes = 0;      // bytes of cartridge RAM
  uint32_t crc = 0;        // CRC-32 of the image as padded: states name their cartridge by it
  uint8_t title_bytes[16] = {};  // the header's title bytes as they are, for state files
  // One line for each thing about the file the console itself would object
  // to (a header it would refuse, bytes missing), and which member of an
  // archive runs.
  std::vector<std::string> notes;
};

// The processor's registers, for a front end that shows or checks them.
struct Registers {
  uint8_t A, F, B, C, D, E, H, L;
  uint16_t SP, PC;
  uint8_t opcode;  // the opcode the processor stands on (the unknown one, once stopped)
  bool ime;
};

// A 15-bit colour of the picture (red in bits 0-4, green 5-9, blue 10-14)
// as the looks show it. The green shades: each colour as the one of the
// four greens of the original handheld's screen nearest to it in
// brightness (monochrome shades each their own green); the true colours:
// the colour itself. As 16-bit 5-6-5 pixels (green's five bits at the top
// of its six, so that the colour reads back exactly) and as 8-bit RGB (each
// 5-bit channel c as (c * 255 + 15) / 31 in true colours; the greens'
// 5-6-5 pixels widened by repeating their top bits).
uint16_t ColourPixel(int colour);                 // the true colour as a 5-6-5 pixel
const uint16_t* LookPixels(bool true_colours);    // all 0x8000 colours as 5-6-5 pixels
void LookRgb(uint16_t colour, bool true_colours, uint8_t rgb[3]);

class Machine {
 public:
  Machine();
  ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // ---- The cartridge -------------------------------------------------------

  // Puts in the cartridge of a file's bytes: a plain image, a gzip file or
  // a ZIP archive (its first member that is a cartridge), told apart by
  // `name`'s extension or by the bytes; `name` (may be null) is otherwise
  // only for messages. A file whose header has neither the logo nor the
  // right checksum is refused, and so is an image over 8 MiB. On success
  // the machine is reset with the new cartridge, its RAM empty; on failure
  // (false, with *error) the machine keeps what it had.
  bool LoadCartridge(const uint8_t* data, size_t size, const char* name, std::string* error);
  const CartridgeInfo& Cartridge() const;

  // The console as when the cartridge was put in; its RAM and clock stay.
  void Reset();

  // ---- Running -------------------------------------------------------------

  // Runs one frame of the LCD, from where the last one ended (the start of
  // V-blank) to the next: the buttons are held from the top of the picture
  // (line 0) on. Returns true when the frame ended, false when the
  // processor has stopped on an opcode it does not have (at once, once it
  // has).
  bool RunFrame(uint8_t buttons);
  // The buttons held from now on, until the next frame's start: for a front
  // end that reads them between frames and lets the game's V-blank code see
  // them at once.
  void HoldButtons(uint8_t buttons);
  // Whether the processor has stopped, and on what ("Unknown Op 0xD3 at
  // 0x4150 (ROM bank 3)").
  bool Stopped() const;
  const char* StopText() const;
  // Frames ended since the machine was made (whatever states it loaded).
  long FramesFinished() const;

  // 160 x 144 colours, row by row, each the colour model's 15-bit colour as
  // palette memory holds it (red bits 0-4, green 5-9, blue 10-14): the
  // colours the cartridge chose, a monochrome cartridge's shades as four
  // greys (0x7FFF, 0x56B5, 0x294A, 0). Valid until the next frame runs.
  const uint16_t* Picture() const;

  // ---- Sound ---------------------------------------------------------------

  // The rate of the samples in stereo pairs per second (22050 unless set).
  // Null, or why it cannot be had.
  const char* SetSampleRate(long pairs_per_second);
  // Takes up to max_pairs stereo pairs (left, right) of the frames run, the
  // oldest first; returns how many. Samples nobody takes are dropped, the
  // oldest first, once about 0.7 seconds wait.
  size_t TakeSamples(int16_t* stereo, size_t max_pairs);
  size_t SamplesWaiting() const;  // stereo pairs

  // ---- The serial port -----------------------------------------------------

  // While listening, each byte the cartridge sends through the serial port
  // is kept until taken (test cartridges print their results this way).
  void ListenToSerial(bool listen);
  std::vector<uint8_t> TakeSerial();

  // ---- Battery RAM and clock -----------------------------------------------

  // The save file's bytes as other programs write them: the cartridge RAM,
  // bank 0 first, then for an MBC3 clock 48 bytes of clock (its registers
  // and the host time of the save). Empty for a cartridge without battery.
  std::vector<uint8_t> BatterySave();
  // Puts a save file's bytes into the RAM and clock, as far as they fit;
  // the clock runs on by the host time since the save. False when the size
  // is not one this cartridge's saves have (the bytes that fit are taken).
  bool LoadBatterySave(const uint8_t* data, size_t size);
  // Whether the game wrote its RAM or clock since the last call.
  bool TakeBatteryWritten();
  // The cartridge RAM itself, for a front end that keeps it in place (a
  // libretro front end writes its save there); after writing it, call
  // CartridgeRamWritten so that the chip's mirrored copies follow.
  uint8_t* CartridgeRam();
  size_t CartridgeRamSize() const;
  // Where in it the bank shown at 0xA000 starts; -1 while the window shows
  // no RAM (disabled, absent, a clock register).
  long ShownCartridgeRam() const;
  void CartridgeRamWritten();
  // The clock's part of the save alone (its last ClockSaveBytes bytes), for
  // a front end that keeps it apart from the RAM; loading it lets the clock
  // run on by the host time since it was saved. False for another size or
  // a cartridge without a clock.
  static constexpr size_t ClockSaveBytes = 48;
  void SaveClock(uint8_t* out);
  bool LoadClock(const uint8_t* data, size_t size);
  // The host's clock in milliseconds since the Unix epoch, which the MBC3
  // clock keeps to (without one it stands still).
  void SetHostClock(int64_t (*millis)());

  // ---- States --------------------------------------------------------------

  // The whole machine as bytes (the same bytes for the same machine, however
  // often it was looked at), and back. A state is checked whole before the
  // machine is touched: one that is short, too long, of another cartridge's
  // RAM size or that holds a value the machine cannot have is refused
  // (false) and the machine stays as it was. After a load the cartridge RAM
  // counts as written.
  std::vector<uint8_t> SaveState();
  void SaveState(std::vector<uint8_t>& out);  // into out, whose memory is reused
  bool LoadState(const uint8_t* data, size_t size);
  // The layout's number: states of another number are refused.
  static uint32_t StateFormat();
  // The most bytes a state of this cartridge takes when it is taken between
  // frames with every finished sample taken (a front end that wants states
  // of one size pads them to this).
  size_t MostStateBytes();

  // ---- Looking inside ------------------------------------------------------

  Registers CpuRegisters() const;
  // A byte as the bus reads it now, without the locks of the LCD and without
  // any effect (a register reads as the processor would find it).
  uint8_t Peek(uint16_t address);
  // Video RAM (both banks, 16 KiB) and work RAM (all banks, 32 KiB).
  uint8_t* VideoRam();
  uint8_t* WorkRam();
  uint8_t* HighRam();  // 127 bytes from 0xFF80
  uint8_t* InterruptEnable();
  // The LCD's line now, and the address of the latest write into video RAM.
  int Line();
  uint16_t LastVideoRamWrite() const;
  // The instruction at the address as the register display shows it:
  // "$0150 JP $0185".
  std::string Disassemble(uint16_t address);

  // Every instruction as a trace line (its registers and CR LF included)
  // handed to the sink, while `all` is set or the frame's `key_held` is.
  void SetTraceSink(void (*sink)(void* context, const char* line, size_t length), void* context);
  void SetTracing(bool all, bool key_held);
  // Called after each LD B,B (opcode 0x40), the breakpoint test cartridges
  // use; null for none.
  void SetBreakpointHook(void (*hook)(void* context), void* context);

  // The units themselves, for tests and tools that look inside
  // (machine/console.h).
  Console& console() { return *console_; }

 private:
  std::unique_ptr<Console> console_;
  CartridgeInfo info_;
  void DescribeCartridge();
};

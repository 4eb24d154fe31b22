// The public face of the console: each call reaches the units through the
// Console the machine owns.
#include "machine/machine.h"

#include <algorithm>

#include "cpu/cpu.h"
#include "cpu/operands.h"
#include "machine/clock.h"
#include "machine/state.h"
#include "memory/bank_controllers.h"
#include "memory/bus.h"
#include "memory/mbc3_clock.h"

Machine::Machine() : console_(std::make_unique<Console>()) {}

Machine::~Machine() = default;

bool Machine::LoadCartridge(const uint8_t* data, size_t size, const char* name, std::string* error) {
  Console& m = *console_;
  const char* failure = nullptr;
  CartridgeLoad load;
  if (LoadCartridgeFromMemory(m, name, data, static_cast<long>(size), &failure, &load) != 0) {
    if (error) *error = failure ? failure : "cannot load the cartridge";
    return false;
  }
  info_.notes = load.notes();
  DescribeCartridge();
  ResetMachine(m);
  return true;
}

// Everything but the notes of the load, which stay.
void Machine::DescribeCartridge() {
  const ::Cartridge& cart = console_->cart;
  info_.title = HeaderTitle(cart.rom, cart.rom_size);
  info_.controller = ControllerName(cart.type);
  info_.type = cart.type;
  info_.mapper = cart.mapper;
  info_.rom_size_code = cart.rom_size_code;
  info_.ram_size_code = cart.ram_size_code;
  info_.max_bank = cart.max_bank;
  info_.supported = cart.supported;
  info_.battery = cart.has_battery;
  info_.clock = cart.has_clock;
  info_.rumble = cart.has_rumble;
  info_.colour = cart.rom_size > 0x143 && (cart.rom[0x143] & 0x80);
  info_.ram_bytes = cart.ram_bytes;
  info_.crc = cart.crc;
  std::copy(cart.rom + 0x134, cart.rom + 0x144, info_.title_bytes);
}

const CartridgeInfo& Machine::Cartridge() const { return info_; }

// The cartridge is described again, for one that tests or tools put in
// through the console itself.
void Machine::Reset() {
  if (!console_->cart.rom) return;
  DescribeCartridge();
  ResetMachine(*console_);
}

bool Machine::RunFrame(uint8_t buttons) {
  console_->io.joypad_next_frame = buttons;
  return ::RunFrame(*console_);
}

void Machine::HoldButtons(uint8_t buttons) { console_->io.joypad_held = console_->io.joypad_next_frame = buttons; }

bool Machine::Stopped() const { return console_->cpu.frozen; }

const char* Machine::StopText() const { return console_->cpu.frozen ? console_->cpu.unknown_opcode_text : ""; }

long Machine::FramesFinished() const { return console_->lcd.frames_finished; }

const uint16_t* Machine::Picture() const { return &console_->renderer.picture[0][0]; }

const char* Machine::SetSampleRate(long pairs_per_second) { return console_->sound.set_sample_rate(pairs_per_second); }

size_t Machine::TakeSamples(int16_t* stereo, size_t max_pairs) {
  return static_cast<size_t>(console_->sound.buffer.read_samples(stereo, static_cast<long>(2 * max_pairs)) / 2);
}

size_t Machine::SamplesWaiting() const { return static_cast<size_t>(console_->sound.buffer.samples_available() / 2); }

void Machine::ListenToSerial(bool listen) {
  console_->serial.listening = listen;
  if (!listen) console_->serial.sent.clear();
}

std::vector<uint8_t> Machine::TakeSerial() {
  std::vector<uint8_t> sent;
  sent.swap(console_->serial.sent);
  return sent;
}

std::vector<uint8_t> Machine::BatterySave() {
  Console& m = *console_;
  if (!m.cart.has_battery) return {};
  std::vector<uint8_t> bytes(m.mem.cart_ram, m.mem.cart_ram + m.cart.ram_bytes);
  if (m.cart.has_clock) {
    bytes.resize(static_cast<size_t>(m.cart.ram_bytes + Mbc3ClockSaveBytes));
    SaveMbc3Clock(m, bytes.data() + m.cart.ram_bytes);
  }
  return bytes;
}

bool Machine::LoadBatterySave(const uint8_t* data, size_t size) {
  Console& m = *console_;
  const long bytes = static_cast<long>(size);
  const long ram = std::min(bytes, m.cart.ram_bytes);
  std::copy(data, data + ram, m.mem.cart_ram);
  CartRamFilled(m);
  if (bytes == m.cart.ram_bytes) return true;
  return m.cart.has_clock && LoadMbc3Clock(m, data + m.cart.ram_bytes, bytes - m.cart.ram_bytes);
}

bool Machine::TakeBatteryWritten() {
  const bool written = console_->mbc.ram_written;
  console_->mbc.ram_written = 0;
  return written;
}

uint8_t* Machine::CartridgeRam() { return console_->mem.cart_ram; }

size_t Machine::CartridgeRamSize() const { return static_cast<size_t>(console_->cart.ram_bytes); }

long Machine::ShownCartridgeRam() const {
  const long at = console_->mem.cart_ram_bank - console_->mem.cart_ram;
  return at >= 0 && at < CartRamSize ? at : -1;
}

void Machine::CartridgeRamWritten() { CartRamFilled(*console_); }

void Machine::SaveClock(uint8_t* out) {
  if (console_->cart.has_clock) SaveMbc3Clock(*console_, out);
}

bool Machine::LoadClock(const uint8_t* data, size_t size) {
  return console_->cart.has_clock && LoadMbc3Clock(*console_, data, static_cast<long>(size));
}

void Machine::SetHostClock(int64_t (*millis)()) { console_->rtc.host_millis = millis; }

std::vector<uint8_t> Machine::SaveState() {
  std::vector<uint8_t> state;
  SaveState(state);
  return state;
}

void Machine::SaveState(std::vector<uint8_t>& out) { SaveMachineState(*console_, out); }

bool Machine::LoadState(const uint8_t* data, size_t size) { return LoadMachineState(*console_, data, size); }

uint32_t Machine::StateFormat() { return MachineStateFormat; }

// A state's length changes only with the sound buffers' entries that are not
// silence, which are kept in it. Between two frames a front end that takes
// the samples leaves in each of the three buffers at most the kernel tails
// after the finished samples.
size_t Machine::MostStateBytes() {
  std::vector<uint8_t> state;
  SaveState(state);
  size_t entries = 0;
  for (const SampleBuffer& buffer : console_->sound.buffer.bufs) entries += static_cast<size_t>(buffer.entries_saved());
  constexpr size_t MostEntries = 3 * (KernelTailEntries + 1);
  return state.size() - entries * sizeof(uint16_t) + MostEntries * sizeof(uint16_t);
}

Registers Machine::CpuRegisters() const {
  const Cpu& cpu = console_->cpu;
  return Registers{cpu.A, cpu.F, cpu.B, cpu.C, cpu.D, cpu.E, cpu.H, cpu.L, cpu.SP, cpu.PC, cpu.Opcode, cpu.IME != 0};
}

uint8_t Machine::Peek(uint16_t address) { return BusRead(*console_, address); }

uint8_t* Machine::VideoRam() { return console_->mem.video_ram; }

uint8_t* Machine::WorkRam() { return console_->mem.work_ram; }

uint8_t* Machine::HighRam() { return console_->mem.high_ram; }

uint8_t* Machine::InterruptEnable() { return &console_->io.IE; }

int Machine::Line() {
  LcdSync(*console_);
  return console_->lcd.LY;
}

uint16_t Machine::LastVideoRamWrite() const { return console_->mem.last_vram_write; }

std::string Machine::Disassemble(uint16_t address) {
  char text[DisassemblyTextSize];
  DisassembleLine(*console_, address, text);
  return text;
}

void Machine::SetTraceSink(void (*sink)(void*, const char*, size_t), void* context) {
  console_->trace.sink = sink;
  console_->trace.sink_context = context;
}

void Machine::SetTracing(bool all, bool key_held) {
  console_->trace.all = all;
  console_->trace.key_held = key_held;
}

void Machine::SetBreakpointHook(void (*hook)(void*), void* context) {
  console_->trace.breakpoint = hook;
  console_->trace.breakpoint_context = context;
}

// The processor step and the base instruction set: one handler per opcode,
// reached through a 256-entry table. Each handler advances PC past its own
// bytes or loads PC itself.
#include <algorithm>
#include <cstdio>

#include "cpu/alu.h"
#include "cpu/cpu.h"
#include "cpu/operands.h"
#include "cpu/registers.h"
#include "debug/disassembler.h"
#include "memory/bus.h"
#include "memory/io_registers.h"
#include "machine/clock.h"
#include "video/lcd_timing.h"


namespace {

using Handler = void (*)(Console&);

// The byte after a 0xCB prefix, fetched by the step and used by the prefix
// handler.

// A read of code, a cycle like any read. Code runs from the cartridge's
// ROM or from work RAM nearly always: those windows are reached by a few
// well-predicted tests rather than through the bus's full decoding.
inline uint8_t FetchByte(Console& m, int address) {
  ++m.clock.cycles;
  if (m.oam_dma.active) return OamDmaRead(m, address);
  address &= 0xFFFF;
  if (address < 0x8000) return address < 0x4000 ? m.mem.rom_bank0[address] : m.mem.rom_bank[address - 0x4000];
  if ((address >> 13) == 0xC000 >> 13)
    return address < 0xD000 ? m.mem.wram_bank0[address - 0xC000] : m.mem.wram_bank[address - 0xD000];
  return ProcessorRead(m, address);
}

inline uint8_t ImmediateByte(Console& m) { return FetchByte(m, m.cpu.PC + 1); }

// Low byte first, a cycle each.
inline uint16_t ImmediateWord(Console& m) {
  const uint8_t low = FetchByte(m, m.cpu.PC + 1);
  return static_cast<uint16_t>(FetchByte(m, m.cpu.PC + 2) << 8 | low);
}

// Branch conditions by their 2-bit code: NZ, Z, NC, C.
constexpr int CondNZ = 0, CondZ = 1, CondNC = 2, CondC = 3;

template <int cc>
inline bool Condition(Console& m) {
  if constexpr (cc == CondNZ) return !(m.cpu.F & FlagZ);
  else if constexpr (cc == CondZ) return m.cpu.F & FlagZ;
  else if constexpr (cc == CondNC) return !(m.cpu.F & FlagC);
  else return m.cpu.F & FlagC;
}

// The eight operations of 0x80-0xBF and of the immediate forms, by bits 5-3.
constexpr int OpAdd = 0, OpAdc = 1, OpSub = 2, OpSbc = 3, OpAnd = 4, OpXor = 5, OpOr = 6, OpCp = 7;

template <int kind>
inline void Arithmetic(Console& m, uint8_t v) {
  if constexpr (kind == OpAdd) Add8(m, m.cpu.A, v);
  else if constexpr (kind == OpAdc) Adc8(m, m.cpu.A, v);
  else if constexpr (kind == OpSub) Sub8(m, m.cpu.A, v);
  else if constexpr (kind == OpSbc) Sbc8(m, m.cpu.A, v);
  else if constexpr (kind == OpAnd) And8(m, m.cpu.A, v);
  else if constexpr (kind == OpXor) Xor8(m, m.cpu.A, v);
  else if constexpr (kind == OpOr) Or8(m, m.cpu.A, v);
  else Cp8(m, m.cpu.A, v);
}

// ---- Loads -------------------------------------------------------------

template <int d, int s>
void LdRR(Console& m) {
  if constexpr (d != s) WriteOperand<d>(m, ReadOperand<s>(m));
  m.cpu.PC += 1;
}

template <int r>
void LdRImm(Console& m) {
  WriteOperand<r>(m, ImmediateByte(m));
  m.cpu.PC += 2;
}

template <int p>
void LdPairImm(Console& m) {
  WritePair<p>(m, ImmediateWord(m));
  m.cpu.PC += 3;
}

template <int p>
void LdAtPairA(Console& m) {
  CpuWrite(m, ReadPair<p>(m), m.cpu.A);
  m.cpu.PC += 1;
}

template <int p>
void LdAAtPair(Console& m) {
  m.cpu.A = CpuRead(m, ReadPair<p>(m));
  m.cpu.PC += 1;
}

// LD (HL+),A / LD (HL-),A and back: HL steps after the access.
template <int step>
void LdAtHlStepA(Console& m) {
  const uint16_t hl = ReadHL(m);
  CpuWrite(m, hl, m.cpu.A);
  WriteHL(m, static_cast<uint16_t>(hl + step));
  m.cpu.PC += 1;
}

template <int step>
void LdAAtHlStep(Console& m) {
  const uint16_t hl = ReadHL(m);
  m.cpu.A = CpuRead(m, hl);
  WriteHL(m, static_cast<uint16_t>(hl + step));
  m.cpu.PC += 1;
}

void LdAtNnSp(Console& m) {
  const uint16_t nn = ImmediateWord(m);
  CpuWrite(m, nn, m.cpu.SP & 0xFF);
  CpuWrite(m, nn + 1, m.cpu.SP >> 8);
  m.cpu.PC += 3;
}

void LdhAtNA(Console& m) {
  CpuWriteHigh(m, ImmediateByte(m), m.cpu.A);
  m.cpu.PC += 2;
}

void LdhAAtN(Console& m) {
  m.cpu.A = CpuReadHigh(m, ImmediateByte(m));
  m.cpu.PC += 2;
}

void LdAtCA(Console& m) {
  CpuWriteHigh(m, m.cpu.C, m.cpu.A);
  m.cpu.PC += 1;
}

void LdAAtC(Console& m) {
  m.cpu.A = CpuReadHigh(m, m.cpu.C);
  m.cpu.PC += 1;
}

void LdAtNnA(Console& m) {
  CpuWrite(m, ImmediateWord(m), m.cpu.A);
  m.cpu.PC += 3;
}

void LdAAtNn(Console& m) {
  m.cpu.A = CpuRead(m, ImmediateWord(m));
  m.cpu.PC += 3;
}

void LdSpHl(Console& m) {
  IdleCycle(m);
  m.cpu.SP = ReadHL(m);
  m.cpu.PC += 1;
}

void LdHlSpOffset(Console& m) {
  WriteHL(m, SpPlusOffset(m, ImmediateByte(m)));
  IdleCycle(m);
  m.cpu.PC += 2;
}

// ---- Stack -------------------------------------------------------------

template <int p>
void PushPair(Console& m) {
  IdleCycle(m);
  Push16(m, ReadPair<p>(m));
  m.cpu.PC += 1;
}

template <int p>
void PopPair(Console& m) {
  WritePair<p>(m, Pop16(m));
  m.cpu.PC += 1;
}

// ---- 8-bit arithmetic ----------------------------------------------------

template <int r>
void IncR(Console& m) {
  ModifyOperand<r>(m, [&m](uint8_t& v) { Inc8(m, v); });
  m.cpu.PC += 1;
}

template <int r>
void DecR(Console& m) {
  ModifyOperand<r>(m, [&m](uint8_t& v) { Dec8(m, v); });
  m.cpu.PC += 1;
}

template <int kind, int r>
void AluR(Console& m) {
  Arithmetic<kind>(m, ReadOperand<r>(m));
  m.cpu.PC += 1;
}

template <int kind>
void AluImm(Console& m) {
  Arithmetic<kind>(m, ImmediateByte(m));
  m.cpu.PC += 2;
}

void DaaA(Console& m) {
  Daa(m, m.cpu.A);
  m.cpu.PC += 1;
}

void CplA(Console& m) {
  Cpl(m, m.cpu.A);
  m.cpu.PC += 1;
}

void SetCarry(Console& m) {
  Scf(m);
  m.cpu.PC += 1;
}

void ComplementCarry(Console& m) {
  Ccf(m);
  m.cpu.PC += 1;
}

// RLCA, RRCA, RLA and RRA: the CB rotates on A, except that Z is always cleared.
template <void (*rotate)(Console&, uint8_t&)>
void RotateA(Console& m) {
  rotate(m, m.cpu.A);
  m.cpu.F &= static_cast<uint8_t>(~FlagZ);
  m.cpu.PC += 1;
}

// ---- 16-bit arithmetic ---------------------------------------------------

template <int p>
void IncPair(Console& m) {
  IdleCycle(m);
  WritePair<p>(m, static_cast<uint16_t>(ReadPair<p>(m) + 1));
  m.cpu.PC += 1;
}

template <int p>
void DecPair(Console& m) {
  IdleCycle(m);
  WritePair<p>(m, static_cast<uint16_t>(ReadPair<p>(m) - 1));
  m.cpu.PC += 1;
}

template <int p>
void AddHlPair(Console& m) {
  IdleCycle(m);
  AddHl(m, ReadPair<p>(m));
  m.cpu.PC += 1;
}

void AddSpOffset(Console& m) {
  m.cpu.SP = SpPlusOffset(m, ImmediateByte(m));
  IdleCycle(m);
  IdleCycle(m);
  m.cpu.PC += 2;
}

// ---- Jumps, calls and returns ---------------------------------------------

// Taken branches spend an idle cycle loading PC; a condition that fails
// costs no more than the reads of the operand.

// The displacement counts from the address after the two-byte instruction.
inline void JumpRelative(Console& m, uint8_t e) {
  IdleCycle(m);
  m.cpu.PC = static_cast<uint16_t>(m.cpu.PC + 2 + static_cast<int8_t>(e));
}

// Loops that wait, and change nothing but the time while they do, have
// their rounds counted at once up to the cycle `until`, by which something
// could change: TotalCycles moves on by whole rounds as long as it stays
// before it, and the round that reaches it runs as any other; every step
// after is the same as if all had run. `step` is the cycles of the
// instruction that closes the round. Not while OAM DMA runs (the fetches
// meet it), nor while a trace is written, nor in a step whose fetch met
// events: such a step stays as long as its instruction, so that what the
// events did (the frame's end, an interrupt request) is seen after it as
// after any other.
inline void RepeatRounds(Console& m, uint64_t round, uint64_t step, uint64_t until) {
  if (m.oam_dma.active | m.lcd.frame_ready | m.trace.all | m.trace.key_held) return;
  if (m.clock.events_run_at + step > m.clock.cycles || until <= m.clock.cycles + round) return;
  m.clock.cycles += (until - m.clock.cycles - 1) / round * round;
}

// A jump to itself, how a program waits for an interrupt or for good: no
// access but its own fetches, no interrupt to take before a unit's next
// event.
inline void RepeatJumpToSelf(Console& m, uint64_t cycles) { RepeatRounds(m, cycles, cycles, m.clock.next_event_at); }

// A code byte as the processor fetches it, from the cartridge's ROM, work
// RAM or high RAM, without the cycle; 0 elsewhere.
inline uint8_t CodeByte(Console& m, uint16_t address) {
  if (address < 0x8000) return address < 0x4000 ? m.mem.rom_bank0[address] : m.mem.rom_bank[address - 0x4000];
  if (address >= 0xC000 && address < 0xE000)
    return address < 0xD000 ? m.mem.wram_bank0[address - 0xC000] : m.mem.wram_bank[address - 0xD000];
  if (address >= 0xFF80 && address < 0xFFFF) return m.mem.high_ram[address - 0xFF80];
  return 0;
}

// The usual wait for a line: LDH A,(LY); CP n; and a conditional jump back
// to the LDH, just taken. While LY stands at the value A holds (it may have
// moved on since the read, at events after it) each round reads the same
// LY, sets the same flags and jumps back; nothing else is touched. Its
// rounds of `round` cycles count at once up to LY's change or the next
// event.
inline void RepeatLyPoll(Console& m, uint16_t loop, uint64_t round, uint64_t step) {
  if (m.cpu.A == m.lcd.LY && CodeByte(m, loop) == 0xF0 && CodeByte(m, static_cast<uint16_t>(loop + 1)) == 0x44 &&
      CodeByte(m, static_cast<uint16_t>(loop + 2)) == 0xFE)
    RepeatRounds(m, round, step, std::min(m.clock.next_event_at, m.lcd.ly_change_at));
}

// LDH (3 cycles) and CP n (2) before the closing jump.
constexpr uint64_t LyPollCycles = 5;
constexpr int LyPollBytes = 4;

void Jr(Console& m) {
  const uint8_t e = ImmediateByte(m);
  JumpRelative(m, e);
  if (e == 0xFE) RepeatJumpToSelf(m, 3);
}

template <int cc>
void JrCond(Console& m) {
  const uint8_t e = ImmediateByte(m);
  if (Condition<cc>(m)) {
    JumpRelative(m, e);
    if (static_cast<int8_t>(e) == -(LyPollBytes + 2)) RepeatLyPoll(m, m.cpu.PC, LyPollCycles + 3, 3);
  } else {
    m.cpu.PC += 2;
  }
}

inline void Jump(Console& m, uint16_t target) {
  IdleCycle(m);
  m.cpu.PC = target;
}

void JpNn(Console& m) {
  const uint16_t from = m.cpu.PC;
  Jump(m, ImmediateWord(m));
  if (m.cpu.PC == from) RepeatJumpToSelf(m, 4);
}

template <int cc>
void JpCond(Console& m) {
  const uint16_t target = ImmediateWord(m);
  if (Condition<cc>(m)) {
    const uint16_t from = m.cpu.PC;
    Jump(m, target);
    if (target == static_cast<uint16_t>(from - LyPollBytes)) RepeatLyPoll(m, target, LyPollCycles + 4, 4);
  } else {
    m.cpu.PC += 3;
  }
}

void JpHl(Console& m) { m.cpu.PC = ReadHL(m); }

inline void Call(Console& m, uint16_t target) {
  IdleCycle(m);
  Push16(m, static_cast<uint16_t>(m.cpu.PC + 3));
  m.cpu.PC = target;
}

void CallNn(Console& m) { Call(m, ImmediateWord(m)); }

template <int cc>
void CallCond(Console& m) {
  const uint16_t target = ImmediateWord(m);
  if (Condition<cc>(m)) Call(m, target);
  else m.cpu.PC += 3;
}

inline void Return(Console& m) {
  const uint16_t target = Pop16(m);
  IdleCycle(m);
  m.cpu.PC = target;
}

void Ret(Console& m) { Return(m); }

// The test takes a cycle of its own.
template <int cc>
void RetCond(Console& m) {
  IdleCycle(m);
  if (Condition<cc>(m)) Return(m);
  else m.cpu.PC += 1;
}

// IME is back at once: a pending request is taken at the next step.
void Reti(Console& m) {
  Return(m);
  m.cpu.IME = 1;
}

template <uint16_t vector>
void Rst(Console& m) {
  IdleCycle(m);
  Push16(m, static_cast<uint16_t>(m.cpu.PC + 1));
  m.cpu.PC = vector;
}

// ---- Control ---------------------------------------------------------------

void Nop(Console& m) { m.cpu.PC += 1; }

// What STOP does depends on the joypad lines and the requests. A button of
// the selected half held keeps the clock running: with a request pending
// STOP is a 1-byte instruction that does nothing, otherwise it halts, as
// HALT does, skipping its second byte; the system counter goes on either
// way. Without a button, KEY1 prepared (a colour cartridge's own mode)
// switches the speed; otherwise the processor stops until a button is
// pressed. A pending request makes that stop a 1-byte instruction too.
void Stop(Console& m) {
  const bool pending = m.io.IE & m.io.IF & InterruptSources;
  if (JoypadLineLow(m)) {
    m.cpu.PC += pending ? 1 : 2;
    if (!pending) m.cpu.Halted = 1;
    return;
  }
  if (m.io.KEY1 & 1) {
    m.cpu.PC += 2;
    SwitchSpeed(m);
    return;
  }
  m.cpu.PC += pending ? 1 : 2;
  EnterStopMode(m);
}

void HaltOp(Console& m) { Halt(m); }

void Di(Console& m) {
  m.cpu.IME = 0;
  m.cpu.ImeNext = 0;
  m.cpu.PC += 1;
}

// Interrupts are enabled once the instruction after EI has run: games
// clear IF or set up their handlers right after EI and rely on that. EI;
// DI takes none.
void Ei(Console& m) {
  m.cpu.ImeNext = 1;
  m.cpu.PC += 1;
}

void Prefix(Console& m) { ExecuteCb(m, m.cpu.prefix_byte); }

// LD B,B changes nothing; test cartridges use it as a breakpoint, which
// the front end's hook, when it set one, looks at after it runs.
void Breakpoint(Console& m) {
  m.cpu.PC += 1;
  if (m.trace.breakpoint) m.trace.breakpoint(m.trace.breakpoint_context);
}

// An opcode the processor does not have: say what and where, for the front
// end to report, and freeze the machine with PC still on the opcode. In the
// switchable ROM area the address alone does not say which code it is, so
// the bank comes too.
void Undefined(Console& m) {
  char* text = m.cpu.unknown_opcode_text;
  const int written = std::snprintf(text, UnknownOpcodeTextSize, "Unknown Op 0x%02X at 0x%04X", m.cpu.Opcode, m.cpu.PC);
  if (m.cpu.PC >= 0x4000 && m.cpu.PC < 0x8000) {
    std::snprintf(text + written, UnknownOpcodeTextSize - written, " (ROM bank %ld)",
                  (m.mem.rom_bank - m.cart.rom) / RomBankSize);
  }
  m.cpu.frozen = 1;
}

constexpr int B = RegB, C = RegC, D = RegD, E = RegE, H = RegH, L = RegL, M = RegAtHl, A = RegA;
constexpr int BC = PairBC, DE = PairDE, HL = PairHL, SP = PairSP, AF = PairAF;

constexpr Handler BaseOps[256] = {
    // 0x00
    Nop, LdPairImm<BC>, LdAtPairA<BC>, IncPair<BC>, IncR<B>, DecR<B>, LdRImm<B>, RotateA<Rlc>,
    LdAtNnSp, AddHlPair<BC>, LdAAtPair<BC>, DecPair<BC>, IncR<C>, DecR<C>, LdRImm<C>, RotateA<Rrc>,
    // 0x10
    Stop, LdPairImm<DE>, LdAtPairA<DE>, IncPair<DE>, IncR<D>, DecR<D>, LdRImm<D>, RotateA<Rl>,
    Jr, AddHlPair<DE>, LdAAtPair<DE>, DecPair<DE>, IncR<E>, DecR<E>, LdRImm<E>, RotateA<Rr>,
    // 0x20
    JrCond<CondNZ>, LdPairImm<HL>, LdAtHlStepA<1>, IncPair<HL>, IncR<H>, DecR<H>, LdRImm<H>, DaaA,
    JrCond<CondZ>, AddHlPair<HL>, LdAAtHlStep<1>, DecPair<HL>, IncR<L>, DecR<L>, LdRImm<L>, CplA,
    // 0x30
    JrCond<CondNC>, LdPairImm<SP>, LdAtHlStepA<-1>, IncPair<SP>, IncR<M>, DecR<M>, LdRImm<M>, SetCarry,
    JrCond<CondC>, AddHlPair<SP>, LdAAtHlStep<-1>, DecPair<SP>, IncR<A>, DecR<A>, LdRImm<A>, ComplementCarry,
    // 0x40
    Breakpoint, LdRR<B, C>, LdRR<B, D>, LdRR<B, E>, LdRR<B, H>, LdRR<B, L>, LdRR<B, M>, LdRR<B, A>,
    LdRR<C, B>, LdRR<C, C>, LdRR<C, D>, LdRR<C, E>, LdRR<C, H>, LdRR<C, L>, LdRR<C, M>, LdRR<C, A>,
    // 0x50
    LdRR<D, B>, LdRR<D, C>, LdRR<D, D>, LdRR<D, E>, LdRR<D, H>, LdRR<D, L>, LdRR<D, M>, LdRR<D, A>,
    LdRR<E, B>, LdRR<E, C>, LdRR<E, D>, LdRR<E, E>, LdRR<E, H>, LdRR<E, L>, LdRR<E, M>, LdRR<E, A>,
    // 0x60
    LdRR<H, B>, LdRR<H, C>, LdRR<H, D>, LdRR<H, E>, LdRR<H, H>, LdRR<H, L>, LdRR<H, M>, LdRR<H, A>,
    LdRR<L, B>, LdRR<L, C>, LdRR<L, D>, LdRR<L, E>, LdRR<L, H>, LdRR<L, L>, LdRR<L, M>, LdRR<L, A>,
    // 0x70
    LdRR<M, B>, LdRR<M, C>, LdRR<M, D>, LdRR<M, E>, LdRR<M, H>, LdRR<M, L>, HaltOp, LdRR<M, A>,
    LdRR<A, B>, LdRR<A, C>, LdRR<A, D>, LdRR<A, E>, LdRR<A, H>, LdRR<A, L>, LdRR<A, M>, LdRR<A, A>,
    // 0x80
    AluR<OpAdd, B>, AluR<OpAdd, C>, AluR<OpAdd, D>, AluR<OpAdd, E>,
    AluR<OpAdd, H>, AluR<OpAdd, L>, AluR<OpAdd, M>, AluR<OpAdd, A>,
    AluR<OpAdc, B>, AluR<OpAdc, C>, AluR<OpAdc, D>, AluR<OpAdc, E>,
    AluR<OpAdc, H>, AluR<OpAdc, L>, AluR<OpAdc, M>, AluR<OpAdc, A>,
    // 0x90
    AluR<OpSub, B>, AluR<OpSub, C>, AluR<OpSub, D>, AluR<OpSub, E>,
    AluR<OpSub, H>, AluR<OpSub, L>, AluR<OpSub, M>, AluR<OpSub, A>,
    AluR<OpSbc, B>, AluR<OpSbc, C>, AluR<OpSbc, D>, AluR<OpSbc, E>,
    AluR<OpSbc, H>, AluR<OpSbc, L>, AluR<OpSbc, M>, AluR<OpSbc, A>,
    // 0xA0
    AluR<OpAnd, B>, AluR<OpAnd, C>, AluR<OpAnd, D>, AluR<OpAnd, E>,
    AluR<OpAnd, H>, AluR<OpAnd, L>, AluR<OpAnd, M>, AluR<OpAnd, A>,
    AluR<OpXor, B>, AluR<OpXor, C>, AluR<OpXor, D>, AluR<OpXor, E>,
    AluR<OpXor, H>, AluR<OpXor, L>, AluR<OpXor, M>, AluR<OpXor, A>,
    // 0xB0
    AluR<OpOr, B>, AluR<OpOr, C>, AluR<OpOr, D>, AluR<OpOr, E>,
    AluR<OpOr, H>, AluR<OpOr, L>, AluR<OpOr, M>, AluR<OpOr, A>,
    AluR<OpCp, B>, AluR<OpCp, C>, AluR<OpCp, D>, AluR<OpCp, E>,
    AluR<OpCp, H>, AluR<OpCp, L>, AluR<OpCp, M>, AluR<OpCp, A>,
    // 0xC0
    RetCond<CondNZ>, PopPair<BC>, JpCond<CondNZ>, JpNn, CallCond<CondNZ>, PushPair<BC>, AluImm<OpAdd>, Rst<0x00>,
    RetCond<CondZ>, Ret, JpCond<CondZ>, Prefix, CallCond<CondZ>, CallNn, AluImm<OpAdc>, Rst<0x08>,
    // 0xD0
    RetCond<CondNC>, PopPair<DE>, JpCond<CondNC>, Undefined, CallCond<CondNC>, PushPair<DE>, AluImm<OpSub>, Rst<0x10>,
    RetCond<CondC>, Reti, JpCond<CondC>, Undefined, CallCond<CondC>, Undefined, AluImm<OpSbc>, Rst<0x18>,
    // 0xE0
    LdhAtNA, PopPair<HL>, LdAtCA, Undefined, Undefined, PushPair<HL>, AluImm<OpAnd>, Rst<0x20>,
    AddSpOffset, JpHl, LdAtNnA, Undefined, Undefined, Undefined, AluImm<OpXor>, Rst<0x28>,
    // 0xF0
    LdhAAtN, PopPair<AF>, LdAAtC, Di, Undefined, PushPair<AF>, AluImm<OpOr>, Rst<0x30>,
    LdHlSpOffset, LdSpHl, LdAAtNn, Ei, Undefined, Undefined, AluImm<OpCp>, Rst<0x38>,
};

// One step: an interrupt taken or a halt waited out, then the trace line,
// the fetch and the instruction, each access at its own cycle.
inline void Step(Console& m, bool trace) {
  const uint64_t start = m.clock.cycles;
  if (m.cpu.Halted | m.cpu.Stopped) {  // rare: one test for both
    if (m.cpu.Halted && !WakeFromHalt(m)) {
      m.cpu.Opcode = 0;
      m.cpu.instruction_cycles = static_cast<int>(m.clock.cycles - (m.cpu.halted_step_from > start ? m.cpu.halted_step_from : start));
      return;
    }
    if (m.cpu.Stopped && !WakeFromStop(m)) {
      m.cpu.Opcode = 0;
      m.cpu.instruction_cycles = static_cast<int>(m.clock.cycles - start);
      return;
    }
  }
  if (trace) TraceInstruction(m, m.cpu.PC);

  // The request is looked for as the opcode comes in: one that arrives by
  // the end of the fetch is taken in its place.
  const uint8_t opcode = FetchByte(m, m.cpu.PC);
  RunDueEvents(m);
  if (m.cpu.IME && (m.io.IE & m.io.IF & InterruptSources)) {
    DispatchInterrupt(m);
    m.cpu.Opcode = 0;
    m.cpu.instruction_cycles = static_cast<int>(m.clock.cycles - start);
    return;
  }
  if (m.cpu.ImeNext | m.cpu.HaltBug) {  // rare: one test for both
    if (m.cpu.ImeNext) {  // the instruction after EI runs with interrupts still off
      m.cpu.IME = 1;
      m.cpu.ImeNext = 0;
    }
    if (m.cpu.HaltBug) {  // the fetch did not move PC on: the byte is read again
      m.cpu.HaltBug = 0;
      m.cpu.PC--;
    }
  }
  m.cpu.Opcode = opcode;
  if (opcode == 0xCB) m.cpu.prefix_byte = FetchByte(m, m.cpu.PC + 1);
  BaseOps[opcode](m);
  m.cpu.instruction_cycles = static_cast<int>(m.clock.cycles - start);
}

}  // namespace

void CpuStep(Console& m) {
  if (m.cpu.frozen) return;
  Step(m, m.trace.all | m.trace.key_held);
}

// The step and the events due in one loop, so that nothing but the
// instruction's own handler is called per instruction. A frame that ended
// with the LCD off starts here, with its buttons; events left over from the
// step that ended the last frame come first.
bool RunFrame(Console& m) {
  m.lcd.frame_ready = 0;
  if (m.lcd.frame_start_pending) {
    m.io.joypad_held = m.io.joypad_next_frame;
    m.lcd.frame_start_pending = 0;
  }
  if (m.cpu.frozen) return false;
  const bool trace = m.trace.all | m.trace.key_held;  // the front end sets them between frames
  RunDueEvents(m);
  while (!m.lcd.frame_ready) {
    Step(m, trace);
    if (m.cpu.frozen) return false;
    RunDueEvents(m);
  }
  return true;
}

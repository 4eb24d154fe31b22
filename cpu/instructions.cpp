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
#include "memory/machine_clock.h"
#include "video/lcd_timing.h"

bool TraceAll = false;
bool TraceKeyHeld = false;
char UnknownOpcodeText[UnknownOpcodeTextSize];

namespace {

using Handler = void (*)();

// The byte after a 0xCB prefix, fetched by the step and used by the prefix
// handler.
uint8_t PrefixByte = 0;

// A read of code, a cycle like any read. Code runs from the cartridge's
// ROM or from work RAM nearly always: those windows are reached by a few
// well-predicted tests rather than through the bus's full decoding.
inline uint8_t FetchByte(int address) {
  ++TotalCycles;
  if (OamDmaActive) return OamDmaRead(address);
  address &= 0xFFFF;
  if (address < 0x8000) return address < 0x4000 ? RomBank0Ptr[address] : RomBankPtr[address - 0x4000];
  if ((address >> 13) == 0xC000 >> 13)
    return address < 0xD000 ? WramBank0Ptr[address - 0xC000] : WramBankPtr[address - 0xD000];
  return ProcessorRead(address);
}

inline uint8_t ImmediateByte() { return FetchByte(Cpu.PC + 1); }

// Low byte first, a cycle each.
inline uint16_t ImmediateWord() {
  const uint8_t low = FetchByte(Cpu.PC + 1);
  return static_cast<uint16_t>(FetchByte(Cpu.PC + 2) << 8 | low);
}

// Branch conditions by their 2-bit code: NZ, Z, NC, C.
constexpr int CondNZ = 0, CondZ = 1, CondNC = 2, CondC = 3;

template <int cc>
inline bool Condition() {
  if constexpr (cc == CondNZ) return !(Cpu.F & FlagZ);
  else if constexpr (cc == CondZ) return Cpu.F & FlagZ;
  else if constexpr (cc == CondNC) return !(Cpu.F & FlagC);
  else return Cpu.F & FlagC;
}

// The eight operations of 0x80-0xBF and of the immediate forms, by bits 5-3.
constexpr int OpAdd = 0, OpAdc = 1, OpSub = 2, OpSbc = 3, OpAnd = 4, OpXor = 5, OpOr = 6, OpCp = 7;

template <int kind>
inline void Arithmetic(uint8_t v) {
  if constexpr (kind == OpAdd) Add8(Cpu.A, v);
  else if constexpr (kind == OpAdc) Adc8(Cpu.A, v);
  else if constexpr (kind == OpSub) Sub8(Cpu.A, v);
  else if constexpr (kind == OpSbc) Sbc8(Cpu.A, v);
  else if constexpr (kind == OpAnd) And8(Cpu.A, v);
  else if constexpr (kind == OpXor) Xor8(Cpu.A, v);
  else if constexpr (kind == OpOr) Or8(Cpu.A, v);
  else Cp8(Cpu.A, v);
}

// ---- Loads -------------------------------------------------------------

template <int d, int s>
void LdRR() {
  if constexpr (d != s) WriteOperand<d>(ReadOperand<s>());
  Cpu.PC += 1;
}

template <int r>
void LdRImm() {
  WriteOperand<r>(ImmediateByte());
  Cpu.PC += 2;
}

template <int p>
void LdPairImm() {
  WritePair<p>(ImmediateWord());
  Cpu.PC += 3;
}

template <int p>
void LdAtPairA() {
  CpuWrite(ReadPair<p>(), Cpu.A);
  Cpu.PC += 1;
}

template <int p>
void LdAAtPair() {
  Cpu.A = CpuRead(ReadPair<p>());
  Cpu.PC += 1;
}

// LD (HL+),A / LD (HL-),A and back: HL steps after the access.
template <int step>
void LdAtHlStepA() {
  const uint16_t hl = ReadHL();
  CpuWrite(hl, Cpu.A);
  WriteHL(static_cast<uint16_t>(hl + step));
  Cpu.PC += 1;
}

template <int step>
void LdAAtHlStep() {
  const uint16_t hl = ReadHL();
  Cpu.A = CpuRead(hl);
  WriteHL(static_cast<uint16_t>(hl + step));
  Cpu.PC += 1;
}

void LdAtNnSp() {
  const uint16_t nn = ImmediateWord();
  CpuWrite(nn, Cpu.SP & 0xFF);
  CpuWrite(nn + 1, Cpu.SP >> 8);
  Cpu.PC += 3;
}

void LdhAtNA() {
  CpuWriteHigh(ImmediateByte(), Cpu.A);
  Cpu.PC += 2;
}

void LdhAAtN() {
  Cpu.A = CpuReadHigh(ImmediateByte());
  Cpu.PC += 2;
}

void LdAtCA() {
  CpuWriteHigh(Cpu.C, Cpu.A);
  Cpu.PC += 1;
}

void LdAAtC() {
  Cpu.A = CpuReadHigh(Cpu.C);
  Cpu.PC += 1;
}

void LdAtNnA() {
  CpuWrite(ImmediateWord(), Cpu.A);
  Cpu.PC += 3;
}

void LdAAtNn() {
  Cpu.A = CpuRead(ImmediateWord());
  Cpu.PC += 3;
}

void LdSpHl() {
  IdleCycle();
  Cpu.SP = ReadHL();
  Cpu.PC += 1;
}

void LdHlSpOffset() {
  WriteHL(SpPlusOffset(ImmediateByte()));
  IdleCycle();
  Cpu.PC += 2;
}

// ---- Stack -------------------------------------------------------------

template <int p>
void PushPair() {
  IdleCycle();
  Push16(ReadPair<p>());
  Cpu.PC += 1;
}

template <int p>
void PopPair() {
  WritePair<p>(Pop16());
  Cpu.PC += 1;
}

// ---- 8-bit arithmetic ----------------------------------------------------

template <int r>
void IncR() {
  ModifyOperand<r>([](uint8_t& v) { Inc8(v); });
  Cpu.PC += 1;
}

template <int r>
void DecR() {
  ModifyOperand<r>([](uint8_t& v) { Dec8(v); });
  Cpu.PC += 1;
}

template <int kind, int r>
void AluR() {
  Arithmetic<kind>(ReadOperand<r>());
  Cpu.PC += 1;
}

template <int kind>
void AluImm() {
  Arithmetic<kind>(ImmediateByte());
  Cpu.PC += 2;
}

void DaaA() {
  Daa(Cpu.A);
  Cpu.PC += 1;
}

void CplA() {
  Cpl(Cpu.A);
  Cpu.PC += 1;
}

void SetCarry() {
  Scf();
  Cpu.PC += 1;
}

void ComplementCarry() {
  Ccf();
  Cpu.PC += 1;
}

// RLCA, RRCA, RLA and RRA: the CB rotates on A, except that Z is always cleared.
template <void (*rotate)(uint8_t&)>
void RotateA() {
  rotate(Cpu.A);
  Cpu.F &= static_cast<uint8_t>(~FlagZ);
  Cpu.PC += 1;
}

// ---- 16-bit arithmetic ---------------------------------------------------

template <int p>
void IncPair() {
  IdleCycle();
  WritePair<p>(static_cast<uint16_t>(ReadPair<p>() + 1));
  Cpu.PC += 1;
}

template <int p>
void DecPair() {
  IdleCycle();
  WritePair<p>(static_cast<uint16_t>(ReadPair<p>() - 1));
  Cpu.PC += 1;
}

template <int p>
void AddHlPair() {
  IdleCycle();
  AddHl(ReadPair<p>());
  Cpu.PC += 1;
}

void AddSpOffset() {
  Cpu.SP = SpPlusOffset(ImmediateByte());
  IdleCycle();
  IdleCycle();
  Cpu.PC += 2;
}

// ---- Jumps, calls and returns ---------------------------------------------

// Taken branches spend an idle cycle loading PC; a condition that fails
// costs no more than the reads of the operand.

// The displacement counts from the address after the two-byte instruction.
inline void JumpRelative(uint8_t e) {
  IdleCycle();
  Cpu.PC = static_cast<uint16_t>(Cpu.PC + 2 + static_cast<int8_t>(e));
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
inline void RepeatRounds(uint64_t round, uint64_t step, uint64_t until) {
  if (OamDmaActive | FrameReady | TraceAll | TraceKeyHeld) return;
  if (EventsRunAt + step > TotalCycles || until <= TotalCycles + round) return;
  TotalCycles += (until - TotalCycles - 1) / round * round;
}

// A jump to itself, how a program waits for an interrupt or for good: no
// access but its own fetches, no interrupt to take before a unit's next
// event.
inline void RepeatJumpToSelf(uint64_t cycles) { RepeatRounds(cycles, cycles, NextEventAt); }

// A code byte as the processor fetches it, from the cartridge's ROM, work
// RAM or high RAM, without the cycle; 0 elsewhere.
inline uint8_t CodeByte(uint16_t address) {
  if (address < 0x8000) return address < 0x4000 ? RomBank0Ptr[address] : RomBankPtr[address - 0x4000];
  if (address >= 0xC000 && address < 0xE000)
    return address < 0xD000 ? WramBank0Ptr[address - 0xC000] : WramBankPtr[address - 0xD000];
  if (address >= 0xFF80 && address < 0xFFFF) return HighRam[address - 0xFF80];
  return 0;
}

// The usual wait for a line: LDH A,(LY); CP n; and a conditional jump back
// to the LDH, just taken. While LY stands at the value A holds (it may have
// moved on since the read, at events after it) each round reads the same
// LY, sets the same flags and jumps back; nothing else is touched. Its
// rounds of `round` cycles count at once up to LY's change or the next
// event.
inline void RepeatLyPoll(uint16_t loop, uint64_t round, uint64_t step) {
  if (Cpu.A == LY && CodeByte(loop) == 0xF0 && CodeByte(static_cast<uint16_t>(loop + 1)) == 0x44 &&
      CodeByte(static_cast<uint16_t>(loop + 2)) == 0xFE)
    RepeatRounds(round, step, std::min(NextEventAt, LyChangeAt));
}

// LDH (3 cycles) and CP n (2) before the closing jump.
constexpr uint64_t LyPollCycles = 5;
constexpr int LyPollBytes = 4;

void Jr() {
  const uint8_t e = ImmediateByte();
  JumpRelative(e);
  if (e == 0xFE) RepeatJumpToSelf(3);
}

template <int cc>
void JrCond() {
  const uint8_t e = ImmediateByte();
  if (Condition<cc>()) {
    JumpRelative(e);
    if (static_cast<int8_t>(e) == -(LyPollBytes + 2)) RepeatLyPoll(Cpu.PC, LyPollCycles + 3, 3);
  } else {
    Cpu.PC += 2;
  }
}

inline void Jump(uint16_t target) {
  IdleCycle();
  Cpu.PC = target;
}

void JpNn() {
  const uint16_t from = Cpu.PC;
  Jump(ImmediateWord());
  if (Cpu.PC == from) RepeatJumpToSelf(4);
}

template <int cc>
void JpCond() {
  const uint16_t target = ImmediateWord();
  if (Condition<cc>()) {
    const uint16_t from = Cpu.PC;
    Jump(target);
    if (target == static_cast<uint16_t>(from - LyPollBytes)) RepeatLyPoll(target, LyPollCycles + 4, 4);
  } else {
    Cpu.PC += 3;
  }
}

void JpHl() { Cpu.PC = ReadHL(); }

inline void Call(uint16_t target) {
  IdleCycle();
  Push16(static_cast<uint16_t>(Cpu.PC + 3));
  Cpu.PC = target;
}

void CallNn() { Call(ImmediateWord()); }

template <int cc>
void CallCond() {
  const uint16_t target = ImmediateWord();
  if (Condition<cc>()) Call(target);
  else Cpu.PC += 3;
}

inline void Return() {
  const uint16_t target = Pop16();
  IdleCycle();
  Cpu.PC = target;
}

void Ret() { Return(); }

// The test takes a cycle of its own.
template <int cc>
void RetCond() {
  IdleCycle();
  if (Condition<cc>()) Return();
  else Cpu.PC += 1;
}

// IME is back at once: a pending request is taken at the next step.
void Reti() {
  Return();
  Cpu.IME = 1;
}

template <uint16_t vector>
void Rst() {
  IdleCycle();
  Push16(static_cast<uint16_t>(Cpu.PC + 1));
  Cpu.PC = vector;
}

// ---- Control ---------------------------------------------------------------

void Nop() { Cpu.PC += 1; }

// What STOP does depends on the joypad lines and the requests. A button of
// the selected half held keeps the clock running: with a request pending
// STOP is a 1-byte instruction that does nothing, otherwise it halts, as
// HALT does, skipping its second byte; the system counter goes on either
// way. Without a button, KEY1 prepared (a colour cartridge's own mode)
// switches the speed; otherwise the processor stops until a button is
// pressed. A pending request makes that stop a 1-byte instruction too.
void Stop() {
  const bool pending = IE & IF & InterruptSources;
  if (JoypadLineLow()) {
    Cpu.PC += pending ? 1 : 2;
    if (!pending) Cpu.Halted = 1;
    return;
  }
  if (KEY1 & 1) {
    Cpu.PC += 2;
    SwitchSpeed();
    return;
  }
  Cpu.PC += pending ? 1 : 2;
  EnterStopMode();
}

void HaltOp() { Halt(); }

void Di() {
  Cpu.IME = 0;
  Cpu.ImeNext = 0;
  Cpu.PC += 1;
}

// Interrupts are enabled once the instruction after EI has run: games
// clear IF or set up their handlers right after EI and rely on that. EI;
// DI takes none.
void Ei() {
  Cpu.ImeNext = 1;
  Cpu.PC += 1;
}

void Prefix() { ExecuteCb(PrefixByte); }

// LD B,B as a breakpoint: the load changes nothing, then the hook looks.
void (*BreakpointHook)() = nullptr;

void Breakpoint() {
  Cpu.PC += 1;
  BreakpointHook();
}

// An opcode the processor does not have: say what and where, for the front
// end to report, and freeze the machine with PC still on the opcode. In the
// switchable ROM area the address alone does not say which code it is, so
// the bank comes too.
void Undefined() {
  char* text = UnknownOpcodeText;
  const int written = std::snprintf(text, UnknownOpcodeTextSize, "Unknown Op 0x%02X at 0x%04X", Cpu.Opcode, Cpu.PC);
  if (Cpu.PC >= 0x4000 && Cpu.PC < 0x8000) {
    std::snprintf(text + written, UnknownOpcodeTextSize - written, " (ROM bank %ld)",
                  (RomBankPtr - RomImage) / RomBankSize);
  }
  CpuStopped = 1;
}

constexpr int B = RegB, C = RegC, D = RegD, E = RegE, H = RegH, L = RegL, M = RegAtHl, A = RegA;
constexpr int BC = PairBC, DE = PairDE, HL = PairHL, SP = PairSP, AF = PairAF;

// Not const: the breakpoint hook swaps the handler of 0x40.
Handler BaseOps[256] = {
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
    LdRR<B, B>, LdRR<B, C>, LdRR<B, D>, LdRR<B, E>, LdRR<B, H>, LdRR<B, L>, LdRR<B, M>, LdRR<B, A>,
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

}  // namespace

void SetBreakpointHook(void (*hook)()) {
  BreakpointHook = hook;
  BaseOps[0x40] = hook ? Breakpoint : LdRR<B, B>;
}

namespace {

// One step: an interrupt taken or a halt waited out, then the trace line,
// the fetch and the instruction, each access at its own cycle.
inline void Step(bool trace) {
  const uint64_t start = TotalCycles;
  if (Cpu.Halted | Cpu.Stopped) {  // rare: one test for both
    if (Cpu.Halted && !WakeFromHalt()) {
      Cpu.Opcode = 0;
      InstructionCycles = static_cast<int>(TotalCycles - (HaltedStepFrom > start ? HaltedStepFrom : start));
      return;
    }
    if (Cpu.Stopped && !WakeFromStop()) {
      Cpu.Opcode = 0;
      InstructionCycles = static_cast<int>(TotalCycles - start);
      return;
    }
  }
  if (trace) Disassemble(Cpu.PC, -1);

  // The request is looked for as the opcode comes in: one that arrives by
  // the end of the fetch is taken in its place.
  const uint8_t opcode = FetchByte(Cpu.PC);
  RunDueEvents();
  if (Cpu.IME && (IE & IF & InterruptSources)) {
    DispatchInterrupt();
    Cpu.Opcode = 0;
    InstructionCycles = static_cast<int>(TotalCycles - start);
    return;
  }
  if (Cpu.ImeNext | Cpu.HaltBug) {  // rare: one test for both
    if (Cpu.ImeNext) {  // the instruction after EI runs with interrupts still off
      Cpu.IME = 1;
      Cpu.ImeNext = 0;
    }
    if (Cpu.HaltBug) {  // the fetch did not move PC on: the byte is read again
      Cpu.HaltBug = 0;
      Cpu.PC--;
    }
  }
  Cpu.Opcode = opcode;
  if (opcode == 0xCB) PrefixByte = FetchByte(Cpu.PC + 1);
  BaseOps[opcode]();
  InstructionCycles = static_cast<int>(TotalCycles - start);
}

}  // namespace

void CpuStep() {
  if (CpuStopped) return;
  Step(TraceAll | TraceKeyHeld);
}

// The step and the events due in one loop, so that nothing but the
// instruction's own handler is called per instruction. A frame that ended
// with the LCD off starts here, with its buttons; events left over from the
// step that ended the last frame come first.
bool RunFrame() {
  FrameReady = 0;
  if (FrameStartPending) {
    JoypadHeld = JoypadNextFrame;
    FrameStartPending = 0;
  }
  if (CpuStopped) return false;
  const bool trace = TraceAll | TraceKeyHeld;  // the front end sets them between frames
  RunDueEvents();
  while (!FrameReady) {
    Step(trace);
    if (CpuStopped) return false;
    RunDueEvents();
  }
  return true;
}

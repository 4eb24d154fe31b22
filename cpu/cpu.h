// One processor step, the two cost tables, the prefixed instruction set and
// the interrupt logic.
#pragma once
#include <cstdint>

// Cost in machine cycles of each base opcode, and of each byte after 0xCB.
extern const uint8_t OpcodeCycles[256];
extern const uint8_t CbOpcodeCycles[256];

// When set, every executed instruction is traced as if the tilde key were held.
extern bool TraceAll;
// Whether the tilde key is held, as the front end reads it once per frame:
// every instruction of a frame that starts with it held is traced.
extern bool TraceKeyHeld;

// The interrupt sources in IF and IE: V-blank, LCD status, timer, serial,
// joypad (bits 0-4). Bits 5-7 have no source and are never taken.
constexpr uint8_t InterruptSources = 0x1F;

// What the processor stopped on ("Unknown Op 0xD3 at 0x4150 (ROM bank
// 3)"), for the front end to report, once CpuStopped is set.
constexpr int UnknownOpcodeTextSize = 64;
extern char UnknownOpcodeText[UnknownOpcodeTextSize];

// Executes one instruction, or one idle cycle while halted.
void CpuStep();

// Runs the machine until a frame ends (true; FramesFinished counts it, and
// its sound frame has ended) or the processor stops on an opcode it does
// not have (false, now or at once on a stopped processor). The front end
// does its work of the frame between two calls.
bool RunFrame();

// Makes LD B,B (opcode 0x40), which test cartridges use as a breakpoint,
// call hook after it runs; nullptr puts the plain instruction back. Without
// a hook the opcode costs what any other load does.
void SetBreakpointHook(void (*hook)());

// Executes the CB-prefixed instruction with this second byte; PC moves by 2.
void ExecuteCb(uint8_t opcode);

// Enters the handler of the lowest enabled pending source, in place of the
// opcode just fetched.
void DispatchInterrupt();

// HALT, with the halt bug.
void Halt();

// A halted step: wakes when an enabled request is pending (true), else
// waits up to the next event, when IF can change (false).
bool WakeFromHalt();
// Where the latest halted step's wait counts from (see WakeFromHalt).
extern uint64_t HaltedStepFrom;
// A stopped step: wakes when a button is held (true), else waits up to the
// next event (false).
bool WakeFromStop();

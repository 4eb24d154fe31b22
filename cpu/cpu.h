// One processor step, the two cost tables, the prefixed instruction set and
// the interrupt logic.
#pragma once
#include <cstdint>

struct Console;

// Cost in machine cycles of each base opcode, and of each byte after 0xCB.
extern const uint8_t OpcodeCycles[256];
extern const uint8_t CbOpcodeCycles[256];

// The interrupt sources in IF and IE: V-blank, LCD status, timer, serial,
// joypad (bits 0-4). Bits 5-7 have no source and are never taken.
constexpr uint8_t InterruptSources = 0x1F;

// Executes one instruction, or one idle cycle while halted.
void CpuStep(Console& m);

// Runs the machine until a frame ends (true; the LCD's frames_finished
// counts it, and its sound frame has ended) or the processor stops on an
// opcode it does not have (false, now or at once on a frozen processor).
// The front end does its work of the frame between two calls.
bool RunFrame(Console& m);

// Executes the CB-prefixed instruction with this second byte; PC moves by 2.
void ExecuteCb(Console& m, uint8_t opcode);

// Enters the handler of the lowest enabled pending source, in place of the
// opcode just fetched.
void DispatchInterrupt(Console& m);

// HALT, with the halt bug.
void Halt(Console& m);

// A halted step: wakes when an enabled request is pending (true), else
// waits up to the next event, when IF can change (false).
bool WakeFromHalt(Console& m);
// A stopped step: wakes when a button is held (true), else waits up to the
// next event (false).
bool WakeFromStop(Console& m);

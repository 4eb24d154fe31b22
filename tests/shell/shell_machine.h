// The program's own machine (TheMachine) put into a known state for the
// tests of the desktop front end, which run it as the main loop does.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "machine/console.h"
#include "sound/sound_system.h"
#include "shell/run_control.h"
#include "support/headless_allegro.h"

// The program's machine, as the machine's own functions name it.
inline Console& m = TheMachine().console();

// The front end's per-run state back to its start, the program's machine
// reset with the image (32 KiB of zeros by default: a monochrome cartridge
// without a controller), put in without the header's checks.
void ResetShellMachine(const std::vector<uint8_t>& image = {});

// Loads a cartridge file as a run does and resets the machine. False when
// it cannot be loaded.
bool StartShellCartridge(const std::string& path);

// Moves the machine's clock on by `cycles` (a video frame's worth unless
// given), ends the sound's frame there and hands its finished blocks off,
// as the end of a frame in a run does.
void EndVideoFrame(unsigned cycles = SoundFrameClocks / NormalClocksPerCycle);

// Runs the machine as the main loop does, the front end's work between
// frames included, until n more frames have finished (or the processor
// stops).
void RunShellFrames(long n);

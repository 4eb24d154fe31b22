// A script of button states for runs without a person (--input FILE).
//
// Each line is "FRAME BUTTONS": from frame FRAME on, exactly those buttons
// are held, until the next line. BUTTONS is "-" (none) or names joined by
// "+" from up down left right a b start select. Blank lines and "#"
// comments are allowed, and the frames must increase from line to line.
//
// Frames count like --frames: frame F begins when F frames have finished,
// at the top of the picture (line 0), and runs through its V-blank. Its
// buttons are what the cartridge reads for that whole frame, so a
// cartridge that reads the pad in its V-blank handler sees the buttons of
// the frame that V-blank ends. Frame 0 is the first frame of the run.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "shell/input.h"

struct ScriptLine {
  long frame;
  JoypadButtons buttons;
};

// The buttons the script holds for the frame now being run (none without a
// script). The input poll adds them to the keyboard and joystick.
extern JoypadButtons ScriptButtons;

// Presses in state every button the script holds.
void AddScriptButtons(JoypadButtons& state);

// Parses a whole script. On a mistake returns false with the number of the
// offending line (from 1) and what is wrong with it.
bool ParseInputScript(const std::string& text, std::vector<ScriptLine>& lines, int& error_line,
                      std::string& error);

// A script longer than this is refused: no script needs it, and /dev/zero
// must not fill the memory.
constexpr size_t LargestInputScript = size_t{16} << 20;

// Reads and parses the file and makes it the run's script. On a mistake
// prints "pellix: FILE:LINE: what is wrong" (or why the file cannot be
// read, or that it is too large) on stderr and returns false.
bool LoadInputScript(const char* path);

// Takes the buttons of the frame that starts once frames_finished frames
// have finished. Called before the run with 0 and after every frame; the
// input poll at the top of the next frame hands them to the machine.
void StepInputScript(long frames_finished);

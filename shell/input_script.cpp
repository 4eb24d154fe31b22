#include "shell/input_script.h"

#include "shell/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <sstream>
#include <utility>

JoypadButtons ScriptButtons{};

namespace {

std::vector<ScriptLine> Script;
size_t NextLine = 0;  // the first line whose frame has not begun yet

struct ButtonName {
  const char* name;
  int JoypadButtons::*field;
};

const ButtonName ButtonNames[] = {
    {"up", &JoypadButtons::Up},       {"down", &JoypadButtons::Down},   {"left", &JoypadButtons::Left},
    {"right", &JoypadButtons::Right}, {"a", &JoypadButtons::A},         {"b", &JoypadButtons::B},
    {"start", &JoypadButtons::Start}, {"select", &JoypadButtons::Select},
};

// A frame number: decimal digits only, and small enough for a long.
bool ParseFrame(const std::string& word, long& frame) {
  if (word.empty() || word.find_first_not_of("0123456789") != std::string::npos) return false;
  errno = 0;
  frame = std::strtol(word.c_str(), nullptr, 10);
  return errno == 0;
}

// "-" or names joined by "+", in any case. Returns an empty string, or what
// is wrong.
std::string ParseButtons(std::string word, JoypadButtons& buttons) {
  buttons = JoypadButtons{};
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (word == "-") return "";
  size_t start = 0;
  while (true) {
    const size_t end = word.find('+', start);
    const std::string name = word.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (name.empty()) return "a button name is missing in '" + word + "'";
    const ButtonName* found = nullptr;
    for (const ButtonName& b : ButtonNames)
      if (name == b.name) found = &b;
    if (!found)
      return "unknown button '" + name + "' (buttons are up down left right a b start select, joined by +, or - for none)";
    if (buttons.*(found->field)) return "button '" + name + "' is given twice";
    buttons.*(found->field) = 1;
    if (end == std::string::npos) return "";
    start = end + 1;
  }
}

}  // namespace

void AddScriptButtons(JoypadButtons& state) {
  for (const ButtonName& b : ButtonNames) state.*(b.field) |= ScriptButtons.*(b.field);
}

bool ParseInputScript(const std::string& text, std::vector<ScriptLine>& lines, int& error_line,
                      std::string& error) {
  lines.clear();
  std::istringstream in(text);
  std::string line;
  for (int number = 1; std::getline(in, line); number++) {
    line = line.substr(0, line.find('#'));
    std::istringstream fields(line);
    std::string frame_word, buttons_word, extra;
    if (!(fields >> frame_word)) continue;  // blank or only a comment
    error_line = number;
    ScriptLine entry{};
    if (!ParseFrame(frame_word, entry.frame)) {
      error = "'" + frame_word + "' is not a frame number";
      return false;
    }
    if (!(fields >> buttons_word)) {
      error = "frame " + frame_word + " needs its buttons (- for none)";
      return false;
    }
    error = ParseButtons(buttons_word, entry.buttons);
    if (!error.empty()) return false;
    if (fields >> extra) {
      error = "unexpected '" + extra + "' after the buttons";
      return false;
    }
    if (!lines.empty() && entry.frame <= lines.back().frame) {
      error = "frame " + std::to_string(entry.frame) + " does not come after frame " +
              std::to_string(lines.back().frame) + "; the frames must increase";
      return false;
    }
    lines.push_back(entry);
  }
  error_line = 0;
  error.clear();
  return true;
}

bool LoadInputScript(const char* path) {
  std::vector<uint8_t> bytes;
  const FileRead read = ReadWholeFile(path, LargestInputScript, bytes, false);  // a pipe will do
  if (read.error) {
    std::fprintf(stderr, "pellix: %s: cannot read the input script: %s\n", path, std::strerror(read.error));
    return false;
  }
  if (read.too_large) {
    std::fprintf(stderr, "pellix: %s: the input script is larger than %zu MiB\n", path, LargestInputScript >> 20);
    return false;
  }
  const std::string text(bytes.begin(), bytes.end());
  int error_line = 0;
  std::string error;
  std::vector<ScriptLine> lines;
  if (!ParseInputScript(text, lines, error_line, error)) {
    std::fprintf(stderr, "pellix: %s:%d: %s\n", path, error_line, error.c_str());
    return false;
  }
  Script = std::move(lines);
  NextLine = 0;
  ScriptButtons = JoypadButtons{};
  return true;
}

void StepInputScript(long frames_finished) {
  while (NextLine < Script.size() && Script[NextLine].frame <= frames_finished) {
    ScriptButtons = Script[NextLine].buttons;
    NextLine++;
  }
}

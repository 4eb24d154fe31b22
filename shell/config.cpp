#include "shell/config.h"

#include <allegro.h>  // the KEY_ and MAX_JOYSTICK constants only: no library call
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "shell/allegro_background.h"
#include "shell/atomic_file.h"
#include "shell/input.h"
#include "shell/rewind.h"
#include "shell/stream_output.h"

namespace {

const char* const KeysSection = "keys";
const char* const JoystickSection = "joystick";
const char* const VideoSection = "video";
const char* const SoundSection = "sound";

struct NamedKey {
  const char* name;
  int scancode;
};

#define PELLIX_KEY(name) {#name, KEY_##name}
const NamedKey KeyNames[] = {
    PELLIX_KEY(A), PELLIX_KEY(B), PELLIX_KEY(C), PELLIX_KEY(D), PELLIX_KEY(E), PELLIX_KEY(F), PELLIX_KEY(G),
    PELLIX_KEY(H), PELLIX_KEY(I), PELLIX_KEY(J), PELLIX_KEY(K), PELLIX_KEY(L), PELLIX_KEY(M), PELLIX_KEY(N),
    PELLIX_KEY(O), PELLIX_KEY(P), PELLIX_KEY(Q), PELLIX_KEY(R), PELLIX_KEY(S), PELLIX_KEY(T), PELLIX_KEY(U),
    PELLIX_KEY(V), PELLIX_KEY(W), PELLIX_KEY(X), PELLIX_KEY(Y), PELLIX_KEY(Z),
    PELLIX_KEY(0), PELLIX_KEY(1), PELLIX_KEY(2), PELLIX_KEY(3), PELLIX_KEY(4), PELLIX_KEY(5), PELLIX_KEY(6),
    PELLIX_KEY(7), PELLIX_KEY(8), PELLIX_KEY(9),
    PELLIX_KEY(0_PAD), PELLIX_KEY(1_PAD), PELLIX_KEY(2_PAD), PELLIX_KEY(3_PAD), PELLIX_KEY(4_PAD),
    PELLIX_KEY(5_PAD), PELLIX_KEY(6_PAD), PELLIX_KEY(7_PAD), PELLIX_KEY(8_PAD), PELLIX_KEY(9_PAD),
    PELLIX_KEY(F1), PELLIX_KEY(F2), PELLIX_KEY(F3), PELLIX_KEY(F4), PELLIX_KEY(F5), PELLIX_KEY(F6),
    PELLIX_KEY(F7), PELLIX_KEY(F8), PELLIX_KEY(F9), PELLIX_KEY(F10), PELLIX_KEY(F11), PELLIX_KEY(F12),
    PELLIX_KEY(ESC), PELLIX_KEY(TILDE), PELLIX_KEY(MINUS), PELLIX_KEY(EQUALS), PELLIX_KEY(BACKSPACE),
    PELLIX_KEY(TAB), PELLIX_KEY(OPENBRACE), PELLIX_KEY(CLOSEBRACE), PELLIX_KEY(ENTER), PELLIX_KEY(COLON),
    PELLIX_KEY(QUOTE), PELLIX_KEY(BACKSLASH), PELLIX_KEY(BACKSLASH2), PELLIX_KEY(COMMA), PELLIX_KEY(STOP),
    PELLIX_KEY(SLASH), PELLIX_KEY(SPACE), PELLIX_KEY(INSERT), PELLIX_KEY(DEL), PELLIX_KEY(HOME),
    PELLIX_KEY(END), PELLIX_KEY(PGUP), PELLIX_KEY(PGDN), PELLIX_KEY(LEFT), PELLIX_KEY(RIGHT), PELLIX_KEY(UP),
    PELLIX_KEY(DOWN), PELLIX_KEY(SLASH_PAD), PELLIX_KEY(ASTERISK), PELLIX_KEY(MINUS_PAD),
    PELLIX_KEY(PLUS_PAD), PELLIX_KEY(DEL_PAD), PELLIX_KEY(ENTER_PAD), PELLIX_KEY(PRTSCR), PELLIX_KEY(PAUSE),
    PELLIX_KEY(ABNT_C1), PELLIX_KEY(YEN), PELLIX_KEY(KANA), PELLIX_KEY(CONVERT), PELLIX_KEY(NOCONVERT),
    PELLIX_KEY(AT), PELLIX_KEY(CIRCUMFLEX), PELLIX_KEY(COLON2), PELLIX_KEY(KANJI), PELLIX_KEY(EQUALS_PAD),
    PELLIX_KEY(BACKQUOTE), PELLIX_KEY(SEMICOLON), PELLIX_KEY(COMMAND),
    PELLIX_KEY(LSHIFT), PELLIX_KEY(RSHIFT), PELLIX_KEY(LCONTROL), PELLIX_KEY(RCONTROL), PELLIX_KEY(ALT),
    PELLIX_KEY(ALTGR), PELLIX_KEY(LWIN), PELLIX_KEY(RWIN), PELLIX_KEY(MENU), PELLIX_KEY(SCRLOCK),
    PELLIX_KEY(NUMLOCK), PELLIX_KEY(CAPSLOCK),
};
#undef PELLIX_KEY

// Names other programs give keys, as parts of Allegro's names: LCTRL is
// LCONTROL, PAGEUP is PGUP.
const std::pair<const char*, const char*> UsualNames[] = {
    {"CTRL", "CONTROL"}, {"RETURN", "ENTER"}, {"DELETE", "DEL"}, {"PAGE", "PG"}, {"SPACEBAR", "SPACE"},
};

// The fewest single-letter changes (insertions, deletions, replacements)
// that turn a into b.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); j++) row[j] = j;
  for (size_t i = 1; i <= a.size(); i++) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); j++) {
      const size_t above = row[j];
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The known key whose name is nearest to an unknown one, as written or with
// the usual names put in Allegro's words: one change away, two for names
// of six letters or more. Null when none is that near. Escape and the
// tilde key are never offered: they cannot be given.
const char* KeyNameNear(std::string_view written) {
  std::string name;
  for (char c : written) name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (name.compare(0, 4, "KEY_") == 0) name.erase(0, 4);
  std::string usual = name;
  for (const auto& [theirs, ours] : UsualNames) {
    const size_t at = usual.find(theirs);
    if (at != std::string::npos) usual.replace(at, std::strlen(theirs), ours);
  }
  const size_t allowed = name.size() >= 6 ? 2 : 1;
  const char* nearest = nullptr;
  size_t best = allowed + 1;
  for (const NamedKey& k : KeyNames) {
    if (k.scancode == KEY_ESC || k.scancode == KEY_TILDE) continue;
    const size_t distance = std::min(EditDistance(name, k.name), EditDistance(usual, k.name));
    if (distance < best) {
      best = distance;
      nearest = k.name;
    }
  }
  return nearest;
}

// Mistakes reported from one file; the rest are only counted, so that a
// file given by mistake (a cartridge) does not flood the terminal.
constexpr int MostReports = 20;
// How much of a name or a value a message repeats.
constexpr size_t LongestEcho = 60;

enum class Section { None, Keys, Joystick, Video, Sound, Unknown, Broken };

// One setting the program knows: where its value goes and how it is read:
// a key name, a whole number from low to high, or yes or no.
struct Setting {
  Section section;
  const char* name;
  KeyBinding* key;
  int* number;
  int low, high;
  bool* yes_no;
};

Setting KeySetting(KeyBinding& binding) { return {Section::Keys, binding.name, &binding, nullptr, 0, 0, nullptr}; }
Setting NumberSetting(Section section, const char* name, int& value, int low, int high) {
  return {section, name, nullptr, &value, low, high, nullptr};
}
Setting YesNoSetting(const char* name, bool& value) {
  return {Section::Video, name, nullptr, nullptr, 0, 0, &value};
}

// colour = yes draws colour cartridges in their colour palettes, as
// --colour does; rewind = no keeps no snapshots for rewinding;
// quiet_thread = no leaves Allegro its own background thread; info = no
// leaves out the information screen, as --no-info does; volume under
// [sound] is the stream's loudness in percent, as --volume sets it.
std::vector<Setting> KnownSettings(DisplayMode& video) {
  std::vector<Setting> known;
  for (KeyBinding& binding : KeyBindings) known.push_back(KeySetting(binding));
  constexpr int LastButton = MAX_JOYSTICK_BUTTONS - 1;
  known.push_back(NumberSetting(Section::Joystick, "number", JoystickMap.number, 0, MAX_JOYSTICKS - 1));
  known.push_back(NumberSetting(Section::Joystick, "a", JoystickMap.a, 0, LastButton));
  known.push_back(NumberSetting(Section::Joystick, "b", JoystickMap.b, 0, LastButton));
  known.push_back(NumberSetting(Section::Joystick, "start", JoystickMap.start, 0, LastButton));
  known.push_back(NumberSetting(Section::Joystick, "select", JoystickMap.select, 0, LastButton));
  known.push_back(NumberSetting(Section::Video, "scale", video.scale, 1, MaxScale));
  known.push_back(YesNoSetting("fullscreen", video.fullscreen));
  known.push_back(YesNoSetting("colour", TrueColoursOption));
  known.push_back(YesNoSetting("rewind", RewindOption));
  known.push_back(YesNoSetting("quiet_thread", QuietThreadOption));
  known.push_back(YesNoSetting("info", InfoScreenOption));
  known.push_back(NumberSetting(Section::Sound, "volume", SoundVolume, 0, FullVolume));
  return known;
}

bool SameName(std::string_view text, const char* name) {
  return text.size() == std::strlen(name) && strncasecmp(text.data(), name, text.size()) == 0;
}

std::string_view Trim(std::string_view text) {
  const char* const spaces = " \t\r\f\v";
  const size_t first = text.find_first_not_of(spaces);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(spaces) - first + 1);
}

// Text from the file as a message repeats it: cut short, and without
// control characters that would garble the terminal.
std::string Echo(std::string_view text) {
  std::string echo(text.substr(0, LongestEcho));
  for (char& c : echo)
    if (static_cast<unsigned char>(c) < ' ' || c == '\x7f') c = '?';
  return text.size() > LongestEcho ? echo + "..." : echo;
}

// A whole decimal number from low to high, nothing after it, or false.
bool ParseNumber(const std::string& text, int low, int high, int& value) {
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno || end == text.c_str() || end != text.c_str() + text.size() || v < low || v > high) return false;
  value = static_cast<int>(v);
  return true;
}

// Puts the value into the setting; or says in `why` what is wrong with it,
// and the setting keeps what it had.
bool Take(const Setting& setting, const std::string& value, std::string& why) {
  char text[80];
  if (setting.key) {
    const int scancode = KeyFromName(value.c_str());
    const char* const kept = NameOfKey(setting.key->scancode);
    if (!scancode) {
      const char* near = KeyNameNear(value);
      if (near) std::snprintf(text, sizeof text, "no key of that name (did you mean %s?); keeping %s", near, kept);
      else std::snprintf(text, sizeof text, "no key of that name; keeping %s", kept);
    } else if (scancode == KEY_ESC || scancode == KEY_TILDE) {
      std::snprintf(text, sizeof text, "that key %s; keeping %s", scancode == KEY_ESC ? "quits" : "traces", kept);
    } else {
      setting.key->scancode = scancode;
      return true;
    }
  } else if (setting.number) {
    if (ParseNumber(value, setting.low, setting.high, *setting.number)) return true;
    std::snprintf(text, sizeof text, "not a whole number from %d to %d; keeping %d", setting.low, setting.high,
                  *setting.number);
  } else {
    if (strcasecmp(value.c_str(), "yes") == 0 || strcasecmp(value.c_str(), "no") == 0) {
      *setting.yes_no = strcasecmp(value.c_str(), "yes") == 0;
      return true;
    }
    std::snprintf(text, sizeof text, "not yes or no; keeping %s", *setting.yes_no ? "yes" : "no");
  }
  why = text;
  return false;
}

// Reads the file line by line, taking each setting as it comes: of a
// setting given twice, the later line counts. Every mistake is one line on
// stderr naming the file and the line.
class Reader {
 public:
  Reader(const std::string& path, DisplayMode& video) : path_(path), known_(KnownSettings(video)) {}

  void Read(std::string_view text) {
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.remove_prefix(3);  // the mark some editors put first
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find('\n', at);
      if (end == std::string_view::npos) end = text.size();
      line_++;
      ReadLine(Trim(text.substr(at, end - at)));
      at = end + 1;
    }
    ReportSharedKeys();
    if (reports_ > MostReports)
      std::fprintf(stderr, "pellix: %s: %d more mistakes not shown\n", path_.c_str(), reports_ - MostReports);
  }

 private:
  void Report(const std::string& what) {
    if (reports_++ < MostReports) std::fprintf(stderr, "pellix: %s:%d: %s\n", path_.c_str(), line_, what.c_str());
  }

  void ReadLine(std::string_view text) {
    if (text.empty() || text[0] == '#') return;
    if (text[0] == '[') return ReadHeader(text);
    // The section's header was reported; what is under it is not blamed.
    if (section_ == Section::Unknown || section_ == Section::Broken) return;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) return Report(Echo(text) + ": not a setting (no =), ignored");
    const std::string_view name = Trim(text.substr(0, equals));
    const std::string value(Trim(text.substr(equals + 1)));
    if (name.empty()) return Report(Echo(text) + ": not a setting (no name before =), ignored");
    const std::string said = Echo(name) + " = " + Echo(value);
    if (section_ == Section::None) return Report(said + ": outside any section, ignored");
    const std::string where = "[" + Echo(section_name_) + "] " + said;
    const Setting* setting = nullptr;
    for (const Setting& s : known_)
      if (!setting && s.section == section_ && SameName(name, s.name)) setting = &s;
    if (!setting) return Report(where + ": unknown setting, ignored");
    std::string why;
    if (!Take(*setting, value, why)) return Report(where + ": " + why);
    const auto [earlier, first] = taken_on_.emplace(setting, line_);
    if (first) return;
    Report(where + ": overrides line " + std::to_string(earlier->second) + "; the later line counts");
    earlier->second = line_;
  }

  // Two actions on one key both happen at each press: said once for each
  // pair, at the later of the lines that set them.
  void ReportSharedKeys() {
    auto line_of = [this](int action) {
      for (const Setting& s : known_) {
        const auto taken = taken_on_.find(&s);
        if (s.key == &KeyBindings[action] && taken != taken_on_.end()) return taken->second;
      }
      return 0;  // the default
    };
    for (int later = 0; later < ActionCount; later++) {
      for (int other = 0; other < later; other++) {
        if (KeyBindings[later].scancode != KeyBindings[other].scancode) continue;
        const bool swap = line_of(other) > line_of(later);
        const KeyBinding& set = KeyBindings[swap ? other : later];
        line_ = std::max(line_of(other), line_of(later));
        Report(std::string("[keys] ") + set.name + " = " + NameOfKey(set.scancode) + ": also the key of " +
               KeyBindings[swap ? later : other].name + "; both happen at each press");
      }
    }
  }

  // "[name]" and nothing more. After a broken header the lines are
  // skipped up to the next good one: their section is not known.
  void ReadHeader(std::string_view text) {
    const size_t close = text.find(']');
    const std::string_view name = close == std::string_view::npos ? "" : Trim(text.substr(1, close - 1));
    if (name.empty() || close != text.size() - 1) {
      section_ = Section::Broken;
      return Report(Echo(text) + ": broken section header; the lines up to the next section are ignored");
    }
    section_name_ = std::string(name);
    section_ = SameName(name, KeysSection)       ? Section::Keys
               : SameName(name, JoystickSection) ? Section::Joystick
               : SameName(name, VideoSection)    ? Section::Video
               : SameName(name, SoundSection)    ? Section::Sound
                                                 : Section::Unknown;
    if (section_ == Section::Unknown) Report("[" + Echo(name) + "]: unknown section, ignored");
  }

  const std::string& path_;
  const std::vector<Setting> known_;
  Section section_ = Section::None;
  std::string section_name_;                // as the file writes it
  std::map<const Setting*, int> taken_on_;  // the line each setting was last taken from
  int line_ = 0;
  int reports_ = 0;
};

}  // namespace

std::string DefaultConfigPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/pellix/pellix.cfg";
  const char* home = std::getenv("HOME");
  if (home && home[0]) return std::string(home) + "/.config/pellix/pellix.cfg";
  return "";
}

void LoadConfiguration(const char* path, DisplayMode& video) {
  const std::string file = path ? path : DefaultConfigPath();
  if (file.empty()) return;
  std::vector<uint8_t> bytes;
  const FileRead read = ReadWholeFile(file, LargestConfigFile, bytes);
  if (read.error == ENOENT && !path) return;  // no file of one's own yet
  if (read.error || read.too_large) {
    char reason[64];
    if (read.too_large) std::snprintf(reason, sizeof reason, "too large: over %zu MiB", LargestConfigFile >> 20);
    std::fprintf(stderr, "pellix: %s: cannot read the configuration file (%s); using the defaults\n", file.c_str(),
                 read.too_large ? reason : std::strerror(read.error));
    return;
  }
  Reader(file, video).Read(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

int KeyFromName(const char* name) {
  if (!name) return 0;
  if (strncasecmp(name, "KEY_", 4) == 0) name += 4;
  for (const NamedKey& k : KeyNames)
    if (strcasecmp(name, k.name) == 0) return k.scancode;
  return 0;
}

const char* NameOfKey(int scancode) {
  for (const NamedKey& k : KeyNames)
    if (k.scancode == scancode) return k.name;
  return "?";
}

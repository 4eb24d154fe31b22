#include "shell/config.h"

#include <allegro.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/input.h"
#include "shell/rewind.h"
#include "video/renderer.h"

namespace {

const char* const KeysSection = "keys";
const char* const JoystickSection = "joystick";
const char* const VideoSection = "video";

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

const char* const JoystickSettings[] = {"number", "a", "b", "start", "select"};
const char* const VideoSettings[] = {"scale", "fullscreen", "colour", "rewind"};

// One line per mistake: the file, the setting, the value and what happens.
void Complain(const char* path, const char* section, const char* name, const char* value, const char* why) {
  std::fprintf(stderr, "pellix: %s: [%s] %s = %s: %s\n", path, section, name, value, why);
}

// A whole decimal number from low to high, or false.
bool ParseNumber(const char* text, int low, int high, int& value) {
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (errno || end == text || *end || v < low || v > high) return false;
  value = static_cast<int>(v);
  return true;
}

bool IsOneOf(const char* name, const char* const* names, int count) {
  for (int i = 0; i < count; i++)
    if (strcasecmp(name, names[i]) == 0) return true;
  return false;
}

// Sections and settings the program does not know: most likely a typing
// mistake, which should not go unnoticed.
void ReportUnknownNames(const char* path) {
  const char** names = nullptr;
  int count = list_config_sections(&names);
  for (int i = 0; i < count; i++) {
    const char* s = names[i];
    if (strcasecmp(s, "[keys]") && strcasecmp(s, "[joystick]") && strcasecmp(s, "[video]"))
      std::fprintf(stderr, "pellix: %s: %s: unknown section, ignored\n", path, s);
  }
  free_config_entries(&names);
  count = list_config_entries(nullptr, &names);
  for (int i = 0; i < count; i++)
    std::fprintf(stderr, "pellix: %s: %s = %s: outside any section, ignored\n", path, names[i],
                 get_config_string(nullptr, names[i], ""));
  free_config_entries(&names);

  const char* key_settings[ActionCount];
  for (int i = 0; i < ActionCount; i++) key_settings[i] = DefaultKeyBindings[i].name;
  const struct {
    const char* section;
    const char* const* names;
    int count;
  } sections[] = {{KeysSection, key_settings, ActionCount},
                  {JoystickSection, JoystickSettings, static_cast<int>(std::size(JoystickSettings))},
                  {VideoSection, VideoSettings, static_cast<int>(std::size(VideoSettings))}};
  for (const auto& s : sections) {
    count = list_config_entries(s.section, &names);
    for (int i = 0; i < count; i++) {
      if (!IsOneOf(names[i], s.names, s.count))
        Complain(path, s.section, names[i], get_config_string(s.section, names[i], ""), "unknown setting, ignored");
    }
    free_config_entries(&names);
  }
}

void ReadKeys(const char* path) {
  for (int i = 0; i < ActionCount; i++) {
    KeyBinding& binding = KeyBindings[i];
    const char* value = get_config_string(KeysSection, binding.name, nullptr);
    if (!value) continue;
    const int scancode = KeyFromName(value);
    char why[80];
    if (!scancode) {
      std::snprintf(why, sizeof why, "no key of that name; keeping %s", NameOfKey(binding.scancode));
    } else if (scancode == KEY_ESC || scancode == KEY_TILDE) {
      std::snprintf(why, sizeof why, "that key %s; keeping %s", scancode == KEY_ESC ? "quits" : "traces",
                    NameOfKey(binding.scancode));
    } else {
      binding.scancode = scancode;
      continue;
    }
    Complain(path, KeysSection, binding.name, value, why);
  }
}

void ReadNumber(const char* path, const char* section, const char* name, int low, int high, int& setting) {
  const char* value = get_config_string(section, name, nullptr);
  if (!value || ParseNumber(value, low, high, setting)) return;
  char why[80];
  std::snprintf(why, sizeof why, "not a whole number from %d to %d; keeping %d", low, high, setting);
  Complain(path, section, name, value, why);
}

void ReadJoystick(const char* path) {
  constexpr int LastButton = MAX_JOYSTICK_BUTTONS - 1;
  ReadNumber(path, JoystickSection, "number", 0, MAX_JOYSTICKS - 1, JoystickMap.number);
  ReadNumber(path, JoystickSection, "a", 0, LastButton, JoystickMap.a);
  ReadNumber(path, JoystickSection, "b", 0, LastButton, JoystickMap.b);
  ReadNumber(path, JoystickSection, "start", 0, LastButton, JoystickMap.start);
  ReadNumber(path, JoystickSection, "select", 0, LastButton, JoystickMap.select);
}

void ReadYesNo(const char* path, const char* section, const char* name, bool& setting) {
  const char* value = get_config_string(section, name, nullptr);
  if (!value) return;
  if (strcasecmp(value, "yes") == 0) setting = true;
  else if (strcasecmp(value, "no") == 0) setting = false;
  else Complain(path, section, name, value, setting ? "not yes or no; keeping yes" : "not yes or no; keeping no");
}

// colour = yes draws colour cartridges in their colour palettes, as
// --colour does; rewind = no keeps no snapshots for rewinding.
void ReadVideo(const char* path, DisplayMode& video) {
  ReadNumber(path, VideoSection, "scale", 1, MaxScale, video.scale);
  ReadYesNo(path, VideoSection, "fullscreen", video.fullscreen);
  ReadYesNo(path, VideoSection, "colour", TrueColoursOption);
  ReadYesNo(path, VideoSection, "rewind", RewindOption);
}

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
  struct stat st;
  if (stat(file.c_str(), &st) != 0 && errno == ENOENT && !path) return;  // no file of one's own yet
  if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || access(file.c_str(), R_OK) != 0) {
    std::fprintf(stderr, "pellix: %s: cannot read the configuration file; using the defaults\n", file.c_str());
    return;
  }
  // Allegro's own configuration stays as it was: ours is read in a state of
  // its own, and as nothing is set, nothing is written back at exit.
  push_config_state();
  set_config_file(file.c_str());
  ReportUnknownNames(file.c_str());
  ReadKeys(file.c_str());
  ReadJoystick(file.c_str());
  ReadVideo(file.c_str(), video);
  pop_config_state();
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

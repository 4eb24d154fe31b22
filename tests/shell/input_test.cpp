#include <allegro.h>
#include <gtest/gtest.h>

#include <cstring>

#include "cpu/cpu.h"
#include "memory/io_registers.h"
#include "shell/display.h"
#include "shell/input.h"
#include "shell/input_script.h"
#include "shell_machine.h"

namespace {

// Polls with the device arrays as the test set them. Allegro's key and joy
// arrays are plain globals; with no joystick driver installed poll_joystick
// leaves joy alone. The run is marked windowed only for the poll.
class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetShellMachine();
    ClearDevices();
  }
  void TearDown() override {
    ClearDevices();
    RestoreDefaultBindings();
    Headless = true;
  }
  static void ClearDevices() {
    for (int k = 0; k < KEY_MAX; k++) key[k] = 0;
    std::memset(joy, 0, sizeof(JOYSTICK_INFO) * MAX_JOYSTICKS);
  }
  static void Poll() {
    Headless = false;
    PollInput();
    Headless = true;
  }
  static int Held() {  // what the machine holds, as bits: Up Down Left Right A B Start Select
    int bits = 0;
    for (uint8_t button : {ButtonUp, ButtonDown, ButtonLeft, ButtonRight, ButtonA, ButtonB, ButtonStart, ButtonSelect})
      bits = bits << 1 | ((m.io.joypad_held & button) ? 1 : 0);
    return bits;
  }
  static uint8_t ReadP1(int select) {
    IoWrite(m, 0xFF00, select);
    return IoRead(m, 0xFF00);
  }
};

constexpr int Up = 0x80, Down = 0x40, Left = 0x20, Right = 0x10, A = 0x08, B = 0x04, Start = 0x02, Select = 0x01;

}  // namespace

TEST_F(InputTest, EachKeyHoldsItsButton) {
  const struct {
    int scancode, button;
    const char* name;
  } keys[] = {{KEY_UP, Up, "Up"},  {KEY_DOWN, Down, "Down"}, {KEY_LEFT, Left, "Left"}, {KEY_RIGHT, Right, "Right"},
              {KEY_Z, B, "Z"},     {KEY_X, A, "X"},          {KEY_Q, Start, "Q"},     {KEY_W, Select, "W"}};
  for (const auto& k : keys) {
    ClearDevices();
    key[k.scancode] = 1;
    Poll();
    EXPECT_EQ(Held(), k.button) << "key " << k.name << " holds exactly its button";
  }
  ClearDevices();
  Poll();
  EXPECT_EQ(Held(), 0) << "a released key releases its button";
  EXPECT_FALSE(m.trace.key_held);
  key[KEY_TILDE] = 1;
  Poll();
  EXPECT_EQ(Held(), 0) << "tilde holds no button";
  EXPECT_TRUE(m.trace.key_held) << "tilde traces the instructions until the next poll";
  key[KEY_TILDE] = 0;
  Poll();
  EXPECT_FALSE(m.trace.key_held);
}

TEST_F(InputTest, JoystickZeroStickAndButtons) {
  struct Case {
    int axis, direction, button;
    const char* name;
  } sticks[] = {{1, 1, Up, "vertical d1"}, {1, 2, Down, "vertical d2"},
                {0, 1, Left, "horizontal d1"}, {0, 2, Right, "horizontal d2"}};
  for (const Case& c : sticks) {
    ClearDevices();
    if (c.direction == 1) joy[0].stick[0].axis[c.axis].d1 = 1;
    else joy[0].stick[0].axis[c.axis].d2 = 1;
    Poll();
    EXPECT_EQ(Held(), c.button) << c.name;
  }
  const struct {
    int index, button;
  } buttons[] = {{0, B}, {1, A}, {8, Start}, {9, Select}};
  for (const auto& b : buttons) {
    ClearDevices();
    joy[0].button[b.index].b = 1;
    Poll();
    EXPECT_EQ(Held(), b.button) << "joystick button " << b.index;
  }
}

TEST_F(InputTest, OtherJoysticksAndButtonsAreIgnored) {
  joy[1].button[0].b = 1;
  joy[1].stick[0].axis[0].d1 = 1;
  joy[0].button[2].b = 1;
  joy[0].stick[1].axis[0].d1 = 1;
  Poll();
  EXPECT_EQ(Held(), 0);
}

TEST_F(InputTest, OppositeDirectionsAndButtonPairsAreNotFiltered) {
  key[KEY_LEFT] = key[KEY_RIGHT] = 1;
  key[KEY_Z] = key[KEY_X] = 1;
  Poll();
  EXPECT_EQ(Held(), Left | Right | A | B);
  EXPECT_EQ(ReadP1(0x20), 0xFC) << "directions selected: Left and Right bits cleared";
  EXPECT_EQ(ReadP1(0x10), 0xFC) << "buttons selected: B and A bits cleared";
}

// P1 bit 5 written selects the directions, bit 4 the buttons; a read shows
// the selected half only, 0 meaning held, bits 7-4 always 1.
TEST_F(InputTest, JoypadByteShowsTheSelectedHalf) {
  key[KEY_DOWN] = key[KEY_UP] = 1;
  key[KEY_Z] = 1;
  Poll();
  EXPECT_EQ(ReadP1(0x20), 0xF3) << "directions: Down bit 3 and Up bit 2 cleared";
  EXPECT_EQ(ReadP1(0x10), 0xFD) << "buttons: B bit 1 cleared";
  ClearDevices();
  key[KEY_RIGHT] = key[KEY_Q] = key[KEY_W] = 1;
  Poll();
  EXPECT_EQ(ReadP1(0x20), 0xFE) << "directions: Right is bit 0";
  EXPECT_EQ(ReadP1(0x10), 0xF3) << "buttons: Start bit 3 and Select bit 2 cleared";
  ClearDevices();
  key[KEY_LEFT] = key[KEY_X] = 1;
  Poll();
  EXPECT_EQ(ReadP1(0x20), 0xFD) << "directions: Left is bit 1";
  EXPECT_EQ(ReadP1(0x10), 0xFE) << "buttons: A is bit 0";
}

TEST_F(InputTest, HeadlessRunsReadNoDevice) {
  key[KEY_X] = 1;
  joy[0].button[0].b = 1;
  Headless = true;
  PollInput();
  EXPECT_EQ(Held(), 0) << "all buttons up headless";
  EXPECT_EQ(ReadP1(0x10), 0xFF);
}

// Keys and joystick buttons from the configuration take the place of the
// defaults: the old ones do nothing any more.
TEST_F(InputTest, ConfiguredKeysAndJoystickReplaceTheDefaults) {
  KeyBindings[ActionA].scancode = KEY_SPACE;
  KeyBindings[ActionUp].scancode = KEY_W;  // W was Select's key
  KeyBindings[ActionSelect].scancode = KEY_RSHIFT;
  JoystickMap = JoystickBinding{2, 5, 4, 11, 10};

  key[KEY_X] = key[KEY_UP] = 1;
  joy[0].button[1].b = joy[0].button[0].b = 1;
  joy[0].stick[0].axis[0].d1 = 1;
  Poll();
  EXPECT_EQ(Held(), 0) << "the old keys and the first joystick do nothing";

  ClearDevices();
  key[KEY_SPACE] = key[KEY_W] = key[KEY_RSHIFT] = 1;
  Poll();
  EXPECT_EQ(Held(), A | Up | Select);

  ClearDevices();
  joy[2].button[5].b = joy[2].button[4].b = joy[2].button[11].b = joy[2].button[10].b = 1;
  joy[2].stick[0].axis[1].d2 = 1;
  Poll();
  EXPECT_EQ(Held(), A | B | Start | Select | Down) << "the chosen joystick's buttons and stick";
}

// A script's buttons are the only ones headless; in a window the keyboard
// and joystick add to them.
TEST_F(InputTest, ScriptButtonsAloneHeadlessAndAddedToTheDevicesInAWindow) {
  ScriptButtons = JoypadButtons{};
  ScriptButtons.A = ScriptButtons.Down = 1;
  key[KEY_X] = 1;
  key[KEY_LEFT] = 1;
  joy[0].button[8].b = 1;
  Headless = true;
  PollInput();
  EXPECT_EQ(Held(), Down | A) << "headless: the script alone";
  Poll();
  EXPECT_EQ(Held(), Down | A | Left | Start) << "window: script, keys and joystick together";
  ScriptButtons = JoypadButtons{};
  ClearDevices();
  Poll();
  EXPECT_EQ(Held(), 0);
}

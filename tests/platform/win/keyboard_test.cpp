// The layer's keyboard tables and keysym names, checked against X's own
// library: the names come from the same keysymdef.h that Xlib is built from.
#include <gtest/gtest.h>
#include <X11/Xlib.h>

#include <cstring>
#include <set>
#include <string>

#include "platform/win/key_tables.h"
#include "platform/win/keysym_names.h"

namespace {

TEST(KeysymNames, EveryNameGivesXlibsKeysymAndEveryKeysymXlibsName) {
  ASSERT_GT(lx_keysym_name_count, 900);
  EXPECT_EQ(keyArray[lx_keysym_name_count].name, nullptr);
  std::set<uint32_t> values;
  for (const Lx_KeysymName* k = keyArray; k->name != nullptr; ++k) {
    SCOPED_TRACE(k->name);
    EXPECT_EQ(Lx_StringToKeysym(k->name), XStringToKeysym(k->name));
    values.insert(k->keysym);
  }
  for (uint32_t v : values) {
    SCOPED_TRACE(testing::Message() << std::hex << v);
    const char* x_name = XKeysymToString(v);
    const char* ours = Lx_KeysymToString(v);
    ASSERT_NE(ours, nullptr);
    ASSERT_NE(x_name, nullptr);
    EXPECT_STREQ(ours, x_name);
  }
}

TEST(KeysymNames, UnknownNamesAndKeysymsGiveNothing) {
  EXPECT_EQ(Lx_StringToKeysym("Return"), 0xFF0Du);
  EXPECT_EQ(Lx_StringToKeysym("BackSpace"), 0xFF08u);
  for (const char* name : {"NoSuchKey", "", "return", "Return "}) EXPECT_EQ(Lx_StringToKeysym(name), 0u) << name;
  EXPECT_EQ(Lx_StringToKeysym(nullptr), 0u);
  EXPECT_EQ(Lx_KeysymToString(0x12345678), nullptr);
  EXPECT_EQ(Lx_KeysymToString(0), nullptr);
}

TEST(KeyTables, EveryTableKeysymIsNamedByXAndFindsAKeyThatGivesIt) {
  for (unsigned vk = 0; vk < 256; ++vk) {
    for (int column = 0; column < 2; ++column) {
      const uint32_t sym = Lx_TableKeysym(vk, column);
      if (sym == 0 || sym == LX_ASK_LAYOUT) continue;
      SCOPED_TRACE(testing::Message() << "key " << vk << " column " << column << " keysym " << std::hex << sym);
      EXPECT_NE(XKeysymToString(sym), nullptr);
      const unsigned back = Lx_KeysymToKeycode(sym);
      ASSERT_NE(back, 0u);
      EXPECT_TRUE(Lx_TableKeysym(back, 0) == sym || Lx_TableKeysym(back, 1) == sym ||
                  (Lx_TableKeysym(back, 0) == LX_ASK_LAYOUT && (back == sym || back + 0x20 == sym)));
    }
  }
}

TEST(KeyTables, NamedKeysAndTheirKeysyms) {
  const struct {
    unsigned keycode;
    int index;
    uint32_t keysym;
  } table[] = {
      {8, 0, 0xFF08},   {13, 0, 0xFF0D},  {16, 0, 0xFFE1},  {17, 0, 0xFFE3},  {18, 0, 0xFFE9},
      {27, 0, 0xFF1B},  {32, 0, 0x20},    {37, 0, 0xFF51},  {40, 0, 0xFF54},  {46, 0, 0xFFFF},
      {96, 0, 0xFFB0},  {105, 0, 0xFFB9}, {112, 0, 0xFFBE}, {123, 0, 0xFFC9}, {65, 0, LX_ASK_LAYOUT},
      {65, 1, 0x41},    {90, 1, 0x5A},    {48, 1, 0x29},    {49, 1, 0x21},    {50, 1, 0x40},
      {48, 0, LX_ASK_LAYOUT},             {112, LX_INDEX_SHIFT | LX_INDEX_ALT, 0xFFBE},
      {65, LX_INDEX_SHIFT, LX_ASK_LAYOUT}, {255, 0, 0},    {256, 0, 0},      {300, 1, 0},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(testing::Message() << "key " << c.keycode << " index " << c.index);
    EXPECT_EQ(Lx_TableKeysym(c.keycode, c.index), c.keysym);
  }
}

TEST(KeyTables, KeysymsFindTheirKeys) {
  const struct {
    uint32_t keysym;
    unsigned keycode;
  } table[] = {
      {'a', 65}, {'z', 90}, {'A', 65}, {'0', 48}, {'9', 57}, {0, 0}, {0xFF0D, 13}, {0xFFE1, 16},
      {0xFFBE, 112}, {';', 0xBA}, {':', 0xBA}, {'!', 49}, {0xFFB5, 101}, {0x20AC, 0}, {0x12345678, 0},
  };
  for (const auto& c : table) EXPECT_EQ(Lx_KeysymToKeycode(c.keysym), c.keycode) << std::hex << c.keysym;
}

TEST(KeyTables, ModifierBitsMakeTheKeyboardState) {
  const struct {
    unsigned state;
    int index;
  } table[] = {
      {ShiftMask, LX_INDEX_SHIFT},   {LockMask, LX_INDEX_CAPS_LOCK}, {Mod2Mask, LX_INDEX_NUM_LOCK},
      {ControlMask, LX_INDEX_CONTROL}, {Mod1Mask, LX_INDEX_ALT},     {Mod5Mask | Button1Mask, 0},
      {ShiftMask | Mod1Mask, LX_INDEX_SHIFT | LX_INDEX_ALT},
  };
  for (const auto& c : table) EXPECT_EQ(Lx_KeyIndexFromState(c.state), c.index) << std::hex << c.state;

  uint8_t keys[256];
  Lx_KeyboardStateFromIndex(LX_INDEX_SHIFT | LX_INDEX_CAPS_LOCK | LX_INDEX_ALT, keys);
  EXPECT_EQ(keys[0x10], 0x80);  // Shift down
  EXPECT_EQ(keys[0x14], 0x01);  // Caps Lock toggled
  EXPECT_EQ(keys[0x12], 0x80);  // Alt down
  EXPECT_EQ(keys[0x11], 0);
  EXPECT_EQ(keys[0x90], 0);
}

TEST(KeyTables, KeysWithoutLayoutCharacterGiveTheirStrings) {
  const struct {
    unsigned keycode;
    const char* text;
  } table[] = {{8, "\r"}, {13, "\r"}, {9, "\t"}, {32, " "}, {46, "\x1f"}, {112, ""}, {47, ""}, {300, ""}};
  for (const auto& c : table) {
    char buffer[8];
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(Lx_KeycodeString(c.keycode, buffer, sizeof buffer), static_cast<int>(strlen(c.text))) << c.keycode;
    EXPECT_STREQ(buffer, c.text) << c.keycode;
  }
  char one = 'x';
  EXPECT_EQ(Lx_KeycodeString(9, &one, 1), 1);  // fills the buffer, no room for the terminator
  EXPECT_EQ(one, '\t');
  EXPECT_EQ(Lx_KeycodeString(9, &one, 0), 0);
}

}  // namespace

#include "platform/win/key_tables.h"

#include <array>
#include <cstring>

namespace {

constexpr uint32_t L = LX_ASK_LAYOUT;

// One key of the tables: its keysyms unshifted and shifted, and for the keys
// whose symbols the layout gives, the unshifted symbol of a US layout under
// which the key is found.
struct KeyRow {
  uint8_t vk;
  uint32_t plain, shifted;
  uint32_t us_plain = 0;
};

constexpr KeyRow rows[] = {
    {0x03, 0xFF6B, 0xFF6B}, {0x08, 0xFF08, 0xFF08}, {0x09, 0xFF09, 0xFF09}, {0x0C, 0xFF0B, 0xFF0B},
    {0x0D, 0xFF0D, 0xFF0D}, {0x10, 0xFFE1, 0xFFE1}, {0x11, 0xFFE3, 0xFFE3}, {0x12, 0xFFE9, 0xFFE9},
    {0x13, 0xFF13, 0xFF13}, {0x14, 0xFFE5, 0xFFE5}, {0x1B, 0xFF1B, 0xFF1B}, {0x20, 0x20, 0x20},
    {0x21, 0xFF55, 0xFF55}, {0x22, 0xFF56, 0xFF56}, {0x23, 0xFF57, 0xFF57}, {0x24, 0xFF50, 0xFF50},
    {0x25, 0xFF51, 0xFF51}, {0x26, 0xFF52, 0xFF52}, {0x27, 0xFF53, 0xFF53}, {0x28, 0xFF54, 0xFF54},
    {0x29, 0xFF60, 0xFF60}, {0x2A, 0xFF61, 0xFF61}, {0x2B, 0xFF62, 0xFF62}, {0x2C, 0xFF61, 0xFF61},
    {0x2D, 0xFF63, 0xFF63}, {0x2E, 0xFFFF, 0xFFFF}, {0x2F, 0xFF6A, 0xFF6A},
    // The digit row, with a US layout's shifted symbols.
    {0x30, L, 0x29, 0x30}, {0x31, L, 0x21, 0x31}, {0x32, L, 0x40, 0x32}, {0x33, L, 0x23, 0x33},
    {0x34, L, 0x24, 0x34}, {0x35, L, 0x25, 0x35}, {0x36, L, 0x5E, 0x36}, {0x37, L, 0x26, 0x37},
    {0x38, L, 0x2A, 0x38}, {0x39, L, 0x28, 0x39},
    {0x5B, 0xFFEB, 0xFFEB}, {0x5C, 0xFFEC, 0xFFEC}, {0x5D, 0xFF67, 0xFF67},
    // The keypad.
    {0x60, 0xFFB0, 0xFFB0}, {0x61, 0xFFB1, 0xFFB1}, {0x62, 0xFFB2, 0xFFB2}, {0x63, 0xFFB3, 0xFFB3},
    {0x64, 0xFFB4, 0xFFB4}, {0x65, 0xFFB5, 0xFFB5}, {0x66, 0xFFB6, 0xFFB6}, {0x67, 0xFFB7, 0xFFB7},
    {0x68, 0xFFB8, 0xFFB8}, {0x69, 0xFFB9, 0xFFB9}, {0x6A, 0xFFAA, 0xFFAA}, {0x6B, 0xFFAB, 0xFFAB},
    {0x6C, 0xFFAC, 0xFFAC}, {0x6D, 0xFFAD, 0xFFAD}, {0x6E, 0xFFAE, 0xFFAE}, {0x6F, 0xFFAF, 0xFFAF},
    {0x90, 0xFF7F, 0xFF7F}, {0x91, 0xFF14, 0xFF14},
    {0xA0, 0xFFE1, 0xFFE1}, {0xA1, 0xFFE2, 0xFFE2}, {0xA2, 0xFFE3, 0xFFE3}, {0xA3, 0xFFE4, 0xFFE4},
    {0xA4, 0xFFE9, 0xFFE9}, {0xA5, 0xFFEA, 0xFFEA},
    // Punctuation keys, placed as on a US layout.
    {0xBA, L, 0x3A, 0x3B}, {0xBB, L, 0x2B, 0x3D}, {0xBC, L, 0x3C, 0x2C}, {0xBD, L, 0x5F, 0x2D},
    {0xBE, L, 0x3E, 0x2E}, {0xBF, L, 0x3F, 0x2F}, {0xC0, L, 0x7E, 0x60}, {0xDB, L, 0x7B, 0x5B},
    {0xDC, L, 0x7C, 0x5C}, {0xDD, L, 0x7D, 0x5D}, {0xDE, L, 0x22, 0x27}, {0xE2, L, 0x3E, 0x3C},
};

using Columns = std::array<std::array<uint32_t, 2>, 256>;

// Letters (small by layout, capital when shifted) and F1 to F24 join the rows.
constexpr Columns make_columns(bool for_lookup) {
  Columns c{};
  for (const KeyRow& r : rows) c[r.vk] = {for_lookup && r.plain == L ? r.us_plain : r.plain, r.shifted};
  for (uint32_t vk = 0x41; vk <= 0x5A; ++vk) c[vk] = {for_lookup ? vk + 0x20 : L, vk};
  for (uint32_t vk = 0x70; vk <= 0x87; ++vk) c[vk] = {0xFFBE + vk - 0x70, 0xFFBE + vk - 0x70};
  return c;
}

constexpr Columns keyCodeToKeySym = make_columns(false);
constexpr Columns keyCodeForKeySym = make_columns(true);

// Strings of keycodes 0 to 47 when the layout gives no character.
constexpr const char* keyCodeToString[48] = {
    "", "", "", "", "", "", "", "", "\r", "\t", "", "", "", "\r", "", "",
    "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
    " ", "", "", "", "", "", "", "", "", "", "", "", "", "", "\x1f", "",
};

}  // namespace

uint32_t Lx_TableKeysym(unsigned keycode, int index) {
  if (keycode > 255) return 0;
  return keyCodeToKeySym[keycode][index & LX_INDEX_SHIFTED];
}

unsigned Lx_KeysymToKeycode(uint32_t keysym) {
  if ((keysym >= '0' && keysym <= '9') || (keysym >= 'A' && keysym <= 'Z')) return keysym;
  if (keysym >= 'a' && keysym <= 'z') return keysym - 0x20;
  if (keysym == 0) return 0;
  for (unsigned vk = 0; vk < 256; ++vk)
    if (keyCodeForKeySym[vk][0] == keysym || keyCodeForKeySym[vk][1] == keysym) return vk;
  return 0;
}

int Lx_KeyIndexFromState(unsigned state) {
  const struct {
    unsigned bit;  // ShiftMask, LockMask, Mod2Mask, ControlMask, Mod1Mask
    int index;
  } bits[] = {{0x01, LX_INDEX_SHIFT}, {0x02, LX_INDEX_CAPS_LOCK}, {0x10, LX_INDEX_NUM_LOCK},
              {0x04, LX_INDEX_CONTROL}, {0x08, LX_INDEX_ALT}};
  int index = 0;
  for (const auto& b : bits)
    if ((state & b.bit) != 0) index |= b.index;
  return index;
}

void Lx_KeyboardStateFromIndex(int index, uint8_t state[256]) {
  constexpr uint8_t down = 0x80, toggled = 0x01;
  memset(state, 0, 256);
  const struct {
    int index;
    uint8_t vk, value;
  } keys[] = {
      {LX_INDEX_SHIFT, 0x10, down},          {LX_INDEX_SHIFT, 0xA0, down},
      {LX_INDEX_CAPS_LOCK, 0x14, toggled},   {LX_INDEX_NUM_LOCK, 0x90, toggled},
      {LX_INDEX_CONTROL, 0x11, down},        {LX_INDEX_CONTROL, 0xA2, down},
      {LX_INDEX_ALT, 0x12, down},            {LX_INDEX_ALT, 0xA4, down},
  };
  for (const auto& k : keys)
    if ((index & k.index) != 0) state[k.vk] |= k.value;
}

int Lx_KeycodeString(unsigned keycode, char* buffer, int length) {
  if (length <= 0) return 0;
  const char* s = keycode < 48 ? keyCodeToString[keycode] : "";
  int n = static_cast<int>(strlen(s));
  if (n > length) n = length;
  memcpy(buffer, s, n);
  if (n < length) buffer[n] = '\0';
  return n;
}

// The keyboard tables of the layer, whose keycodes are the system's
// virtual-key codes 0 to 255: the keysyms of each key, the key of a keysym,
// the strings of keys that the layout gives no character, and the keyboard
// state that the X modifier bits stand for. Portable code.
#pragma once

#include <cstddef>
#include <cstdint>

// A table keysym that leaves the key's symbol to the keyboard layout.
constexpr uint32_t LX_ASK_LAYOUT = 0xFFFFFF;

// Index bits that stand for keyboard state; bit 1 selects the shifted column.
constexpr int LX_INDEX_SHIFTED = 1;
constexpr int LX_INDEX_SHIFT = 2;
constexpr int LX_INDEX_CAPS_LOCK = 4;
constexpr int LX_INDEX_NUM_LOCK = 8;
constexpr int LX_INDEX_CONTROL = 16;
constexpr int LX_INDEX_ALT = 32;

// The table's keysym of the key in the column that `index` selects: 0 for a
// keycode above 255, LX_ASK_LAYOUT where the layout decides.
uint32_t Lx_TableKeysym(unsigned keycode, int index);
// The key of a keysym: digits and capitals are their own keys, small letters
// their capital's, others from the table (first match); 0 when none.
unsigned Lx_KeysymToKeycode(uint32_t keysym);
// The index bits of an event's X state (Shift, Lock, Mod2 as Num Lock,
// Control, Mod1 as Alt); never the shifted column.
int Lx_KeyIndexFromState(unsigned state);
// A 256-byte system keyboard state with the keys and toggles that `index` names.
void Lx_KeyboardStateFromIndex(int index, uint8_t state[256]);
// The text of a key that the layout gives no character, at most `length`
// bytes with a terminator when it fits; returns its length (0 for keys
// without one).
int Lx_KeycodeString(unsigned keycode, char* buffer, int length);

#include <windows.h>  // before X's headers, whose macros it would meet

#include "platform/win/keyboard.h"

#include <X11/Xutil.h>

#include "platform/win/key_tables.h"
#include "platform/win/keysym_names.h"

namespace {

// The one character of the key in the keyboard state of `index`, or -1.
int layout_character(unsigned keycode, int index) {
  BYTE state[256];
  Lx_KeyboardStateFromIndex(index, state);
  WORD chars[2] = {0, 0};
  const UINT scan = MapVirtualKey(keycode, MAPVK_VK_TO_VSC);
  return ToAscii(keycode, scan, state, chars, 0) == 1 ? (chars[0] & 0xFF) : -1;
}

}  // namespace

KeySym Lx_KeycodeToKeysym(unsigned keycode, int index) {
  const uint32_t sym = Lx_TableKeysym(keycode, index);
  if (sym != LX_ASK_LAYOUT) return sym;
  const int c = layout_character(keycode, index);
  return c >= 0 ? static_cast<KeySym>(c) : NoSymbol;
}

KeySym XKeycodeToKeysym(Display*, KeyCode keycode, int index) { return Lx_KeycodeToKeysym(keycode, index); }

KeySym XLookupKeysym(XKeyEvent* event, int index) { return Lx_KeycodeToKeysym(event->keycode, index); }

int XLookupString(XKeyEvent* event, char* buffer, int length, KeySym* keysym, XComposeStatus*) {
  const unsigned keycode = event->keycode;
  const int index = Lx_KeyIndexFromState(event->state);
  if (keysym != nullptr) *keysym = Lx_KeycodeToKeysym(keycode, index);
  if (buffer == nullptr || length <= 0) return 0;
  const int c = keycode <= 255 ? layout_character(keycode, index) : -1;
  if (c >= 0) {
    buffer[0] = static_cast<char>(c);
    if (length > 1) buffer[1] = '\0';
    return 1;
  }
  return Lx_KeycodeString(keycode, buffer, length);
}

KeyCode XKeysymToKeycode(Display*, KeySym keysym) {
  return static_cast<KeyCode>(Lx_KeysymToKeycode(static_cast<uint32_t>(keysym)));
}

KeySym XStringToKeysym(const char* name) { return Lx_StringToKeysym(name); }

char* XKeysymToString(KeySym keysym) {
  return const_cast<char*>(Lx_KeysymToString(static_cast<uint32_t>(keysym)));
}

int XRefreshKeyboardMapping(XMappingEvent*) { return 0; }

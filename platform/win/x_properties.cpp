#include "platform/win/x_properties.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/win/layer.h"
#include "platform/win/property_rules.h"
#include "platform/win/x_icons.h"

namespace {

constexpr Atom kFirstNamedAtom = 0xC000;  // below it the system's atoms are numbers without names

HWND hwnd_of(Window window) { return Lx_Hwnd(window); }

char* copy_of(const char* text, size_t length) {
  auto* copy = static_cast<char*>(malloc(length + 1));
  if (copy == nullptr) return nullptr;
  memcpy(copy, text, length);
  copy[length] = '\0';
  return copy;
}

// Text properties keep their terminator: titles are read back as strings.
bool store_text(Window window, Atom property, const char* text, size_t length) {
  char* block = copy_of(text, length);
  if (block == nullptr) return false;
  const bool stored = Lx_StoreProperty(hwnd_of(window), property, XA_STRING, block, length + 1);
  free(block);
  return stored;
}

// A new copy of a text property (with its terminator) and its length; null when there is none.
char* read_text(Window window, Atom property, size_t* length) {
  Atom type;
  const size_t bytes = Lx_ReadProperty(hwnd_of(window), property, &type, nullptr, 0);
  if (bytes == 0) return nullptr;
  auto* text = static_cast<char*>(malloc(bytes + 1));
  if (text == nullptr) return nullptr;
  Lx_ReadProperty(hwnd_of(window), property, &type, text, bytes);
  text[bytes] = '\0';
  *length = strlen(text);
  return text;
}

bool is_named(Atom atom, const char* name) {
  return atom >= kFirstNamedAtom && GlobalFindAtomA(name) == atom;
}

void set_title(Window window, const char* text, size_t length) {
  char* title = copy_of(text, length);
  if (title == nullptr) return;
  SetWindowTextA(hwnd_of(window), title);
  free(title);
}

}  // namespace

bool Lx_StoreProperty(HWND window, Atom property, Atom type, const void* data, size_t bytes) {
  char name[LX_PROPERTY_NAME_SIZE];
  Lx_PropertyName(static_cast<unsigned>(property), name);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(uint32_t) + bytes);
  if (block == nullptr) return false;
  auto* bytes_of = static_cast<uint8_t*>(GlobalLock(block));
  const auto type_word = static_cast<uint32_t>(type);
  memcpy(bytes_of, &type_word, sizeof type_word);
  if (bytes > 0) memcpy(bytes_of + sizeof type_word, data, bytes);
  GlobalUnlock(block);
  HGLOBAL old = GetPropA(window, name);
  if (!SetPropA(window, name, block)) {
    GlobalFree(block);
    return false;
  }
  if (old != nullptr) GlobalFree(old);
  return true;
}

size_t Lx_ReadProperty(HWND window, Atom property, Atom* type, void* data, size_t size) {
  char name[LX_PROPERTY_NAME_SIZE];
  Lx_PropertyName(static_cast<unsigned>(property), name);
  *type = None;
  HGLOBAL block = GetPropA(window, name);
  const size_t total = block != nullptr ? GlobalSize(block) : 0;
  if (total < sizeof(uint32_t)) return 0;
  const auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
  if (bytes == nullptr) return 0;
  uint32_t type_word;
  memcpy(&type_word, bytes, sizeof type_word);
  *type = type_word;
  const size_t n = total - sizeof type_word;
  if (data != nullptr) memcpy(data, bytes + sizeof type_word, n < size ? n : size);
  GlobalUnlock(block);
  return n;
}

BOOL CALLBACK free_property(HWND window, LPSTR name, HANDLE block, ULONG_PTR) {
  // Atom names are numbers below 0x10000; ours are the "#0x" strings.
  if (reinterpret_cast<uintptr_t>(name) > 0xFFFF && strncmp(name, "#0x", 3) == 0) {
    RemovePropA(window, name);
    if (block != nullptr) GlobalFree(block);
  }
  return TRUE;
}

void Lx_DeleteWindowProperties(Window window) {
  Lx_DestroyWindowIcon(window);
  EnumPropsExA(Lx_Hwnd(window), free_property, 0);
}

bool Lx_IsStoredText(Atom property) {
  return property == XA_WM_NAME || property == XA_WM_ICON_NAME;
}

bool Lx_ReadTextProperty(Window window, Atom property, XTextProperty* text) {
  size_t n = 0;
  char* value = read_text(window, property, &n);
  text->value = reinterpret_cast<unsigned char*>(value);
  text->encoding = value != nullptr ? XA_STRING : None;
  text->format = value != nullptr ? 8 : 0;
  text->nitems = value != nullptr ? n : 0;
  return value != nullptr;
}

// Atoms.

Atom XInternAtom(Display*, const char* name, Bool only_if_exists) {
  if (name == nullptr || !Lx_AtomNameUsable(name)) return None;
  return only_if_exists ? GlobalFindAtomA(name) : GlobalAddAtomA(name);
}

char* XGetAtomName(Display*, Atom atom) {
  if (atom < kFirstNamedAtom || atom > 0xFFFF) return nullptr;
  char name[LX_ATOM_NAME_MAX + 1];
  const UINT n = GlobalGetAtomNameA(static_cast<ATOM>(atom), name, sizeof name);
  return n == 0 ? nullptr : copy_of(name, n);
}

// Properties.

int XChangeProperty(Display*, Window window, Atom property, Atom, int format, int mode, const unsigned char* data,
                    int count) {
  if (mode == PropModeAppend || !is_named(property, "_MOTIF_WM_HINTS")) return 1;
  HWND hwnd = hwnd_of(window);
  const auto style = static_cast<uint32_t>(GetWindowLongA(hwnd, GWL_STYLE));
  uint32_t new_style;
  // Format 32 data are longs, 32 bits here as the hints' words are.
  if (!Lx_MotifFrameStyle(reinterpret_cast<const long*>(data), count, format, style, &new_style)) return 1;
  SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(new_style));
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return 1;
}

int XDeleteProperty(Display*, Window window, Atom property) {
  char name[LX_PROPERTY_NAME_SIZE];
  Lx_PropertyName(static_cast<unsigned>(property), name);
  HGLOBAL block = GetPropA(hwnd_of(window), name);
  if (block == nullptr) return 1;
  GlobalFree(block);
  SetPropA(hwnd_of(window), name, nullptr);  // the name stays, empty
  return 1;
}

int XGetWindowProperty(Display*, Window, Atom, long, long, Bool, Atom, Atom* type, int* format, unsigned long* count,
                       unsigned long* bytes_after, unsigned char** data) {
  *type = None;
  *format = 0;
  *count = 0;
  *bytes_after = 0;
  *data = nullptr;
  return Success;
}

// Titles.

int XStoreName(Display*, Window window, const char* name) {
  if (name == nullptr) return 0;
  const size_t n = strlen(name);
  store_text(window, XA_WM_NAME, name, n);
  set_title(window, name, n);
  return 1;
}

Status XFetchName(Display*, Window window, char** name) {
  size_t n;
  *name = read_text(window, XA_WM_NAME, &n);
  return *name != nullptr;
}

void XSetWMName(Display*, Window window, XTextProperty* text) {
  const auto* value = reinterpret_cast<const char*>(text->value);
  const size_t n = value != nullptr ? strnlen(value, text->nitems) : 0;
  store_text(window, XA_WM_NAME, value != nullptr ? value : "", n);
  set_title(window, value != nullptr ? value : "", n);
}

Status XGetWMName(Display*, Window window, XTextProperty* text) { return Lx_ReadTextProperty(window, XA_WM_NAME, text); }

// The icon name is kept for the title while minimized.
void XSetWMIconName(Display*, Window window, XTextProperty* text) {
  const auto* value = reinterpret_cast<const char*>(text->value);
  store_text(window, XA_WM_ICON_NAME, value != nullptr ? value : "", value != nullptr ? strnlen(value, text->nitems) : 0);
}

Status XStringListToTextProperty(char** list, int count, XTextProperty* text) {
  const char* first = count > 0 && list != nullptr && list[0] != nullptr ? list[0] : "";
  const size_t n = strlen(first);
  text->value = reinterpret_cast<unsigned char*>(copy_of(first, n));
  text->encoding = XA_STRING;
  text->format = 8;
  text->nitems = text->value != nullptr ? n : 0;
  return 1;
}

// Window-manager hints.

int XSetWMHints(Display* display, Window window, XWMHints* hints) {
  Lx_StoreProperty(hwnd_of(window), XA_WM_HINTS, XA_WM_HINTS, hints, sizeof *hints);
  Lx_SetIcon(display, window, hints);
  return 1;
}

XWMHints* XGetWMHints(Display*, Window window) {
  Atom type;
  XWMHints hints{};
  if (Lx_ReadProperty(hwnd_of(window), XA_WM_HINTS, &type, &hints, sizeof hints) < sizeof hints) return nullptr;
  auto* copy = static_cast<XWMHints*>(malloc(sizeof hints));
  if (copy != nullptr) *copy = hints;
  return copy;
}

void XSetWMNormalHints(Display*, Window window, XSizeHints* hints) {
  Lx_StoreProperty(hwnd_of(window), XA_WM_NORMAL_HINTS, XA_WM_SIZE_HINTS, hints, sizeof *hints);
}

Status XGetWMNormalHints(Display*, Window window, XSizeHints* hints, long* supplied) {
  Atom type;
  XSizeHints stored{};
  if (Lx_ReadProperty(hwnd_of(window), XA_WM_NORMAL_HINTS, &type, &stored, sizeof stored) < sizeof stored) return 0;
  *hints = stored;
  if (supplied != nullptr) *supplied = stored.flags;
  return 1;
}

// The class hint as X stores it: the name and the class, each with its terminator.
int XSetClassHint(Display*, Window window, XClassHint* hint) {
  const char* name = hint->res_name != nullptr ? hint->res_name : "";
  const char* class_name = hint->res_class != nullptr ? hint->res_class : "";
  const size_t n = strlen(name) + 1, c = strlen(class_name) + 1;
  auto* both = static_cast<char*>(malloc(n + c));
  if (both == nullptr) return 0;
  memcpy(both, name, n);
  memcpy(both + n, class_name, c);
  Lx_StoreProperty(hwnd_of(window), XA_WM_CLASS, XA_STRING, both, n + c);
  free(both);
  return 1;
}

Status XGetClassHint(Display*, Window window, XClassHint* hint) {
  hint->res_name = hint->res_class = nullptr;
  Atom type;
  const size_t bytes = Lx_ReadProperty(hwnd_of(window), XA_WM_CLASS, &type, nullptr, 0);
  if (bytes == 0) return 0;
  auto* both = static_cast<char*>(malloc(bytes + 1));
  if (both == nullptr) return 0;
  Lx_ReadProperty(hwnd_of(window), XA_WM_CLASS, &type, both, bytes);
  both[bytes] = '\0';
  const size_t n = strlen(both);
  hint->res_name = copy_of(both, n);
  hint->res_class = n < bytes ? copy_of(both + n + 1, strlen(both + n + 1)) : copy_of("", 0);
  free(both);
  return 1;
}

// A window that gets an owner becomes topmost and stops being so when it
// loses it; stacking is never changed otherwise, nor the window moved or activated.
int XSetTransientForHint(Display*, Window window, Window owner) {
  HWND hwnd = hwnd_of(window);
  Window before = None;
  const bool had = XGetTransientForHint(nullptr, window, &before) && before != None;
  const auto word = static_cast<uint32_t>(owner);
  Lx_StoreProperty(hwnd, XA_WM_TRANSIENT_FOR, XA_WINDOW, &word, sizeof word);
  if (had == (owner != None)) return 1;
  SetWindowPos(hwnd, owner != None ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return 1;
}

Status XGetTransientForHint(Display*, Window window, Window* owner) {
  Atom type;
  uint32_t word = 0;
  if (Lx_ReadProperty(hwnd_of(window), XA_WM_TRANSIENT_FOR, &type, &word, sizeof word) < sizeof word) return 0;
  *owner = word;
  return 1;
}

// A close request always comes as the WM_DELETE_WINDOW client message; the
// protocols are kept only to be read back.
Status XSetWMProtocols(Display*, Window window, Atom* protocols, int count) {
  if (count < 0 || (count > 0 && protocols == nullptr)) return 0;
  const Atom property = GlobalAddAtomA("WM_PROTOCOLS");
  return Lx_StoreProperty(hwnd_of(window), property, XA_ATOM, protocols, sizeof(Atom) * static_cast<size_t>(count));
}

Status XGetWMProtocols(Display*, Window window, Atom** protocols, int* count) {
  *protocols = nullptr;
  *count = 0;
  const Atom property = GlobalFindAtomA("WM_PROTOCOLS");
  Atom type = None;
  const size_t bytes = property != None ? Lx_ReadProperty(hwnd_of(window), property, &type, nullptr, 0) : 0;
  if (type != XA_ATOM || bytes == 0 || bytes % sizeof(Atom) != 0) return 0;
  // The caller frees the list with XFree.
  auto* list = static_cast<Atom*>(malloc(bytes));
  if (list == nullptr) return 0;
  Lx_ReadProperty(hwnd_of(window), property, &type, list, bytes);
  *protocols = list;
  *count = static_cast<int>(bytes / sizeof(Atom));
  return 1;
}

// No window manager states icon sizes: the caller's default holds.
Status XGetIconSizes(Display*, Window, XIconSize** sizes, int* count) {
  *sizes = nullptr;
  *count = 0;
  return 0;
}

XClassHint* XAllocClassHint() { return static_cast<XClassHint*>(calloc(1, sizeof(XClassHint))); }
XWMHints* XAllocWMHints() { return static_cast<XWMHints*>(calloc(1, sizeof(XWMHints))); }
XSizeHints* XAllocSizeHints() { return static_cast<XSizeHints*>(calloc(1, sizeof(XSizeHints))); }
XIconSize* XAllocIconSize() { return static_cast<XIconSize*>(calloc(1, sizeof(XIconSize))); }

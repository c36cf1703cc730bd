// The text selection of the Windows layer: the system clipboard's text, with
// the selection last taken remembered for the events that name it.
#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <cstring>

#include "base/checked_mm.h"
#include "platform/win/layer.h"
#include "platform/win/selections.h"

namespace {

Atom remembered = None;  // the selection last taken
bool own_empty = false;  // set while the layer empties the clipboard for its own text

}  // namespace

bool Lx_ClipboardLost(Atom* selection) {
  if (own_empty) return false;
  *selection = remembered;
  remembered = None;
  return true;
}

Atom Lx_RememberedSelection() { return remembered; }

int XSetSelectionOwner(Display* display, Atom selection, Window owner, Time) {
  HWND hwnd = Lx_Hwnd(owner);
  // The previous owner, when it is one of ours, hears of its loss.
  if (GetClipboardOwner() != hwnd && OpenClipboard(hwnd)) {
    EmptyClipboard();
    CloseClipboard();
  }
  remembered = selection;
  if (owner == None) return 1;
  XEvent event{};
  event.xselectionrequest.type = SelectionRequest;
  event.xselectionrequest.display = display;
  event.xselectionrequest.owner = owner;
  event.xselectionrequest.requestor = None;
  event.xselectionrequest.selection = remembered;
  event.xselectionrequest.target = XA_STRING;
  event.xselectionrequest.property = XA_STRING;
  event.xselectionrequest.time = GetTickCount();
  Lx_PutEvent(&event);
  return 1;
}

Window XGetSelectionOwner(Display*, Atom selection) {
  if (selection == None || selection != remembered) return None;
  HWND owner = GetClipboardOwner();
  return owner != nullptr && Lx_FindHwnd(owner) != nullptr ? Lx_WindowId(owner) : None;
}

int XConvertSelection(Display* display, Atom, Atom, Atom, Window requestor, Time) {
  XEvent event{};
  event.xselection.type = SelectionNotify;
  event.xselection.display = display;
  event.xselection.requestor = requestor;
  event.xselection.selection = remembered;
  event.xselection.target = XA_STRING;
  event.xselection.property = XA_STRING;
  event.xselection.time = GetTickCount();
  Lx_PutEvent(&event);
  return 1;
}

void XSetTextProperty(Display*, Window window, XTextProperty* text, Atom) {
  const auto* value = reinterpret_cast<const char*>(text->value);
  own_empty = true;
  Lx_SetClipboardText(Lx_Hwnd(window), value != nullptr ? value : "", value != nullptr ? text->nitems : 0);
  own_empty = false;
}

Status XGetTextProperty(Display*, Window window, XTextProperty* text, Atom) {
  *text = XTextProperty{};
  char* clipboard;
  size_t length;
  if (!Lx_GetClipboardText(Lx_Hwnd(window), &clipboard, &length)) return 0;
  // The caller frees the value with XFree.
  auto* value = static_cast<unsigned char*>(malloc(length + 1));
  if (value != nullptr) memcpy(value, clipboard, length + 1);
  CheckedFree(clipboard);
  if (value == nullptr) return 0;
  text->value = value;
  text->encoding = XA_STRING;
  text->format = 8;
  text->nitems = length;
  return 1;
}

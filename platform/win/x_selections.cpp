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
#include "platform/win/x_properties.h"

namespace {

Atom remembered = None;  // the selection last taken
Window taker = None;     // the window that took it
bool own_empty = false;  // set while the layer empties the clipboard for its own text

}  // namespace

namespace {

// An event of the remembered selection and STRING for `window`, at the tick count.
void queue_selection_event(Display* display, int type, Window window) {
  XEvent event{};
  event.type = type;
  event.xany.display = display;
  if (type == SelectionRequest) {
    event.xselectionrequest.owner = window;
    event.xselectionrequest.requestor = None;
    event.xselectionrequest.selection = remembered;
    event.xselectionrequest.target = event.xselectionrequest.property = XA_STRING;
    event.xselectionrequest.time = GetTickCount();
  } else {
    event.xselection.requestor = window;
    event.xselection.selection = remembered;
    event.xselection.target = event.xselection.property = XA_STRING;
    event.xselection.time = GetTickCount();
  }
  Lx_PutEvent(&event);
}

}  // namespace

void Lx_ClipboardMessage(Window window, UINT message) {
  Display* display = Lx_CurrentDisplay();
  switch (message) {
    case WM_COPY:
    case WM_CUT:
      queue_selection_event(display, SelectionNotify, window);
      break;
    case WM_PASTE:
      queue_selection_event(display, SelectionRequest, window);
      break;
    case WM_DESTROYCLIPBOARD: {
      if (own_empty) break;
      XEvent event{};
      event.xselectionclear.type = SelectionClear;
      event.xselectionclear.display = display;
      event.xselectionclear.window = window;
      event.xselectionclear.selection = remembered;
      event.xselectionclear.time = GetTickCount();
      remembered = None;
      taker = None;
      Lx_PutEvent(&event);
      break;
    }
    default:
      break;
  }
}

int XSetSelectionOwner(Display* display, Atom selection, Window owner, Time) {
  HWND hwnd = Lx_Hwnd(owner);
  // The previous owner, when it is one of ours, hears of its loss.
  if (GetClipboardOwner() != hwnd && OpenClipboard(hwnd)) {
    EmptyClipboard();
    CloseClipboard();
  }
  remembered = selection;
  taker = owner;
  if (owner != None) queue_selection_event(display, SelectionRequest, owner);
  return 1;
}

Window XGetSelectionOwner(Display*, Atom selection) {
  if (selection == None || selection != remembered) return None;
  HWND owner = GetClipboardOwner();
  return owner != nullptr && Lx_FindHwnd(owner) != nullptr ? Lx_WindowId(owner) : None;
}

int XConvertSelection(Display* display, Atom, Atom, Atom, Window requestor, Time) {
  queue_selection_event(display, SelectionNotify, requestor);
  return 1;
}

void XSetTextProperty(Display*, Window window, XTextProperty* text, Atom) {
  const auto* value = reinterpret_cast<const char*>(text->value);
  // The answer to our own request names no requestor: the text then goes on
  // under the window that took the selection (the system takes none without an owner).
  if (Lx_FindWindow(window) == nullptr) window = taker;
  own_empty = true;
  Lx_SetClipboardText(Lx_Hwnd(window), value != nullptr ? value : "", value != nullptr ? text->nitems : 0);
  own_empty = false;
}

Status XGetTextProperty(Display*, Window window, XTextProperty* text, Atom property) {
  // The titles are read back from the window; any other property is the selection's text.
  if (Lx_IsStoredText(property)) return Lx_ReadTextProperty(window, property, text);
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

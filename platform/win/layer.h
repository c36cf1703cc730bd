// The Windows layer's internal interface between its modules: the display
// record, the visual records, the per-window record and its lookups, event
// queueing, the message-box hook and the error report. Only platform/win
// includes it.
#pragma once

#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstddef>
#include <cstdint>

#include "platform/win/event_queue.h"  // the event queues
#include "platform/win/event_rules.h"  // the event types the layer adds
#include "platform/win/message_boxes.h"  // the message-box hook

enum { LX_X_QUEUE = 0, LX_FILE_QUEUE = 1, LX_TIMER_QUEUE = 2, LX_QUEUE_COUNT = 3 };

// The one display.
struct _XDisplay {
  _XDisplay* next;             // always null: there is one display
  int fd;                      // the connection number, 0
  Lx_EventQueue queues[LX_QUEUE_COUNT];
  unsigned long request;       // raised by most calls; queued events take it as serial
  unsigned long last_request_read;
  char* display_name;          // a copy of the name opened with, or ""
  int default_screen;          // 0
  int nscreens;                // 1
  Screen* screens;
  // Focus, pointer and grab state of the event code.
  Window focus_window;
  Window pointer_window;
  int pointer_x, pointer_y;
  Window pointer_grab_window;
  bool pointer_grab_active;
  Window keyboard_grab_window;
  bool keyboard_grab_active;
  int last_motion_x, last_motion_y;  // screen position of the last motion event
  Window last_mouse_window;
};

// Flags of a visual record.
enum : unsigned char {
  LX_DRAW_TO_WINDOW = 1,
  LX_DRAW_TO_BITMAP = 2,
  LX_DRAW_TO_PBUFFER = 4,
  LX_DOUBLE_BUFFER = 8,
  LX_STEREO = 16,
};

// Indices into Lx_Visual::sizes.
enum {
  LX_RED_SIZE,
  LX_GREEN_SIZE,
  LX_BLUE_SIZE,
  LX_ALPHA_SIZE,
  LX_ACCUM_RED_SIZE,
  LX_ACCUM_GREEN_SIZE,
  LX_ACCUM_BLUE_SIZE,
  LX_ACCUM_ALPHA_SIZE,
  LX_DEPTH_SIZE,
  LX_STENCIL_SIZE,
  LX_AUX_BUFFERS,
  LX_SIZE_COUNT
};

constexpr uint16_t LX_NO_ACCELERATION = 0x2025;
constexpr uint16_t LX_GENERIC_ACCELERATION = 0x2026;
constexpr uint16_t LX_FULL_ACCELERATION = 0x2027;

// One admitted pixel format; visualid is the format number minus 1.
struct Lx_Visual {
  Visual visual;  // first, so a Visual* of the layer is an Lx_Visual*
  int depth;      // the format's colour bits
  unsigned char flags;
  unsigned char sizes[LX_SIZE_COUNT];
  unsigned char sample_buffers, samples;  // 0 without the multisample extension
  uint16_t acceleration;
  uint16_t max_pbuffer_width, max_pbuffer_height;
  uint32_t max_pbuffer_pixels;
};

// The visual table: entry i for pixel format i + 1, null for a format not admitted.
int Lx_VisualCount();
Lx_Visual* Lx_VisualEntry(int index);
// Whether the last build of the visuals found the multisample extension.
bool Lx_HasMultisample();

// The pbuffer entry points, set by the build of the visuals when all four exist.
typedef HANDLE(WINAPI* Lx_CreatePbufferProc)(HDC, int, int, int, const int*);
typedef HDC(WINAPI* Lx_GetPbufferDCProc)(HANDLE);
typedef int(WINAPI* Lx_ReleasePbufferDCProc)(HANDLE, HDC);
typedef BOOL(WINAPI* Lx_DestroyPbufferProc)(HANDLE);
struct Lx_PbufferEntryPoints {
  Lx_CreatePbufferProc create;
  Lx_GetPbufferDCProc get_dc;
  Lx_ReleasePbufferDCProc release_dc;
  Lx_DestroyPbufferProc destroy;
};
// Null while pbuffers are off.
const Lx_PbufferEntryPoints* Lx_Pbuffers();

// The layer's start, called once by the Windows entry before anything else:
// keeps the module, registers the window classes, reads the frame metrics and
// sets the default cursor.
void PresetX11Emulation(HINSTANCE instance);
void XSetInstance(HINSTANCE instance);
HINSTANCE Lx_Instance();
// The open display, or null; reaching it never opens it.
Display* Lx_CurrentDisplay();

// Markers in a window's user data.
constexpr LONG_PTR LX_TOPLEVEL_MARK = 0xfeedcafe;
constexpr LONG_PTR LX_WIDGET_MARK = 0xdeafdeed;
constexpr LONG_PTR LX_BUSY_OVERLAY_MARK = 0xdeadbeef;

// The per-window record.
struct Lx_WindowRecord {
  HWND hwnd;
  XSetWindowAttributes attributes;  // in Xlib order
  Visual* visual;
  XWindowChanges geometry;  // x, y, width and height of the client area, border width, sibling, stack mode
  Cursor cursor;
  Cursor previous_cursor;
  bool busy;
  bool maximized;
  bool has_border_pixel;  // a border pixel was given: no system border
};

// X ids of windows are their handles, sign-extended into the 32-bit id.
inline Window Lx_WindowId(HWND hwnd) { return static_cast<Window>(reinterpret_cast<intptr_t>(hwnd)); }
inline HWND Lx_Hwnd(Window window) {
  return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<long>(window)));
}

// Cursors, pixmaps and other X ids that are system handles, sign-extended.
inline XID Lx_HandleId(const void* handle) { return static_cast<XID>(reinterpret_cast<intptr_t>(handle)); }
template <typename Handle>
inline Handle Lx_IdHandle(XID id) {
  return reinterpret_cast<Handle>(static_cast<intptr_t>(static_cast<long>(id)));
}

// The record of a window, or null.
Lx_WindowRecord* Lx_FindWindow(Window window);
Lx_WindowRecord* Lx_FindHwnd(HWND hwnd);
// The parent in X terms: the root (0) for a top-level window.
Window Lx_ParentWindow(Window window);
// Whether the window is of the class "TopLevel".
bool Lx_IsTopLevel(Window window);

// Client and frame rectangles of a window (see windows.cpp).
void Lx_InitAdjustment();
int Lx_SetWindowChanges(Window window, unsigned int mask, const XWindowChanges* changes);
int Lx_SetWindowAttributes(Window window, unsigned long mask, const XSetWindowAttributes* attributes);

// Events (see events.cpp). The wake-up message a window gets after an event is queued.
constexpr UINT LX_WAKE_UP = WM_USER + 100;
// The layer's private messages, WM_USER + n.
// The window procedure queues its own events (expose, configure, focus,
// crossing, buttons); the pump translates each message after dispatching it
// (keys, motion, these private messages). CreateNotify is posted to the new window with no
// parameters; its geometry is read from the window's record, so no pointer
// travels in a message.
enum : UINT {
  LX_CREATE_NOTIFY = WM_USER + 10,
  LX_MAP_NOTIFY = WM_USER + 14,
  LX_UNMAP_NOTIFY = WM_USER + 15,
  LX_CLIENT_MESSAGE = WM_USER + 17,
  LX_COLOURS_CHANGED = WM_USER + 19,
  LX_CLIPBOARD_EMPTIED = WM_USER + 22,
  LX_RETURN_NOW = WM_USER + 23,
  LX_DELETE_WINDOW = WM_USER + 24,
};
// Queues an X event after the selection and propagation rule; false when dropped.
bool Lx_PutEvent(const XEvent* event);
// Translates one dispatched message into its event and queues it.
void Lx_MsgToEvent(const MSG* message);
// Whether the window or an ancestor selects the type (true for types without mask).
bool Lx_CheckSendMessage(Window window, int type);
// Modifier and button state bits as X numbers them.
unsigned int Lx_MsgGetState(bool modifiers_only);
void Lx_GenerateCrossingEvents(Display* display, Window from, Window to, int x, int y, int mode);
void Lx_GenerateFocusEvents(Display* display, Window from, Window to, int mode);
// Recomputes crossing events for the pointer after `window` was destroyed or moved.
void Lx_EnterLeave(Window window);

// Properties, icons, cursors, colours (see properties.cpp, icons.cpp, cursors.cpp, colormaps.cpp).
// Copy, cut, paste and the clipboard's loss (WM_CUT, WM_COPY, WM_PASTE,
// WM_DESTROYCLIPBOARD) as selection events of the window.
void Lx_ClipboardMessage(Window window, UINT message);
// Removes and frees every stored property of a window.
void Lx_DeleteWindowProperties(Window window);
void Lx_SetIcon(Display* display, Window window, XWMHints* hints);
HICON Lx_GetIcon(Display* display, Window window);
void Lx_UpdateIcon(Display* display, Window window);
// The window's cursor, else its parent's, else the default cursor.
Cursor Lx_FindCursor(Window window);
void Lx_SetDefaultCursor(Cursor cursor);
HPALETTE Lx_GetDrawablePalette(Drawable drawable);
bool Lx_IsPixmap(Drawable drawable);
// The device context of a drawable: a window's from the window, a pixmap's a
// memory context that stays open across calls (at most two at once); a
// pixmap's context must be closed before its bitmap is selected or read elsewhere.
HDC Lx_GetDrawableDC(Display* display, Drawable drawable);
void Lx_ReleaseDrawableDC(Display* display, Drawable drawable, HDC dc);
void Lx_ClosePixmapDC(Drawable pixmap);
// Re-applies the palettes of a window and its children: the system colours changed.
void Lx_UpdatePaletteColors(Window window);
// A property's data: at most `size` bytes copied, its type given; the count of
// its data bytes, 0 (type None) when the window has none.
size_t Lx_ReadProperty(HWND window, Atom property, Atom* type, void* data, size_t size);
// Width and height of a pixmap: 0, or 2 when the bitmap can't be read.
int Lx_GetPixmapAttributes(Pixmap pixmap, XWindowAttributes* attributes);

// The error report of X calls: it reports nothing, so no handler is called.
void Lx_PostError(Display* display, XID resource, int request_code, int error_code);


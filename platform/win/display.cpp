// The one display and screen of the Windows layer: the layer's start, the
// visual table built from the system's OpenGL pixel formats, the display-level
// calls and the stubs of the input-device extension.
#include "platform/win/display.h"

#include <GL/gl.h>
#include <GL/wglext.h>
#include <X11/extensions/XInput.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/checked_mm.h"
#include "platform/win/layer.h"
#include "platform/win/x_windows.h"

namespace {

HINSTANCE instance;
Display* displayList;  // the open display, or null
int openCount;         // its opens not yet closed: a program's second connection is the same display
Lx_Visual** visual_list;
int number_of_visuals;
bool multisample;
Lx_PbufferEntryPoints pbuffer_entry_points;
bool pbuffers_on;
bool preset_done;

const char kDepthRefused[] = "Screen depth > 8 required";
const char kMinimumNotMet[] =
    "OpenGL driver does not satisfy minimum requirements (3/3/2 bit RGBA double buffer with 16-bit depth).";

unsigned long channel_mask(int bits, int shift) { return ((1UL << bits) - 1) << shift; }

// The Xlib part of a record: class, masks and map entries from the pixel type.
void fill_visual_part(Lx_Visual* v, int index, bool rgba, int red_shift, int green_shift, int blue_shift) {
  const int r = v->sizes[LX_RED_SIZE], g = v->sizes[LX_GREEN_SIZE], b = v->sizes[LX_BLUE_SIZE];
  v->visual.visualid = static_cast<VisualID>(index);
  v->visual.c_class = rgba ? TrueColor : PseudoColor;
  v->visual.red_mask = channel_mask(r, red_shift);
  v->visual.green_mask = channel_mask(g, green_shift);
  v->visual.blue_mask = channel_mask(b, blue_shift);
  v->visual.bits_per_rgb = r;
  v->visual.map_entries = rgba ? (1 << r) * (1 << g) * (1 << b) : 256;
}

// The WGL attributes a record is read from, in the order they are stored.
enum AttributeIndex {
  A_SUPPORT_OPENGL,
  A_DRAW_TO_WINDOW,
  A_DRAW_TO_BITMAP,
  A_DRAW_TO_PBUFFER,
  A_PIXEL_TYPE,
  A_COLOR_BITS,
  A_DOUBLE_BUFFER,
  A_STEREO,
  A_RED_BITS,
  A_GREEN_BITS,
  A_BLUE_BITS,
  A_ALPHA_BITS,
  A_ACCUM_RED_BITS,
  A_ACCUM_GREEN_BITS,
  A_ACCUM_BLUE_BITS,
  A_ACCUM_ALPHA_BITS,
  A_DEPTH_BITS,
  A_STENCIL_BITS,
  A_AUX_BUFFERS,
  A_RED_SHIFT,
  A_GREEN_SHIFT,
  A_BLUE_SHIFT,
  A_ACCELERATION,
  A_MAX_PBUFFER_WIDTH,
  A_MAX_PBUFFER_HEIGHT,
  A_MAX_PBUFFER_PIXELS,
  A_SAMPLE_BUFFERS,
  A_SAMPLES,
  A_COUNT
};
const int kAttributes[A_COUNT] = {
    WGL_SUPPORT_OPENGL_ARB,    WGL_DRAW_TO_WINDOW_ARB,   WGL_DRAW_TO_BITMAP_ARB,    WGL_DRAW_TO_PBUFFER_ARB,
    WGL_PIXEL_TYPE_ARB,        WGL_COLOR_BITS_ARB,       WGL_DOUBLE_BUFFER_ARB,     WGL_STEREO_ARB,
    WGL_RED_BITS_ARB,          WGL_GREEN_BITS_ARB,       WGL_BLUE_BITS_ARB,         WGL_ALPHA_BITS_ARB,
    WGL_ACCUM_RED_BITS_ARB,    WGL_ACCUM_GREEN_BITS_ARB, WGL_ACCUM_BLUE_BITS_ARB,   WGL_ACCUM_ALPHA_BITS_ARB,
    WGL_DEPTH_BITS_ARB,        WGL_STENCIL_BITS_ARB,     WGL_AUX_BUFFERS_ARB,       WGL_RED_SHIFT_ARB,
    WGL_GREEN_SHIFT_ARB,       WGL_BLUE_SHIFT_ARB,       WGL_ACCELERATION_ARB,      WGL_MAX_PBUFFER_WIDTH_ARB,
    WGL_MAX_PBUFFER_HEIGHT_ARB, WGL_MAX_PBUFFER_PIXELS_ARB, WGL_SAMPLE_BUFFERS_ARB, WGL_SAMPLES_ARB,
};

unsigned char clamp_byte(int value) { return static_cast<unsigned char>(value < 0 ? 0 : value > 255 ? 255 : value); }
uint16_t clamp_16(int value) { return static_cast<uint16_t>(value < 0 ? 0 : value > 65535 ? 65535 : value); }

// A record from a format's WGL attributes; null when the format is not admitted.
Lx_Visual* visual_from_attributes(int index, const int* a) {
  const bool rgba = a[A_PIXEL_TYPE] == WGL_TYPE_RGBA_ARB;
  const bool pbuffer = pbuffers_on && a[A_DRAW_TO_PBUFFER];
  if (!a[A_SUPPORT_OPENGL] || !(a[A_DRAW_TO_WINDOW] || (a[A_DRAW_TO_BITMAP] && rgba) || pbuffer)) return nullptr;
  Lx_Visual* v = checked_new_array<Lx_Visual>(1);
  std::memset(v, 0, sizeof *v);
  for (int i = 0; i < LX_SIZE_COUNT; ++i) v->sizes[i] = clamp_byte(a[A_RED_BITS + i]);
  fill_visual_part(v, index, rgba, a[A_RED_SHIFT], a[A_GREEN_SHIFT], a[A_BLUE_SHIFT]);
  v->depth = a[A_COLOR_BITS];
  v->flags = static_cast<unsigned char>((a[A_DRAW_TO_WINDOW] ? LX_DRAW_TO_WINDOW : 0) |
                                        (a[A_DRAW_TO_BITMAP] && rgba ? LX_DRAW_TO_BITMAP : 0) |
                                        (pbuffer ? LX_DRAW_TO_PBUFFER : 0) |
                                        (a[A_DOUBLE_BUFFER] ? LX_DOUBLE_BUFFER : 0) | (a[A_STEREO] ? LX_STEREO : 0));
  v->acceleration = clamp_16(a[A_ACCELERATION]);
  if (pbuffer) {
    v->max_pbuffer_width = clamp_16(a[A_MAX_PBUFFER_WIDTH]);
    v->max_pbuffer_height = clamp_16(a[A_MAX_PBUFFER_HEIGHT]);
    v->max_pbuffer_pixels = static_cast<uint32_t>(a[A_MAX_PBUFFER_PIXELS]);
  }
  if (multisample) {
    v->sample_buffers = clamp_byte(a[A_SAMPLE_BUFFERS]);
    v->samples = clamp_byte(a[A_SAMPLES]);
  }
  return v;
}

// A record from a format's descriptor; null when the format is not admitted.
Lx_Visual* visual_from_descriptor(int index, const PIXELFORMATDESCRIPTOR& d) {
  const bool rgba = d.iPixelType == PFD_TYPE_RGBA;
  if (!(d.dwFlags & PFD_SUPPORT_OPENGL)) return nullptr;
  if (!(d.dwFlags & PFD_DRAW_TO_WINDOW) && !((d.dwFlags & PFD_DRAW_TO_BITMAP) && rgba)) return nullptr;
  Lx_Visual* v = checked_new_array<Lx_Visual>(1);
  std::memset(v, 0, sizeof *v);
  const BYTE sizes[LX_SIZE_COUNT] = {d.cRedBits,      d.cGreenBits,      d.cBlueBits,      d.cAlphaBits,
                                     d.cAccumRedBits, d.cAccumGreenBits, d.cAccumBlueBits, d.cAccumAlphaBits,
                                     d.cDepthBits,    d.cStencilBits,    d.cAuxBuffers};
  std::memcpy(v->sizes, sizes, sizeof sizes);
  fill_visual_part(v, index, rgba, d.cRedShift, d.cGreenShift, d.cBlueShift);
  v->depth = d.cColorBits;
  v->flags = static_cast<unsigned char>(
      (d.dwFlags & PFD_DRAW_TO_WINDOW ? LX_DRAW_TO_WINDOW : 0) | (d.dwFlags & PFD_DRAW_TO_BITMAP ? LX_DRAW_TO_BITMAP : 0) |
      (d.dwFlags & PFD_DOUBLEBUFFER ? LX_DOUBLE_BUFFER : 0) | (d.dwFlags & PFD_STEREO ? LX_STEREO : 0));
  v->acceleration = (d.dwFlags & PFD_GENERIC_FORMAT)     ? LX_NO_ACCELERATION
                    : (d.dwFlags & PFD_GENERIC_ACCELERATED) ? LX_GENERIC_ACCELERATION
                                                            : LX_FULL_ACCELERATION;
  return v;
}

bool meets_minimum(const Lx_Visual* v) {
  return v->visual.c_class == TrueColor && v->sizes[LX_RED_SIZE] >= 3 && v->sizes[LX_GREEN_SIZE] >= 3 &&
         v->sizes[LX_BLUE_SIZE] >= 2 && (v->flags & LX_DOUBLE_BUFFER) && v->sizes[LX_DEPTH_SIZE] >= 16;
}

template <typename T>
T wgl_entry(const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(wglGetProcAddress(name)));
}

// The attribute query, or null when the driver has no pixel-format extension;
// sets the multisample flag and the pbuffer entry points on the way.
PFNWGLGETPIXELFORMATATTRIBIVARBPROC find_extensions(HDC dc) {
  auto extensions = wgl_entry<PFNWGLGETEXTENSIONSSTRINGARBPROC>("wglGetExtensionsStringARB");
  const char* names = extensions != nullptr ? extensions(dc) : nullptr;
  if (names == nullptr || std::strstr(names, "WGL_ARB_pixel_format") == nullptr) return nullptr;
  auto query = wgl_entry<PFNWGLGETPIXELFORMATATTRIBIVARBPROC>("wglGetPixelFormatAttribivARB");
  if (std::strstr(names, "WGL_ARB_multisample") != nullptr) multisample = true;
  if (std::strstr(names, "WGL_ARB_pbuffer") != nullptr) {
    Lx_PbufferEntryPoints p{wgl_entry<Lx_CreatePbufferProc>("wglCreatePbufferARB"),
                            wgl_entry<Lx_GetPbufferDCProc>("wglGetPbufferDCARB"),
                            wgl_entry<Lx_ReleasePbufferDCProc>("wglReleasePbufferDCARB"),
                            wgl_entry<Lx_DestroyPbufferProc>("wglDestroyPbufferARB")};
    if (p.create && p.get_dc && p.release_dc && p.destroy) {
      pbuffer_entry_points = p;
      pbuffers_on = true;
    } else {
      std::fputs("Unabled to use Pbuffers - required routine entry point unavailable.\n", stderr);
    }
  }
  return query;
}

void free_visuals() {
  for (int i = 0; i < number_of_visuals; ++i)
    if (visual_list[i] != nullptr) CheckedFree(visual_list[i]);
  if (visual_list != nullptr) CheckedFree(visual_list);
  visual_list = nullptr;
  number_of_visuals = 0;
}

// Fills the table; returns the number of formats, 0 when none could be read.
int read_formats(HDC dc, PFNWGLGETPIXELFORMATATTRIBIVARBPROC query) {
  int count = 0;
  if (query != nullptr) {
    const int attribute = WGL_NUMBER_PIXEL_FORMATS_ARB;
    if (!query(dc, 1, 0, 1, &attribute, &count)) count = 0;
  } else {
    count = DescribePixelFormat(dc, 1, sizeof(PIXELFORMATDESCRIPTOR), nullptr);
  }
  if (count <= 0) return 0;
  if (count > LX_MAX_PIXEL_FORMATS) count = LX_MAX_PIXEL_FORMATS;
  visual_list = checked_new_array<Lx_Visual*>(static_cast<size_t>(count));
  number_of_visuals = count;
  for (int f = 1; f <= count; ++f) {
    Lx_Visual* v = nullptr;
    if (query != nullptr) {
      int values[A_COUNT] = {};
      // One at a time: a driver may refuse an attribute it does not know.
      for (int i = 0; i < A_COUNT; ++i)
        if (!query(dc, f, 0, 1, &kAttributes[i], &values[i])) values[i] = 0;
      v = visual_from_attributes(f - 1, values);
    } else {
      PIXELFORMATDESCRIPTOR d{};
      if (DescribePixelFormat(dc, f, sizeof d, &d) != 0) v = visual_from_descriptor(f - 1, d);
    }
    visual_list[f - 1] = v;
  }
  return count;
}

void fatal_minimum() {
  std::fprintf(stderr, "%s\n", kMinimumNotMet);
  Lx_MessageBox(kMinimumNotMet, "Fatal Error", MB_OK | MB_ICONERROR);
  std::exit(1);
}

Screen* make_screen(Display* display) {
  HDC desktop = GetDC(nullptr);
  if (desktop == nullptr) return nullptr;
  const int depth = GetDeviceCaps(desktop, BITSPIXEL) * GetDeviceCaps(desktop, PLANES);
  const int width = GetDeviceCaps(desktop, HORZRES), height = GetDeviceCaps(desktop, VERTRES);
  const int mm_width = GetDeviceCaps(desktop, HORZSIZE), mm_height = GetDeviceCaps(desktop, VERTSIZE);
  ReleaseDC(nullptr, desktop);
  if (depth <= 8) {
    Lx_MessageBox(kDepthRefused, "Fatal Error", MB_OK | MB_ICONERROR);
    return nullptr;
  }
  Screen* screen = checked_new_array<Screen>(1);
  std::memset(screen, 0, sizeof *screen);
  screen->display = display;
  screen->root = 0;
  screen->width = width;
  screen->height = height;
  screen->mwidth = mm_width;
  screen->mheight = mm_height;
  screen->root_depth = depth;
  screen->white_pixel = 0xffffff;
  screen->black_pixel = 0;
  screen->root_visual = mkVisuals(depth);
  screen->cmap = XCreateColormap(display, 0, screen->root_visual, AllocNone);
  return screen;
}

bool is_open(Display* display) { return display != nullptr && display == displayList; }

}  // namespace

void PresetX11Emulation(HINSTANCE module) {
  preset_done = true;
  XSetInstance(module);
  Lx_RegisterWindowClasses(module);
  Lx_InitAdjustment();
  Lx_SetDefaultCursor(Lx_ArrowCursor());
}

void XSetInstance(HINSTANCE module) { instance = module; }
HINSTANCE Lx_Instance() { return instance != nullptr ? instance : GetModuleHandleA(nullptr); }

// The hidden window the formats are read on, made once and kept: wine unmaps
// a destroyed GL window's X window again later, an X error that ends the program.
static HWND format_window() {
  static HWND hidden = nullptr;
  if (hidden == nullptr || !IsWindow(hidden))
    hidden = CreateWindowExA(0, "InputOnly", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, Lx_Instance(), nullptr);
  return hidden;
}

Visual* Lx_MakeVisuals(int depth, bool attribute_query) {
  free_visuals();
  HWND hidden = format_window();
  HDC dc = hidden != nullptr ? GetDC(hidden) : nullptr;
  HGLRC context = nullptr;
  if (dc != nullptr) {
    PIXELFORMATDESCRIPTOR wanted{};
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_SUPPORT_OPENGL | PFD_DRAW_TO_WINDOW;
    wanted.iPixelType = PFD_TYPE_RGBA;
    const int format = ChoosePixelFormat(dc, &wanted);
    if (format != 0 && SetPixelFormat(dc, format, &wanted)) context = wglCreateContext(dc);
    if (context != nullptr) wglMakeCurrent(dc, context);
  }
  PFNWGLGETPIXELFORMATATTRIBIVARBPROC query = context != nullptr ? find_extensions(dc) : nullptr;
  if (dc != nullptr) read_formats(dc, attribute_query ? query : nullptr);

  Lx_Visual* default_visual = nullptr;
  bool minimum = false;
  for (int i = 0; i < number_of_visuals; ++i) {
    Lx_Visual* v = visual_list[i];
    if (v == nullptr) continue;
    if (default_visual == nullptr && v->depth == depth) default_visual = v;
    if (meets_minimum(v)) minimum = true;
  }
  if (default_visual == nullptr && number_of_visuals > 0) default_visual = visual_list[0];

  wglMakeCurrent(nullptr, nullptr);
  if (context != nullptr) wglDeleteContext(context);
  if (dc != nullptr) ReleaseDC(hidden, dc);
  if (!minimum) fatal_minimum();
  return &default_visual->visual;
}

Visual* mkVisuals(int depth) { return Lx_MakeVisuals(depth, true); }

int Lx_VisualCount() { return number_of_visuals; }
Lx_Visual* Lx_VisualEntry(int index) {
  return index >= 0 && index < number_of_visuals ? visual_list[index] : nullptr;
}
bool Lx_HasMultisample() { return multisample; }
const Lx_PbufferEntryPoints* Lx_Pbuffers() { return pbuffers_on ? &pbuffer_entry_points : nullptr; }
Display* Lx_CurrentDisplay() { return displayList; }

Display* XOpenDisplay(const char* name) {
  if (displayList != nullptr) {
    if (name != nullptr && std::strcmp(name, displayList->display_name) != 0) return nullptr;
    ++openCount;
    return displayList;
  }
  // A program that opens the display without starting the layer gets it started.
  if (!preset_done) PresetX11Emulation(GetModuleHandleA(nullptr));
  Display* display = checked_new_array<Display>(1);
  std::memset(display, 0, sizeof *display);
  for (Lx_EventQueue& queue : display->queues) Lx_InitEventQueue(&queue);
  const char* text = name != nullptr ? name : "";
  display->display_name = dup_chars(text);
  display->screens = make_screen(display);
  if (display->screens == nullptr) {
    CheckedFree(display->display_name);
    CheckedFree(display);
    return nullptr;
  }
  display->fd = 0;
  display->default_screen = 0;
  display->nscreens = 1;
  displayList = display;
  openCount = 1;
  return display;
}

int XCloseDisplay(Display* display) {
  if (!is_open(display)) return 0;
  // Closing one of several opens leaves the display to the others.
  if (--openCount > 0) return 0;
  free_visuals();
  for (Lx_EventQueue& queue : display->queues) Lx_ClearEventQueue(&queue);
  CheckedFree(display->screens);
  CheckedFree(display->display_name);
  CheckedFree(display);
  displayList = nullptr;
  return 0;
}

// Display and screen values: the open display's screen 0, else nothing.
static Screen* screen_of(Display* display, int screen) {
  return is_open(display) && screen == 0 ? display->screens : nullptr;
}

int XConnectionNumber(Display* display) { return is_open(display) ? display->fd : -1; }
int XDefaultScreen(Display* display) { return is_open(display) ? display->default_screen : 0; }
Screen* XDefaultScreenOfDisplay(Display* display) { return screen_of(display, 0); }
Screen* XScreenOfDisplay(Display* display, int screen) { return screen_of(display, screen); }
Window XRootWindow(Display*, int) { return 0; }
Window XDefaultRootWindow(Display*) { return 0; }
// A field of the open display's screen 0, or nothing.
template <typename T>
static T screen_field(Display* display, int screen, T Screen::*field) {
  Screen* s = screen_of(display, screen);
  return s != nullptr ? s->*field : T{};
}

Visual* XDefaultVisual(Display* display, int screen) { return screen_field(display, screen, &Screen::root_visual); }
int XDefaultDepth(Display* display, int screen) { return screen_field(display, screen, &Screen::root_depth); }
Colormap XDefaultColormap(Display* display, int screen) { return screen_field(display, screen, &Screen::cmap); }
GC XDefaultGC(Display* display, int screen) { return screen_field(display, screen, &Screen::default_gc); }
unsigned long XBlackPixel(Display*, int) { return 0; }
unsigned long XWhitePixel(Display* display, int screen) { return screen_of(display, screen) != nullptr ? 0xffffff : 0; }
int XDisplayWidth(Display* display, int screen) { return screen_field(display, screen, &Screen::width); }
int XDisplayHeight(Display* display, int screen) { return screen_field(display, screen, &Screen::height); }
int XDisplayWidthMM(Display* display, int screen) { return screen_field(display, screen, &Screen::mwidth); }
int XDisplayHeightMM(Display* display, int screen) { return screen_field(display, screen, &Screen::mheight); }
int XDisplayCells(Display* display, int screen) {
  Visual* v = XDefaultVisual(display, screen);
  return v != nullptr ? v->map_entries : 0;
}
int XDisplayPlanes(Display* display, int screen) { return XDefaultDepth(display, screen); }
int XScreenCount(Display* display) { return is_open(display) ? display->nscreens : 0; }
char* XDisplayString(Display* display) { return is_open(display) ? display->display_name : nullptr; }
unsigned long XNextRequest(Display* display) { return is_open(display) ? display->request + 1 : 0; }
unsigned long XLastKnownRequestProcessed(Display* display) { return is_open(display) ? display->request : 0; }
int XWidthOfScreen(Screen* screen) { return screen != nullptr ? screen->width : 0; }
int XHeightOfScreen(Screen* screen) { return screen != nullptr ? screen->height : 0; }

XVisualInfo* XGetVisualInfo(Display* display, long mask, XVisualInfo* t, int* count) {
  *count = 0;
  if (!is_open(display)) return nullptr;
  XVisualInfo* list = nullptr;
  int n = 0;
  for (int pass = 0; pass < 2; ++pass) {
    n = 0;
    for (int i = 0; i < number_of_visuals; ++i) {
      const Lx_Visual* v = visual_list[i];
      if (v == nullptr) continue;
      const Visual& x = v->visual;
      if ((mask & VisualIDMask) && t->visualid != x.visualid) continue;
      if ((mask & VisualScreenMask) && t->screen != 0) continue;
      if ((mask & VisualDepthMask) && t->depth != v->depth) continue;
      if ((mask & VisualClassMask) && t->c_class != x.c_class) continue;
      if ((mask & VisualRedMaskMask) && t->red_mask != x.red_mask) continue;
      if ((mask & VisualGreenMaskMask) && t->green_mask != x.green_mask) continue;
      if ((mask & VisualBlueMaskMask) && t->blue_mask != x.blue_mask) continue;
      if ((mask & VisualColormapSizeMask) && t->colormap_size != x.map_entries) continue;
      if ((mask & VisualBitsPerRGBMask) && t->bits_per_rgb != x.bits_per_rgb) continue;
      if (list != nullptr) {
        list[n] = XVisualInfo{const_cast<Visual*>(&x), x.visualid, 0,           v->depth,      x.c_class,
                              x.red_mask,              x.green_mask, x.blue_mask, x.map_entries, x.bits_per_rgb};
      }
      ++n;
    }
    if (n == 0) return nullptr;
    // XFree takes the list, so it comes from the C heap.
    if (list == nullptr) list = static_cast<XVisualInfo*>(std::malloc(sizeof(XVisualInfo) * static_cast<size_t>(n)));
    if (list == nullptr) return nullptr;
  }
  *count = n;
  return list;
}

VisualID XVisualIDFromVisual(Visual* visual) { return visual != nullptr ? visual->visualid : 0; }

int XFree(void* data) {
  std::free(data);
  return 1;
}
namespace {

// The system batches drawing and puts windows on the screen later, when the
// thread next finds no message: a look for a message no one sends puts them
// there now.
void finish_drawing() {
  GdiFlush();
  MSG none;
  PeekMessageA(&none, reinterpret_cast<HWND>(-1), WM_APP + 0x3FFF, WM_APP + 0x3FFF, PM_NOREMOVE);
}

}  // namespace

// A flush or sync ends with all drawing done, as X's do.
int XFlush(Display*) {
  finish_drawing();
  return 1;
}
int XSync(Display*, Bool) {
  finish_drawing();
  return 1;
}
int (*XSynchronize(Display*, Bool))(Display*) { return nullptr; }
int XForceScreenSaver(Display*, int) { return 1; }
int XNoOp(Display*) { return 1; }
int XUnmapSubwindows(Display*, Window) { return 1; }

int XBell(Display*, int percent) {
  if (percent >= -100 && percent <= 100) Beep(800, 150);
  return 1;
}

Bool XQueryExtension(Display*, const char* name, int*, int*, int*) {
  return name != nullptr && std::strcmp(name, "GLX") == 0;
}

Pixmap XCreatePixmapFromBitmapData(Display*, Drawable, char*, unsigned int, unsigned int, unsigned long,
                                   unsigned long, unsigned int) {
  return 1;
}

// No input devices: the server's extra devices never appear in this build.
XDeviceInfo* XListInputDevices(Display*, int* ndevices) {
  *ndevices = 0;
  return nullptr;
}
void XFreeDeviceList(XDeviceInfo*) {}
XDevice* XOpenDevice(Display*, XID) { return nullptr; }
int XCloseDevice(Display*, XDevice*) { return 0; }
int XSelectExtensionEvent(Display*, Window, XEventClass*, int) { return 0; }
XDeviceTimeCoord* XGetDeviceMotionEvents(Display*, XDevice*, Time, Time, int* nevents, int*, int*) {
  *nevents = 0;
  return nullptr;
}
void XFreeDeviceMotionEvents(XDeviceTimeCoord*) {}
int XChangeFeedbackControl(Display*, XDevice*, unsigned long, XFeedbackControl*) { return 0; }

// GLX over WGL: visuals chosen by score from the display's pixel formats,
// contexts made at their first make-current and never shared, GLX pixmaps on
// device-independent bitmaps of their own, and pbuffers through the
// extension's entry points. GLX pixmaps and pbuffers are ids of one table.
#include <windows.h>

#include <GL/gl.h>
#include <GL/wglext.h>

#include <cstdio>
#include <cstdlib>

#include <GL/glx.h>

#include "platform/win/glx_rules.h"
#include "platform/win/hash_table.h"
#include "platform/win/layer.h"

// A visual info as this layer hands it out: X's fields, then the kind of
// drawable it is for. A frame-buffer configuration is one of these too.
struct __GLXFBConfigRec {
  XVisualInfo info;
  int kind;
};

struct __GLXcontextRec {
  HGLRC rendering;   // none until the first make-current
  int pixel_format;  // visual id + 1
  int kind;
  bool colour_index;  // draws through the drawable's palette
};

namespace {

// A GLX pixmap's bitmap has 32 bits a pixel whatever the visual's depth: wine's
// GL for bitmaps fills polygons 4 bytes a pixel into a 24-bit bitmap, so they
// come out striped while clears are right.
constexpr int GLX_PIXMAP_BITS = 32;

struct GlxPixmap {
  HDC dc;
  HBITMAP section;
  HGDIOBJ previous;
  HPALETTE palette;
  int width, height;
};

struct GlxPbuffer {
  HANDLE pbuffer;
  HDC dc;  // taken at creation, released at destruction
};

// One record for a GLX pixmap or a pbuffer, under its id.
struct OffscreenRecord {
  int kind;  // LX_KIND_PIXMAP or LX_KIND_PBUFFER
  GlxPixmap pixmap;
  GlxPbuffer pbuffer;
};

Lx_HashTable offscreen_table;
bool offscreen_table_ready = false;
// Counted from 1. An id may equal a window's handle: make-current tells
// windows from offscreen drawables by the context's kind, not by the id.
XID next_offscreen_id = 1;

GLXContext current_context = nullptr;
GLXDrawable current_drawable = None;

Lx_HashTable* offscreen() {
  if (!offscreen_table_ready) {
    Lx_InitHashTable(&offscreen_table, LX_ONE_WORD_KEYS);
    offscreen_table_ready = true;
  }
  return &offscreen_table;
}

XID list_offscreen(OffscreenRecord* record) {
  XID id = next_offscreen_id++;
  int is_new = 0;
  Lx_SetHashValue(Lx_CreateHashEntry(offscreen(), reinterpret_cast<const void*>(uintptr_t(id)), &is_new), record);
  return id;
}

OffscreenRecord* find_offscreen(XID id, int kind) {
  Lx_HashEntry* entry = Lx_FindHashEntry(offscreen(), reinterpret_cast<const void*>(uintptr_t(id)));
  if (entry == nullptr) return nullptr;
  auto* record = static_cast<OffscreenRecord*>(Lx_GetHashValue(entry));
  return record->kind == kind ? record : nullptr;
}

void forget_current() {
  wglMakeCurrent(nullptr, nullptr);
  current_context = nullptr;
  current_drawable = None;
}

// An offscreen drawable that goes while current takes the current pair with it.
void unlist_offscreen(XID id) {
  if (current_drawable == id && current_context != nullptr && current_context->kind != LX_KIND_WINDOW)
    forget_current();
  Lx_HashEntry* entry = Lx_FindHashEntry(offscreen(), reinterpret_cast<const void*>(uintptr_t(id)));
  if (entry != nullptr) Lx_DeleteHashEntry(entry);
}

// A visual record as the rules read it; false for a format not admitted.
bool caps_of(int id, Lx_VisualCaps* caps) {
  const Lx_Visual* v = id >= 0 && id < Lx_VisualCount() ? Lx_VisualEntry(id) : nullptr;
  if (v == nullptr) return false;
  static_assert(int(Lx_VisualCaps::SIZE_COUNT) == int(LX_SIZE_COUNT), "the records' sizes");
  *caps = {};
  caps->id = id;
  caps->visual_class = v->visual.c_class;
  caps->depth = v->depth;
  caps->flags = v->flags;
  for (int i = 0; i < LX_SIZE_COUNT; ++i) caps->sizes[i] = v->sizes[i];
  caps->sample_buffers = v->sample_buffers;
  caps->samples = v->samples;
  caps->acceleration = v->acceleration;
  caps->max_pbuffer_width = v->max_pbuffer_width;
  caps->max_pbuffer_height = v->max_pbuffer_height;
  caps->max_pbuffer_pixels = int(v->max_pbuffer_pixels);
  return true;
}

bool caps_of(const XVisualInfo* visual, Lx_VisualCaps* caps) {
  return visual != nullptr && caps_of(int(visual->visualid), caps);
}

// The visual table as the rules read it: null for formats not admitted.
struct CapsTable {
  Lx_VisualCaps* records = nullptr;
  const Lx_VisualCaps** entries = nullptr;
  int count = 0;

  CapsTable() {
    int n = Lx_VisualCount();
    if (n <= 0) return;
    records = static_cast<Lx_VisualCaps*>(calloc(size_t(n), sizeof *records));
    entries = static_cast<const Lx_VisualCaps**>(calloc(size_t(n), sizeof *entries));
    if (records == nullptr || entries == nullptr) return;
    count = n;
    for (int i = 0; i < n; ++i)
      if (caps_of(i, &records[i])) entries[i] = &records[i];
  }
  ~CapsTable() {
    free(records);
    free(entries);
  }
  CapsTable(const CapsTable&) = delete;
  CapsTable& operator=(const CapsTable&) = delete;
};

// A new visual info of the given id and kind, which the caller frees with XFree.
GLXFBConfig new_visual_info(Display* display, int id, int kind) {
  XVisualInfo pattern{};
  pattern.visualid = VisualID(id);
  pattern.screen = 0;
  int n = 0;
  XVisualInfo* found = XGetVisualInfo(display, VisualIDMask | VisualScreenMask, &pattern, &n);
  if (found == nullptr) return nullptr;
  auto* info = static_cast<GLXFBConfig>(malloc(sizeof(__GLXFBConfigRec)));
  if (info != nullptr) {
    info->info = found[0];
    info->kind = kind;
  }
  XFree(found);
  return info;
}

GLXFBConfig with_kind(const XVisualInfo* visual) {
  return reinterpret_cast<GLXFBConfig>(const_cast<XVisualInfo*>(visual));
}

GLXContext new_context(const XVisualInfo* visual, GLXContext share_list) {
  if (visual == nullptr || share_list != nullptr) return nullptr;
  auto* context = static_cast<GLXContext>(calloc(1, sizeof(__GLXcontextRec)));
  if (context == nullptr) return nullptr;
  context->pixel_format = int(visual->visualid) + 1;
  context->kind = with_kind(visual)->kind;
  context->colour_index = visual->c_class == PseudoColor;
  return context;
}

// The format a device context draws the context's pixel format with. A
// memory context may number its bitmap formats apart from the window formats
// the visuals come from: then its own format nearest to the visual's, with
// the GLX pixmap's bits per pixel.
int format_on(HDC dc, int format, int kind, PIXELFORMATDESCRIPTOR* descriptor) {
  if (DescribePixelFormat(dc, format, sizeof *descriptor, descriptor) != 0 &&
      (kind != LX_KIND_PIXMAP ||
       ((descriptor->dwFlags & PFD_DRAW_TO_BITMAP) != 0 && descriptor->cColorBits == GLX_PIXMAP_BITS)))
    return format;
  HDC screen = GetDC(nullptr);
  int described = kind == LX_KIND_PIXMAP ? DescribePixelFormat(screen, format, sizeof *descriptor, descriptor) : 0;
  ReleaseDC(nullptr, screen);
  if (described == 0) {
    fprintf(stderr, "DescribePixelFormat %d failed. Error code=%d.\n", format, int(GetLastError()));
    return 0;
  }
  descriptor->dwFlags = (descriptor->dwFlags & ~DWORD(PFD_DRAW_TO_WINDOW | PFD_DOUBLEBUFFER)) | PFD_DRAW_TO_BITMAP;
  descriptor->cColorBits = GLX_PIXMAP_BITS;
  int own = ChoosePixelFormat(dc, descriptor);
  if (own != 0) DescribePixelFormat(dc, own, sizeof *descriptor, descriptor);
  return own != 0 ? own : format;
}

// Sets the context's pixel format on a window's or pixmap's device context
// when it has another; failures are printed and the make-current goes on.
void set_pixel_format(HDC dc, int format, int kind) {
  if (GetPixelFormat(dc) == format) return;
  PIXELFORMATDESCRIPTOR descriptor{};
  int own = format_on(dc, format, kind, &descriptor);
  if (own == 0 || GetPixelFormat(dc) == own) return;
  if (!SetPixelFormat(dc, own, &descriptor))
    fprintf(stderr, "SetPixelFormat %d failed. Error code=%d.\n", format, int(GetLastError()));
}

// A colour-index format draws through the palette, realized on the context.
void realize_palette(HDC dc, HPALETTE palette, HWND window) {
  if (palette == nullptr) return;
  SelectPalette(dc, palette, FALSE);
  if (RealizePalette(dc) > 0 && window != nullptr) UpdateColors(dc);
}

}  // namespace

// ---- queries ----

Bool glXQueryExtension(Display*, int*, int*) { return True; }

Bool glXQueryVersion(Display*, int* major, int* minor) {
  if (major != nullptr) *major = 1;
  if (minor != nullptr) *minor = 3;
  return True;
}

const char* glXQueryExtensionsString(Display*, int) { return ""; }

Bool glXIsDirect(Display*, GLXContext) { return True; }

__GLXextFuncPtr glXGetProcAddress(const GLubyte* name) {
  // Through void*: a data pointer is what the system hands back.
  void* address = reinterpret_cast<void*>(wglGetProcAddress(reinterpret_cast<const char*>(name)));
  return reinterpret_cast<__GLXextFuncPtr>(address);
}

void glXWaitGL() { glFinish(); }
void glXWaitX() { GdiFlush(); }

// ---- visuals and configurations ----

XVisualInfo* glXChooseVisual(Display* display, int screen, int* attributes) {
  if (display == nullptr || screen != 0 || attributes == nullptr) return nullptr;
  CapsTable table;
  int kind = LX_KIND_WINDOW;
  int best = Lx_ChooseVisual(table.entries, table.count, attributes, &kind);
  if (best < 0) return nullptr;
  GLXFBConfig info = new_visual_info(display, best, kind);
  return info != nullptr ? &info->info : nullptr;
}

int glXGetConfig(Display* display, XVisualInfo* visual, int attribute, int* value) {
  Lx_VisualCaps caps;
  if (display == nullptr || !caps_of(visual, &caps)) return GLX_BAD_VISUAL;
  return Lx_GlxConfigValue(caps, attribute, value);
}

GLXFBConfig* glXChooseFBConfig(Display* display, int screen, const int* attributes, int* count) {
  if (count != nullptr) *count = 0;
  if (display == nullptr || screen != 0 || attributes == nullptr) return nullptr;
  CapsTable table;
  int* matches = static_cast<int*>(calloc(size_t(table.count) + 1, sizeof(int)));
  if (matches == nullptr) return nullptr;
  int kind = LX_KIND_WINDOW;
  int n = Lx_ChooseFBConfigs(table.entries, table.count, attributes, matches, &kind);
  GLXFBConfig* list = nullptr;
  if (n > 0) {
    // The list and its configurations are one block: XFree of the list frees them all.
    list = static_cast<GLXFBConfig*>(malloc(size_t(n) * (sizeof(GLXFBConfig) + sizeof(__GLXFBConfigRec))));
    auto* records = reinterpret_cast<__GLXFBConfigRec*>(list + n);
    for (int i = 0; list != nullptr && i < n; ++i) {
      GLXFBConfig info = new_visual_info(display, matches[i], kind);
      if (info == nullptr) {
        free(list);
        list = nullptr;
        break;
      }
      records[i] = *info;
      free(info);
      list[i] = &records[i];
    }
    if (list != nullptr && count != nullptr) *count = n;
  }
  free(matches);
  return list;
}

int glXGetFBConfigAttrib(Display* display, GLXFBConfig config, int attribute, int* value) {
  Lx_VisualCaps caps;
  if (display == nullptr || config == nullptr || !caps_of(&config->info, &caps)) return GLX_BAD_VISUAL;
  return Lx_GlxFBConfigValue(caps, attribute, value);
}

XVisualInfo* glXGetVisualFromFBConfig(Display* display, GLXFBConfig config) {
  if (config == nullptr) return nullptr;
  GLXFBConfig info = new_visual_info(display, int(config->info.visualid), config->kind);
  return info != nullptr ? &info->info : nullptr;
}

// ---- contexts ----

GLXContext glXCreateContext(Display*, XVisualInfo* visual, GLXContext share_list, Bool) {
  return new_context(visual, share_list);
}

GLXContext glXCreateNewContext(Display*, GLXFBConfig config, int, GLXContext share_list, Bool) {
  return config != nullptr ? new_context(&config->info, share_list) : nullptr;
}

void glXDestroyContext(Display*, GLXContext context) {
  if (context == nullptr) return;
  if (context == current_context) forget_current();
  if (context->rendering != nullptr) wglDeleteContext(context->rendering);
  free(context);
}

Bool glXMakeCurrent(Display*, GLXDrawable drawable, GLXContext context) {
  if (context == nullptr) {
    // Releasing the system's context too: nothing may draw through it after.
    forget_current();
    return True;
  }
  if (drawable == None) return False;
  HDC dc = nullptr;
  HPALETTE palette = nullptr;
  HWND window = nullptr;
  if (context->kind == LX_KIND_WINDOW) {
    window = Lx_Hwnd(drawable);
    dc = GetDC(window);
    palette = Lx_GetDrawablePalette(drawable);
  } else {
    OffscreenRecord* record = find_offscreen(drawable, context->kind);
    if (record == nullptr) return False;
    if (context->kind == LX_KIND_PIXMAP) {
      dc = record->pixmap.dc;
      palette = record->pixmap.palette;
    } else {
      dc = record->pbuffer.dc;
    }
  }
  if (dc == nullptr) return False;
  if (context->kind != LX_KIND_PBUFFER) {
    set_pixel_format(dc, context->pixel_format, context->kind);
    if (context->colour_index) realize_palette(dc, palette, window);
  }
  if (context->rendering == nullptr) {
    context->rendering = wglCreateContext(dc);
    if (context->rendering == nullptr) {
      fprintf(stderr, "wglCreateContext failed. Error code=%d.\n", int(GetLastError()));
      return False;
    }
  }
  // Wine draws into bitmaps with a GL of its own beside the windows' one, and
  // each skips a make-current of the context it believes current: moving
  // between the two, the old context is released first, or GL calls go to it.
  if (current_context != nullptr && (current_context->kind == LX_KIND_PIXMAP) != (context->kind == LX_KIND_PIXMAP))
    wglMakeCurrent(nullptr, nullptr);
  if (!wglMakeCurrent(dc, context->rendering)) {
    fprintf(stderr, "wglMakeCurrent failed. Error code=%d.\n", int(GetLastError()));
    return False;
  }
  current_context = context;
  current_drawable = drawable;
  return True;
}

Bool glXMakeContextCurrent(Display* display, GLXDrawable draw, GLXDrawable, GLXContext context) {
  return glXMakeCurrent(display, draw, context);
}

GLXContext glXGetCurrentContext() { return current_context; }
GLXDrawable glXGetCurrentDrawable() { return current_drawable; }

void glXSwapBuffers(Display*, GLXDrawable drawable) {
  // Without a current context the window is still a window: swap its buffers.
  if (current_context != nullptr && current_context->kind != LX_KIND_WINDOW) return;
  HDC dc = GetDC(Lx_Hwnd(drawable));
  if (dc != nullptr) SwapBuffers(dc);
}

// ---- GLX pixmaps ----

GLXPixmap glXCreateGLXPixmap(Display*, XVisualInfo* visual, Pixmap pixmap) {
  if (visual == nullptr || with_kind(visual)->kind != LX_KIND_PIXMAP) return None;
  BITMAP size{};
  // A pixmap is a bitmap handle, sign-extended like a window's.
  if (GetObject(Lx_IdHandle<HBITMAP>(pixmap), sizeof size, &size) == 0) return None;
  auto* record = static_cast<OffscreenRecord*>(calloc(1, sizeof(OffscreenRecord)));
  if (record == nullptr) return None;
  record->kind = LX_KIND_PIXMAP;
  GlxPixmap& p = record->pixmap;
  p.width = size.bmWidth;
  p.height = size.bmHeight;
  p.palette = Lx_GetDrawablePalette(pixmap);
  p.dc = CreateCompatibleDC(nullptr);
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = p.width;
  header.bmiHeader.biHeight = p.height;  // rows bottom-up
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = GLX_PIXMAP_BITS;
  header.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  p.section = p.dc != nullptr ? CreateDIBSection(p.dc, &header, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  if (p.section == nullptr) {
    fprintf(stderr, "CreateDIBSection failed, error code=%d.\n", int(GetLastError()));
    if (p.dc != nullptr) DeleteDC(p.dc);
    free(record);
    return None;
  }
  p.previous = SelectObject(p.dc, p.section);
  return list_offscreen(record);
}

void glXDestroyGLXPixmap(Display*, GLXPixmap pixmap) {
  OffscreenRecord* record = find_offscreen(pixmap, LX_KIND_PIXMAP);
  if (record == nullptr) return;
  unlist_offscreen(pixmap);
  GlxPixmap& p = record->pixmap;
  SelectObject(p.dc, p.previous);
  DeleteObject(p.section);
  DeleteDC(p.dc);
  free(record);
}

// ---- pbuffers ----

GLXPbuffer glXCreatePbuffer(Display*, GLXFBConfig config, const int* attributes) {
  const Lx_PbufferEntryPoints* calls = Lx_Pbuffers();
  if (config == nullptr || config->kind != LX_KIND_PBUFFER || calls == nullptr) return None;
  int width = 0, height = 0, largest = 0;
  if (!Lx_ReadPbufferAttributes(attributes, &width, &height, &largest)) return None;
  // Made on the device context of the current GL context: none, no pbuffer.
  HDC current = wglGetCurrentDC();
  if (current == nullptr) return None;
  const int wgl_attributes[] = {WGL_PBUFFER_LARGEST_ARB, largest, 0};
  HANDLE pbuffer = calls->create(current, int(config->info.visualid) + 1, width, height, wgl_attributes);
  if (pbuffer == nullptr) return None;
  HDC dc = calls->get_dc(pbuffer);
  auto* record = dc != nullptr ? static_cast<OffscreenRecord*>(calloc(1, sizeof(OffscreenRecord))) : nullptr;
  if (record == nullptr) {
    if (dc != nullptr) calls->release_dc(pbuffer, dc);
    calls->destroy(pbuffer);
    return None;
  }
  record->kind = LX_KIND_PBUFFER;
  record->pbuffer = {pbuffer, dc};
  return list_offscreen(record);
}

void glXDestroyPbuffer(Display*, GLXPbuffer id) {
  OffscreenRecord* record = find_offscreen(id, LX_KIND_PBUFFER);
  const Lx_PbufferEntryPoints* calls = Lx_Pbuffers();
  if (record == nullptr || calls == nullptr) return;
  unlist_offscreen(id);
  calls->release_dc(record->pbuffer.pbuffer, record->pbuffer.dc);
  calls->destroy(record->pbuffer.pbuffer);
  free(record);
}

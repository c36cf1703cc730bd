// seam: the display and its visual table until the display module lands; a
// bare display and the pixel formats read through the attribute query, which
// the GLX tests need. Delete when XOpenDisplay and the visual table exist.
#include <windows.h>

#include <GL/gl.h>
#include <GL/wglext.h>

#include <cstdlib>
#include <cstring>

#include "platform/win/layer.h"

namespace {

Display* seam_display = nullptr;
Lx_Visual** seam_visuals = nullptr;
int seam_visual_count = 0;
Lx_PbufferEntryPoints seam_pbuffers{};
bool seam_pbuffers_on = false;
bool seam_multisample = false;

template <typename T>
T entry(const char* name) {
  return reinterpret_cast<T>(reinterpret_cast<void*>(wglGetProcAddress(name)));
}

void seam_build_visuals() {
  WNDCLASSA c{};
  c.style = CS_OWNDC;
  c.lpfnWndProc = DefWindowProcA;
  c.hInstance = GetModuleHandleA(nullptr);
  c.lpszClassName = "SeamInputOnly";
  RegisterClassA(&c);
  HWND hidden = CreateWindowExA(0, "SeamInputOnly", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, c.hInstance, nullptr);
  HDC dc = GetDC(hidden);
  PIXELFORMATDESCRIPTOR want{};
  want.nSize = sizeof want;
  want.nVersion = 1;
  want.dwFlags = PFD_SUPPORT_OPENGL | PFD_DRAW_TO_WINDOW;
  want.iPixelType = PFD_TYPE_RGBA;
  SetPixelFormat(dc, ChoosePixelFormat(dc, &want), &want);
  HGLRC temporary = wglCreateContext(dc);
  wglMakeCurrent(dc, temporary);
  auto extensions = entry<PFNWGLGETEXTENSIONSSTRINGARBPROC>("wglGetExtensionsStringARB");
  const char* names = extensions != nullptr ? extensions(dc) : "";
  auto attribute = entry<PFNWGLGETPIXELFORMATATTRIBIVARBPROC>("wglGetPixelFormatAttribivARB");
  seam_multisample = strstr(names, "WGL_ARB_multisample") != nullptr;
  if (strstr(names, "WGL_ARB_pbuffer") != nullptr) {
    seam_pbuffers.create = entry<Lx_CreatePbufferProc>("wglCreatePbufferARB");
    seam_pbuffers.get_dc = entry<Lx_GetPbufferDCProc>("wglGetPbufferDCARB");
    seam_pbuffers.release_dc = entry<Lx_ReleasePbufferDCProc>("wglReleasePbufferDCARB");
    seam_pbuffers.destroy = entry<Lx_DestroyPbufferProc>("wglDestroyPbufferARB");
    seam_pbuffers_on = seam_pbuffers.create && seam_pbuffers.get_dc && seam_pbuffers.release_dc &&
                       seam_pbuffers.destroy;
  }
  int count = 0;
  const int count_name = WGL_NUMBER_PIXEL_FORMATS_ARB;
  if (attribute != nullptr) attribute(dc, 1, 0, 1, &count_name, &count);
  seam_visual_count = count;
  seam_visuals = static_cast<Lx_Visual**>(calloc(size_t(count) + 1, sizeof(Lx_Visual*)));
  auto get = [&](int format, int name) {
    int value = 0;
    attribute(dc, format, 0, 1, &name, &value);
    return value;
  };
  static const int size_names[LX_SIZE_COUNT] = {
      WGL_RED_BITS_ARB,       WGL_GREEN_BITS_ARB,      WGL_BLUE_BITS_ARB,        WGL_ALPHA_BITS_ARB,
      WGL_ACCUM_RED_BITS_ARB, WGL_ACCUM_GREEN_BITS_ARB, WGL_ACCUM_BLUE_BITS_ARB, WGL_ACCUM_ALPHA_BITS_ARB,
      WGL_DEPTH_BITS_ARB,     WGL_STENCIL_BITS_ARB,    WGL_AUX_BUFFERS_ARB};
  for (int f = 1; f <= count; ++f) {
    bool rgba = get(f, WGL_PIXEL_TYPE_ARB) == WGL_TYPE_RGBA_ARB;
    bool window = get(f, WGL_DRAW_TO_WINDOW_ARB) != 0;
    bool bitmap = rgba && get(f, WGL_DRAW_TO_BITMAP_ARB) != 0;
    bool pbuffer = seam_pbuffers_on && get(f, WGL_DRAW_TO_PBUFFER_ARB) != 0;
    if (get(f, WGL_SUPPORT_OPENGL_ARB) == 0 || !(window || bitmap || pbuffer)) continue;
    auto* v = static_cast<Lx_Visual*>(calloc(1, sizeof(Lx_Visual)));
    v->visual.visualid = VisualID(f - 1);
    v->visual.c_class = rgba ? TrueColor : PseudoColor;
    for (int i = 0; i < LX_SIZE_COUNT; ++i) v->sizes[i] = static_cast<unsigned char>(get(f, size_names[i]));
    v->visual.red_mask = ((1ul << v->sizes[LX_RED_SIZE]) - 1) << get(f, WGL_RED_SHIFT_ARB);
    v->visual.green_mask = ((1ul << v->sizes[LX_GREEN_SIZE]) - 1) << get(f, WGL_GREEN_SHIFT_ARB);
    v->visual.blue_mask = ((1ul << v->sizes[LX_BLUE_SIZE]) - 1) << get(f, WGL_BLUE_SHIFT_ARB);
    v->visual.bits_per_rgb = v->sizes[LX_RED_SIZE];
    v->visual.map_entries = rgba ? 1 << (v->sizes[0] + v->sizes[1] + v->sizes[2]) : 256;
    v->depth = get(f, WGL_COLOR_BITS_ARB);
    v->flags = static_cast<unsigned char>((window ? LX_DRAW_TO_WINDOW : 0) | (bitmap ? LX_DRAW_TO_BITMAP : 0) |
                                          (pbuffer ? LX_DRAW_TO_PBUFFER : 0) |
                                          (get(f, WGL_DOUBLE_BUFFER_ARB) ? LX_DOUBLE_BUFFER : 0) |
                                          (get(f, WGL_STEREO_ARB) ? LX_STEREO : 0));
    v->acceleration = static_cast<uint16_t>(get(f, WGL_ACCELERATION_ARB));
    if (seam_multisample) {
      v->sample_buffers = static_cast<unsigned char>(get(f, WGL_SAMPLE_BUFFERS_ARB));
      v->samples = static_cast<unsigned char>(get(f, WGL_SAMPLES_ARB));
    }
    if (pbuffer) {
      v->max_pbuffer_width = static_cast<uint16_t>(get(f, WGL_MAX_PBUFFER_WIDTH_ARB));
      v->max_pbuffer_height = static_cast<uint16_t>(get(f, WGL_MAX_PBUFFER_HEIGHT_ARB));
      v->max_pbuffer_pixels = uint32_t(get(f, WGL_MAX_PBUFFER_PIXELS_ARB));
    }
    seam_visuals[f - 1] = v;
  }
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(temporary);
  ReleaseDC(hidden, dc);
  DestroyWindow(hidden);
}

}  // namespace

Display* XOpenDisplay(const char*) {
  if (seam_display == nullptr) {
    seam_display = static_cast<Display*>(calloc(1, sizeof(Display)));
    seam_build_visuals();
  }
  return seam_display;
}

int XFree(void* data) {
  free(data);
  return 1;
}

int Lx_VisualCount() { return seam_visual_count; }
Lx_Visual* Lx_VisualEntry(int index) {
  return index >= 0 && index < seam_visual_count ? seam_visuals[index] : nullptr;
}
bool Lx_HasMultisample() { return seam_multisample; }
const Lx_PbufferEntryPoints* Lx_Pbuffers() { return seam_pbuffers_on ? &seam_pbuffers : nullptr; }

HPALETTE Lx_GetDrawablePalette(Drawable) { return nullptr; }

XVisualInfo* XGetVisualInfo(Display*, long mask, XVisualInfo* pattern, int* count) {
  *count = 0;
  auto* list = static_cast<XVisualInfo*>(calloc(size_t(seam_visual_count) + 1, sizeof(XVisualInfo)));
  for (int i = 0; i < seam_visual_count; ++i) {
    Lx_Visual* v = seam_visuals[i];
    if (v == nullptr || ((mask & VisualIDMask) && pattern->visualid != VisualID(i))) continue;
    XVisualInfo& x = list[(*count)++];
    x.visual = &v->visual;
    x.visualid = v->visual.visualid;
    x.depth = v->depth;
    x.c_class = v->visual.c_class;
    x.red_mask = v->visual.red_mask;
    x.green_mask = v->visual.green_mask;
    x.blue_mask = v->visual.blue_mask;
    x.colormap_size = v->visual.map_entries;
    x.bits_per_rgb = v->visual.bits_per_rgb;
  }
  if (*count == 0) {
    free(list);
    return nullptr;
  }
  return list;
}

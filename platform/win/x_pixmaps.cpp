// Pixmaps, images and bitmap files of the Windows layer: pixmaps are GDI
// bitmaps listed with the drawable each was made for; images are ZPixmap
// records of 8 or 32 bits per pixel.
#include <windows.h>

#include <sys/stat.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/checked_mm.h"
#include "platform/win/bitmap_file.h"
#include "platform/win/drawable_lists.h"
#include "platform/win/image_format.h"
#include "platform/win/layer.h"
#include "platform/win/pixmaps.h"

bool Lx_IsPixmap(Drawable drawable) { return Lx_IsPixmap(static_cast<uintptr_t>(drawable)); }

Pixmap XCreatePixmap(Display*, Drawable drawable, unsigned width, unsigned height, unsigned depth) {
  HBITMAP bitmap = Lx_CreatePixmapBitmap(static_cast<int>(width), static_cast<int>(height), static_cast<int>(depth));
  if (bitmap == nullptr) return None;
  Lx_ListPixmap(Lx_HandleId(bitmap), drawable);
  return Lx_HandleId(bitmap);
}

int XFreePixmap(Display*, Pixmap pixmap) {
  if (pixmap == None) return 0;
  Lx_ClosePixmapDC(pixmap);
  Lx_UnlistPixmap(pixmap);
  DeleteObject(Lx_IdHandle<HBITMAP>(pixmap));
  return 1;
}

Pixmap XCreateBitmapFromData(Display*, Drawable drawable, const char* data, unsigned width, unsigned height) {
  HBITMAP bitmap = Lx_CreateBitmapFromXData(reinterpret_cast<const uint8_t*>(data), static_cast<int>(width),
                                            static_cast<int>(height));
  if (bitmap == nullptr) return None;
  Lx_ListPixmap(Lx_HandleId(bitmap), drawable);
  return Lx_HandleId(bitmap);
}

int Lx_GetPixmapAttributes(Pixmap pixmap, XWindowAttributes* attributes) {
  BITMAP b{};
  Lx_ClosePixmapDC(pixmap);
  if (GetObject(Lx_IdHandle<HBITMAP>(pixmap), sizeof b, &b) == 0) return 2;
  attributes->width = b.bmWidth;
  attributes->height = b.bmHeight;
  attributes->depth = 0;
  return 0;
}

namespace {

// The major codes of the copy requests, which their NoExpose events name.
constexpr int kCopyArea = 62;
constexpr int kCopyPlane = 63;

void queue_no_expose(Display* display, Drawable drawable, GC gc, int major_code) {
  XGCValues values;
  if (!XGetGCValues(display, gc, GCGraphicsExposures, &values) || !values.graphics_exposures) return;
  XEvent event{};
  event.xnoexpose.type = NoExpose;
  event.xnoexpose.display = display;
  event.xnoexpose.drawable = drawable;
  event.xnoexpose.major_code = major_code;
  Lx_PutEvent(&event);
}

// Runs copy(source context, destination context) with both contexts taken.
template <class Copy>
int copy_between(Display* display, Drawable source, Drawable destination, Copy copy) {
  HDC from = Lx_GetDrawableDC(display, source);
  if (from == nullptr) return 0;
  HDC to = Lx_GetDrawableDC(display, destination);
  if (to != nullptr) {
    copy(from, to);
    Lx_ReleaseDrawableDC(display, destination, to);
  }
  Lx_ReleaseDrawableDC(display, source, from);
  return to != nullptr;
}

}  // namespace

int XCopyArea(Display* display, Drawable source, Drawable destination, GC gc, int sx, int sy, unsigned width,
              unsigned height, int dx, int dy) {
  queue_no_expose(display, destination, gc, kCopyArea);
  return copy_between(display, source, destination, [&](HDC from, HDC to) {
    Lx_GdiCopyArea(from, to, sx, sy, static_cast<int>(width), static_cast<int>(height), dx, dy);
  });
}

int XCopyPlane(Display* display, Drawable source, Drawable destination, GC gc, int sx, int sy, unsigned width,
               unsigned height, int dx, int dy, unsigned long) {
  XGCValues v;
  XGetGCValues(display, gc, GCForeground | GCBackground | GCClipMask, &v);
  if (v.clip_mask != None && v.clip_mask != source) printf("XCopyPlane: Unsupported clipping mask feature\n");
  queue_no_expose(display, destination, gc, kCopyPlane);
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  return copy_between(display, source, destination, [&](HDC from, HDC to) {
    if (v.clip_mask != source) {
      Lx_GdiCopyPlane(from, to, sx, sy, w, h, dx, dy, static_cast<COLORREF>(v.foreground),
                      static_cast<COLORREF>(v.background));
      return;
    }
    // Masked by itself: the set bits cleared, then painted; the clear bits leave the target.
    const COLORREF text = SetTextColor(to, 0x000000), back = SetBkColor(to, 0xFFFFFF);
    BitBlt(to, dx, dy, w, h, from, sx, sy, SRCAND);
    SetTextColor(to, static_cast<COLORREF>(v.foreground));
    SetBkColor(to, 0x000000);
    BitBlt(to, dx, dy, w, h, from, sx, sy, SRCPAINT);
    SetTextColor(to, text);
    SetBkColor(to, back);
  });
}

// Images.

namespace {

int Lx_XDestroyImage(XImage* image) {
  if (image == nullptr) return 0;
  free(image->data);
  free(image);
  return 1;
}

unsigned long Lx_XGetPixel(XImage* image, int x, int y) {
  return Lx_ImageGetPixel(image->data, image->bytes_per_line, image->bits_per_pixel, x, y);
}

int Lx_XPutPixel(XImage* image, int x, int y, unsigned long pixel) {
  Lx_ImagePutPixel(image->data, image->bytes_per_line, image->bits_per_pixel, x, y, pixel);
  return 1;
}

XImage* new_image(int depth, char* data, unsigned width, unsigned height) {
  auto* image = static_cast<XImage*>(calloc(1, sizeof(XImage)));
  if (image == nullptr) return nullptr;
  const int bits = Lx_ImageBitsPerPixel(depth);
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->xoffset = 0;
  image->format = ZPixmap;
  image->data = data;
  image->byte_order = LSBFirst;
  image->bitmap_unit = image->bitmap_pad = bits;
  image->bitmap_bit_order = MSBFirst;
  image->depth = image->bits_per_pixel = bits;
  image->bytes_per_line = Lx_ImageBytesPerLine(static_cast<int>(width), bits);
  image->f.destroy_image = Lx_XDestroyImage;
  image->f.get_pixel = Lx_XGetPixel;
  image->f.put_pixel = Lx_XPutPixel;
  return image;
}

}  // namespace

int XDestroyImage(XImage* image) { return image->f.destroy_image(image); }
unsigned long XGetPixel(XImage* image, int x, int y) { return image->f.get_pixel(image, x, y); }
int XPutPixel(XImage* image, int x, int y, unsigned long pixel) { return image->f.put_pixel(image, x, y, pixel); }

XImage* XCreateImage(Display*, Visual*, unsigned depth, int, int, char* data, unsigned width, unsigned height, int,
                     int) {
  return new_image(static_cast<int>(depth), data, width, height);
}

XImage* XGetImage(Display* display, Drawable drawable, int x, int y, unsigned width, unsigned height, unsigned long,
                  int format) {
  if (format != ZPixmap || width < 1 || height < 1 || width > 32767 || height > 32767) return nullptr;
  auto* pixels = static_cast<char*>(malloc(size_t{width} * height * 4));
  if (pixels == nullptr) return nullptr;
  // X's read is a round trip: it sees all drawing asked before it, on the screen too.
  XSync(display, False);
  HDC dc = Lx_GetDrawableDC(display, drawable);
  const bool read = dc != nullptr && Lx_GdiGetPixels(dc, x, y, static_cast<int>(width), static_cast<int>(height),
                                                      reinterpret_cast<uint8_t*>(pixels));
  if (dc != nullptr) Lx_ReleaseDrawableDC(display, drawable, dc);
  XImage* image = read ? new_image(32, pixels, width, height) : nullptr;
  if (image == nullptr) free(pixels);
  return image;
}

int XPutImage(Display* display, Drawable drawable, GC, XImage* image, int sx, int sy, int dx, int dy, unsigned width,
              unsigned height) {
  if (image == nullptr || image->format != ZPixmap || (image->bits_per_pixel != 8 && image->bits_per_pixel != 32))
    return 0;
  HDC dc = Lx_GetDrawableDC(display, drawable);
  if (dc == nullptr) return 0;
  const bool put = Lx_GdiPutPixels(dc, dx, dy, static_cast<int>(width), static_cast<int>(height), image->data,
                                   image->bytes_per_line, image->bits_per_pixel, sx, sy);
  Lx_ReleaseDrawableDC(display, drawable, dc);
  return put;
}

// Bitmap files.

int XReadBitmapFile(Display*, Drawable drawable, const char* path, unsigned* width, unsigned* height, Pixmap* bitmap,
                    int* x_hot, int* y_hot) {
  struct _stat status;
  if (_stat(path, &status) != 0) return BitmapOpenFailed;
  HBITMAP made;
  int w, h, xh, yh;
  const int result = Lx_ReadBitmapFileToBitmap(path, &made, &w, &h, &xh, &yh);
  if (result != BitmapSuccess) return result;
  Lx_ListPixmap(Lx_HandleId(made), drawable);
  *bitmap = Lx_HandleId(made);
  *width = static_cast<unsigned>(w);
  *height = static_cast<unsigned>(h);
  if (x_hot != nullptr) *x_hot = xh;
  if (y_hot != nullptr) *y_hot = yh;
  return BitmapSuccess;
}

int XReadBitmapFileData(const char* path, unsigned* width, unsigned* height, unsigned char** data, int* x_hot,
                        int* y_hot) {
  Lx_XBitmap x;
  const int result = Lx_ReadXBitmapFile(path, &x);
  if (result != BitmapSuccess) return result;
  const size_t bytes = static_cast<size_t>((x.width + 7) / 8) * static_cast<size_t>(x.height);
  *data = static_cast<unsigned char*>(malloc(bytes));
  if (*data == nullptr) {
    CheckedFree(x.data);
    return BitmapNoMemory;
  }
  memcpy(*data, x.data, bytes);
  CheckedFree(x.data);
  *width = static_cast<unsigned>(x.width);
  *height = static_cast<unsigned>(x.height);
  if (x_hot != nullptr) *x_hot = x.x_hot;
  if (y_hot != nullptr) *y_hot = x.y_hot;
  return BitmapSuccess;
}

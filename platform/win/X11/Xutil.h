// The X utility interface of the Windows build's layer: window-manager hints,
// text properties, visual queries, regions, images and key lookup, with the
// published layouts and values.
#pragma once

#include <X11/Xlib.h>

#define NoValue 0x0000
#define XValue 0x0001
#define YValue 0x0002
#define WidthValue 0x0004
#define HeightValue 0x0008
#define AllValues 0x000F
#define XNegative 0x0010
#define YNegative 0x0020

typedef struct {
  long flags;
  int x, y;
  int width, height;
  int min_width, min_height;
  int max_width, max_height;
  int width_inc, height_inc;
  struct {
    int x;
    int y;
  } min_aspect, max_aspect;
  int base_width, base_height;
  int win_gravity;
} XSizeHints;

#define USPosition (1L << 0)
#define USSize (1L << 1)
#define PPosition (1L << 2)
#define PSize (1L << 3)
#define PMinSize (1L << 4)
#define PMaxSize (1L << 5)
#define PResizeInc (1L << 6)
#define PAspect (1L << 7)
#define PBaseSize (1L << 8)
#define PWinGravity (1L << 9)
#define PAllHints (PPosition | PSize | PMinSize | PMaxSize | PResizeInc | PAspect)

typedef struct {
  long flags;
  Bool input;
  int initial_state;
  Pixmap icon_pixmap;
  Window icon_window;
  int icon_x, icon_y;
  Pixmap icon_mask;
  XID window_group;
} XWMHints;

#define InputHint (1L << 0)
#define StateHint (1L << 1)
#define IconPixmapHint (1L << 2)
#define IconWindowHint (1L << 3)
#define IconPositionHint (1L << 4)
#define IconMaskHint (1L << 5)
#define WindowGroupHint (1L << 6)
#define AllHints (InputHint | StateHint | IconPixmapHint | IconWindowHint | IconPositionHint | IconMaskHint | WindowGroupHint)
#define XUrgencyHint (1L << 8)

#define WithdrawnState 0
#define NormalState 1
#define IconicState 3
#define DontCareState 0
#define ZoomState 2
#define InactiveState 4

typedef struct {
  unsigned char* value;
  Atom encoding;
  int format;
  unsigned long nitems;
} XTextProperty;

#define XNoMemory -1
#define XLocaleNotSupported -2
#define XConverterNotFound -3

typedef enum { XStringStyle, XCompoundTextStyle, XTextStyle, XStdICCTextStyle, XUTF8StringStyle } XICCEncodingStyle;

typedef struct {
  int min_width, min_height;
  int max_width, max_height;
  int width_inc, height_inc;
} XIconSize;

typedef struct {
  char* res_name;
  char* res_class;
} XClassHint;

typedef struct _XComposeStatus {
  XPointer compose_ptr;
  int chars_matched;
} XComposeStatus;

typedef struct {
  Visual* visual;
  VisualID visualid;
  int screen;
  int depth;
  int c_class;
  unsigned long red_mask;
  unsigned long green_mask;
  unsigned long blue_mask;
  int colormap_size;
  int bits_per_rgb;
} XVisualInfo;

#define VisualNoMask 0x0
#define VisualIDMask 0x1
#define VisualScreenMask 0x2
#define VisualDepthMask 0x4
#define VisualClassMask 0x8
#define VisualRedMaskMask 0x10
#define VisualGreenMaskMask 0x20
#define VisualBlueMaskMask 0x40
#define VisualColormapSizeMask 0x80
#define VisualBitsPerRGBMask 0x100
#define VisualAllMask 0x1FF

#define RectangleOut 0
#define RectangleIn 1
#define RectanglePart 2

#define BitmapSuccess 0
#define BitmapOpenFailed 1
#define BitmapFileInvalid 2
#define BitmapNoMemory 3

XVisualInfo* XGetVisualInfo(Display* display, long vinfo_mask, XVisualInfo* vinfo_template, int* nitems);

// Hints and text properties.
XSizeHints* XAllocSizeHints(void);
XWMHints* XAllocWMHints(void);
XClassHint* XAllocClassHint(void);
XIconSize* XAllocIconSize(void);
int XSetWMHints(Display* display, Window window, XWMHints* hints);
XWMHints* XGetWMHints(Display* display, Window window);
void XSetWMNormalHints(Display* display, Window window, XSizeHints* hints);
Status XGetWMNormalHints(Display* display, Window window, XSizeHints* hints, long* supplied);
int XSetClassHint(Display* display, Window window, XClassHint* hint);
Status XGetClassHint(Display* display, Window window, XClassHint* hint);
Status XGetIconSizes(Display* display, Window window, XIconSize** sizes, int* count);
void XSetWMName(Display* display, Window window, XTextProperty* text);
Status XGetWMName(Display* display, Window window, XTextProperty* text);
void XSetWMIconName(Display* display, Window window, XTextProperty* text);
Status XGetWMIconName(Display* display, Window window, XTextProperty* text);
void XSetTextProperty(Display* display, Window window, XTextProperty* text, Atom property);
Status XGetTextProperty(Display* display, Window window, XTextProperty* text, Atom property);
Status XStringListToTextProperty(char** list, int count, XTextProperty* text);
Status XTextPropertyToStringList(XTextProperty* text, char*** list, int* count);
void XFreeStringList(char** list);

// Key lookup.
int XLookupString(XKeyEvent* event, char* buffer, int length, KeySym* keysym, XComposeStatus* status);
int XRefreshKeyboardMapping(XMappingEvent* event);

// Regions.
Region XCreateRegion(void);
int XDestroyRegion(Region region);
Region XPolygonRegion(XPoint* points, int n, int fill_rule);
int XUnionRectWithRegion(XRectangle* rectangle, Region source, Region destination);
int XUnionRegion(Region a, Region b, Region destination);
int XIntersectRegion(Region a, Region b, Region destination);
int XSubtractRegion(Region a, Region b, Region destination);
int XXorRegion(Region a, Region b, Region destination);
int XOffsetRegion(Region region, int dx, int dy);
int XShrinkRegion(Region region, int dx, int dy);
Bool XEmptyRegion(Region region);
Bool XEqualRegion(Region a, Region b);
Bool XPointInRegion(Region region, int x, int y);
int XRectInRegion(Region region, int x, int y, unsigned int width, unsigned int height);
int XClipBox(Region region, XRectangle* rectangle);
int XSetRegion(Display* display, GC gc, Region region);

// Images: functions here, where Xlib has macros over the image's table.
int XDestroyImage(XImage* image);
unsigned long XGetPixel(XImage* image, int x, int y);
int XPutPixel(XImage* image, int x, int y, unsigned long pixel);
XImage* XSubImage(XImage* image, int x, int y, unsigned int width, unsigned int height);
int XAddPixel(XImage* image, long value);

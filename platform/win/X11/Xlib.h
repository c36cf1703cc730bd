// The X library interface as the Windows build's layer gives it: the records
// of the published Xlib layout (display and GC opaque), the event records and
// the calls the server makes. No system header: any folder may include it.
#pragma once

#include <X11/X.h>

#include <stddef.h>

#define XlibSpecificationRelease 6

typedef int Bool;
typedef int Status;
typedef char* XPointer;
#define True 1
#define False 0
#define QueuedAlready 0
#define QueuedAfterReading 1
#define QueuedAfterFlush 2
#define AllPlanes (~0UL)

struct _XDisplay;  // the layer's display record
typedef struct _XDisplay Display;
typedef struct _XGC* GC;  // the layer's graphics context record
typedef struct _XRegion* Region;

typedef struct _XExtData {
  int number;
  struct _XExtData* next;
  int (*free_private)(struct _XExtData* extension);
  XPointer private_data;
} XExtData;

typedef struct {
  XExtData* ext_data;
  VisualID visualid;
  int c_class;
  unsigned long red_mask, green_mask, blue_mask;
  int bits_per_rgb;
  int map_entries;
} Visual;

typedef struct {
  int depth;
  int nvisuals;
  Visual* visuals;
} Depth;

typedef struct {
  XExtData* ext_data;
  struct _XDisplay* display;
  Window root;
  int width, height;
  int mwidth, mheight;
  int ndepths;
  Depth* depths;
  int root_depth;
  Visual* root_visual;
  GC default_gc;
  Colormap cmap;
  unsigned long white_pixel;
  unsigned long black_pixel;
  int max_maps, min_maps;
  int backing_store;
  Bool save_unders;
  long root_input_mask;
} Screen;

typedef struct {
  int function;
  unsigned long plane_mask;
  unsigned long foreground;
  unsigned long background;
  int line_width;
  int line_style;
  int cap_style;
  int join_style;
  int fill_style;
  int fill_rule;
  int arc_mode;
  Pixmap tile;
  Pixmap stipple;
  int ts_x_origin;
  int ts_y_origin;
  Font font;
  int subwindow_mode;
  Bool graphics_exposures;
  int clip_x_origin;
  int clip_y_origin;
  Pixmap clip_mask;
  int dash_offset;
  char dashes;
} XGCValues;

typedef struct {
  Pixmap background_pixmap;
  unsigned long background_pixel;
  Pixmap border_pixmap;
  unsigned long border_pixel;
  int bit_gravity;
  int win_gravity;
  int backing_store;
  unsigned long backing_planes;
  unsigned long backing_pixel;
  Bool save_under;
  long event_mask;
  long do_not_propagate_mask;
  Bool override_redirect;
  Colormap colormap;
  Cursor cursor;
} XSetWindowAttributes;

typedef struct {
  int x, y;
  int width, height;
  int border_width;
  int depth;
  Visual* visual;
  Window root;
  int c_class;
  int bit_gravity;
  int win_gravity;
  int backing_store;
  unsigned long backing_planes;
  unsigned long backing_pixel;
  Bool save_under;
  Colormap colormap;
  Bool map_installed;
  int map_state;
  long all_event_masks;
  long your_event_mask;
  long do_not_propagate_mask;
  Bool override_redirect;
  Screen* screen;
} XWindowAttributes;

typedef struct {
  int x, y;
  int width, height;
  int border_width;
  Window sibling;
  int stack_mode;
} XWindowChanges;

typedef struct {
  unsigned long pixel;
  unsigned short red, green, blue;
  char flags;
  char pad;
} XColor;

typedef struct {
  short x1, y1, x2, y2;
} XSegment;

typedef struct {
  short x, y;
} XPoint;

typedef struct {
  short x, y;
  unsigned short width, height;
} XRectangle;

typedef struct {
  short x, y;
  unsigned short width, height;
  short angle1, angle2;
} XArc;

typedef struct {
  Time time;
  short x, y;
} XTimeCoord;

typedef struct _XImage {
  int width, height;
  int xoffset;
  int format;
  char* data;
  int byte_order;
  int bitmap_unit;
  int bitmap_bit_order;
  int bitmap_pad;
  int depth;
  int bytes_per_line;
  int bits_per_pixel;
  unsigned long red_mask;
  unsigned long green_mask;
  unsigned long blue_mask;
  XPointer obdata;
  struct funcs {
    struct _XImage* (*create_image)(struct _XDisplay*, Visual*, unsigned int, int, int, char*, unsigned int,
                                    unsigned int, int, int);
    int (*destroy_image)(struct _XImage*);
    unsigned long (*get_pixel)(struct _XImage*, int, int);
    int (*put_pixel)(struct _XImage*, int, int, unsigned long);
    struct _XImage* (*sub_image)(struct _XImage*, int, int, unsigned int, unsigned int);
    int (*add_pixel)(struct _XImage*, long);
  } f;
} XImage;

typedef struct {
  short lbearing;
  short rbearing;
  short width;
  short ascent;
  short descent;
  unsigned short attributes;
} XCharStruct;

typedef struct {
  Atom name;
  unsigned long card32;
} XFontProp;

typedef struct {
  XExtData* ext_data;
  Font fid;
  unsigned direction;
  unsigned min_char_or_byte2;
  unsigned max_char_or_byte2;
  unsigned min_byte1;
  unsigned max_byte1;
  Bool all_chars_exist;
  unsigned default_char;
  int n_properties;
  XFontProp* properties;
  XCharStruct min_bounds;
  XCharStruct max_bounds;
  XCharStruct* per_char;
  int ascent;
  int descent;
} XFontStruct;

// Events.
typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
} XAnyEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  Window root;
  Window subwindow;
  Time time;
  int x, y;
  int x_root, y_root;
  unsigned int state;
  unsigned int keycode;
  Bool same_screen;
} XKeyEvent;
typedef XKeyEvent XKeyPressedEvent;
typedef XKeyEvent XKeyReleasedEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  Window root;
  Window subwindow;
  Time time;
  int x, y;
  int x_root, y_root;
  unsigned int state;
  unsigned int button;
  Bool same_screen;
} XButtonEvent;
typedef XButtonEvent XButtonPressedEvent;
typedef XButtonEvent XButtonReleasedEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  Window root;
  Window subwindow;
  Time time;
  int x, y;
  int x_root, y_root;
  unsigned int state;
  char is_hint;
  Bool same_screen;
} XMotionEvent;
typedef XMotionEvent XPointerMovedEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  Window root;
  Window subwindow;
  Time time;
  int x, y;
  int x_root, y_root;
  int mode;
  int detail;
  Bool same_screen;
  Bool focus;
  unsigned int state;
} XCrossingEvent;
typedef XCrossingEvent XEnterWindowEvent;
typedef XCrossingEvent XLeaveWindowEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  int mode;
  int detail;
} XFocusChangeEvent;
typedef XFocusChangeEvent XFocusInEvent;
typedef XFocusChangeEvent XFocusOutEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  char key_vector[32];
} XKeymapEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  int x, y;
  int width, height;
  int count;
} XExposeEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Drawable drawable;
  int x, y;
  int width, height;
  int count;
  int major_code;
  int minor_code;
} XGraphicsExposeEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Drawable drawable;
  int major_code;
  int minor_code;
} XNoExposeEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  int state;
} XVisibilityEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window parent;
  Window window;
  int x, y;
  int width, height;
  int border_width;
  Bool override_redirect;
} XCreateWindowEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window event;
  Window window;
} XDestroyWindowEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window event;
  Window window;
  Bool from_configure;
} XUnmapEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window event;
  Window window;
  Bool override_redirect;
} XMapEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window parent;
  Window window;
} XMapRequestEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window event;
  Window window;
  Window parent;
  int x, y;
  Bool override_redirect;
} XReparentEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window event;
  Window window;
  int x, y;
  int width, height;
  int border_width;
  Window above;
  Bool override_redirect;
} XConfigureEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window event;
  Window window;
  int x, y;
} XGravityEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  int width, height;
} XResizeRequestEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window parent;
  Window window;
  int x, y;
  int width, height;
  int border_width;
  Window above;
  int detail;
  unsigned long value_mask;
} XConfigureRequestEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window event;
  Window window;
  int place;
} XCirculateEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window parent;
  Window window;
  int place;
} XCirculateRequestEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  Atom atom;
  Time time;
  int state;
} XPropertyEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  Atom selection;
  Time time;
} XSelectionClearEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window owner;
  Window requestor;
  Atom selection;
  Atom target;
  Atom property;
  Time time;
} XSelectionRequestEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window requestor;
  Atom selection;
  Atom target;
  Atom property;
  Time time;
} XSelectionEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  Colormap colormap;
  Bool c_new;
  int state;
} XColormapEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  Atom message_type;
  int format;
  union {
    char b[20];
    short s[10];
    long l[5];
  } data;
} XClientMessageEvent;

typedef struct {
  int type;
  unsigned long serial;
  Bool send_event;
  Display* display;
  Window window;
  int request;
  int first_keycode;
  int count;
} XMappingEvent;

typedef struct {
  int type;
  Display* display;
  XID resourceid;
  unsigned long serial;
  unsigned char error_code;
  unsigned char request_code;
  unsigned char minor_code;
} XErrorEvent;

typedef union _XEvent {
  int type;
  XAnyEvent xany;
  XKeyEvent xkey;
  XButtonEvent xbutton;
  XMotionEvent xmotion;
  XCrossingEvent xcrossing;
  XFocusChangeEvent xfocus;
  XExposeEvent xexpose;
  XGraphicsExposeEvent xgraphicsexpose;
  XNoExposeEvent xnoexpose;
  XVisibilityEvent xvisibility;
  XCreateWindowEvent xcreatewindow;
  XDestroyWindowEvent xdestroywindow;
  XUnmapEvent xunmap;
  XMapEvent xmap;
  XMapRequestEvent xmaprequest;
  XReparentEvent xreparent;
  XConfigureEvent xconfigure;
  XGravityEvent xgravity;
  XResizeRequestEvent xresizerequest;
  XConfigureRequestEvent xconfigurerequest;
  XCirculateEvent xcirculate;
  XCirculateRequestEvent xcirculaterequest;
  XPropertyEvent xproperty;
  XSelectionClearEvent xselectionclear;
  XSelectionRequestEvent xselectionrequest;
  XSelectionEvent xselection;
  XColormapEvent xcolormap;
  XClientMessageEvent xclient;
  XMappingEvent xmapping;
  XErrorEvent xerror;
  XKeymapEvent xkeymap;
  long pad[24];
} XEvent;

typedef int (*XErrorHandler)(Display* display, XErrorEvent* event);

// Display and screen: functions where Xlib has field macros, since the
// display record is the layer's own.
int XConnectionNumber(Display* display);
int XDefaultScreen(Display* display);
Screen* XDefaultScreenOfDisplay(Display* display);
Screen* XScreenOfDisplay(Display* display, int screen);
Window XRootWindow(Display* display, int screen);
Window XDefaultRootWindow(Display* display);
Visual* XDefaultVisual(Display* display, int screen);
int XDefaultDepth(Display* display, int screen);
Colormap XDefaultColormap(Display* display, int screen);
GC XDefaultGC(Display* display, int screen);
unsigned long XBlackPixel(Display* display, int screen);
unsigned long XWhitePixel(Display* display, int screen);
int XDisplayWidth(Display* display, int screen);
int XDisplayHeight(Display* display, int screen);
int XDisplayWidthMM(Display* display, int screen);
int XDisplayHeightMM(Display* display, int screen);
int XDisplayCells(Display* display, int screen);
int XDisplayPlanes(Display* display, int screen);
int XScreenCount(Display* display);
char* XDisplayString(Display* display);
unsigned long XNextRequest(Display* display);
unsigned long XLastKnownRequestProcessed(Display* display);
int XWidthOfScreen(Screen* screen);
int XHeightOfScreen(Screen* screen);

#define ConnectionNumber(display) XConnectionNumber(display)
#define DefaultScreen(display) XDefaultScreen(display)
#define DefaultScreenOfDisplay(display) XDefaultScreenOfDisplay(display)
#define ScreenOfDisplay(display, screen) XScreenOfDisplay(display, screen)
#define RootWindow(display, screen) XRootWindow(display, screen)
#define DefaultRootWindow(display) XDefaultRootWindow(display)
#define DefaultVisual(display, screen) XDefaultVisual(display, screen)
#define DefaultDepth(display, screen) XDefaultDepth(display, screen)
#define DefaultColormap(display, screen) XDefaultColormap(display, screen)
#define DefaultGC(display, screen) XDefaultGC(display, screen)
#define BlackPixel(display, screen) XBlackPixel(display, screen)
#define WhitePixel(display, screen) XWhitePixel(display, screen)
#define DisplayWidth(display, screen) XDisplayWidth(display, screen)
#define DisplayHeight(display, screen) XDisplayHeight(display, screen)
#define DisplayWidthMM(display, screen) XDisplayWidthMM(display, screen)
#define DisplayHeightMM(display, screen) XDisplayHeightMM(display, screen)
#define DisplayCells(display, screen) XDisplayCells(display, screen)
#define DisplayPlanes(display, screen) XDisplayPlanes(display, screen)
#define ScreenCount(display) XScreenCount(display)
#define DisplayString(display) XDisplayString(display)
#define NextRequest(display) XNextRequest(display)
#define LastKnownRequestProcessed(display) XLastKnownRequestProcessed(display)
#define WidthOfScreen(screen) XWidthOfScreen(screen)
#define HeightOfScreen(screen) XHeightOfScreen(screen)
#define RootWindowOfScreen(screen) ((screen)->root)
#define DefaultVisualOfScreen(screen) ((screen)->root_visual)
#define DefaultDepthOfScreen(screen) ((screen)->root_depth)
#define DefaultColormapOfScreen(screen) ((screen)->cmap)

Display* XOpenDisplay(const char* name);
int XCloseDisplay(Display* display);
int XFree(void* data);
int XFlush(Display* display);
int XSync(Display* display, Bool discard);
int (*XSynchronize(Display* display, Bool onoff))(Display*);
int XBell(Display* display, int percent);
Bool XQueryExtension(Display* display, const char* name, int* major_opcode, int* first_event, int* first_error);
VisualID XVisualIDFromVisual(Visual* visual);
int XForceScreenSaver(Display* display, int mode);
int XNoOp(Display* display);

// Windows.
Window XCreateWindow(Display* display, Window parent, int x, int y, unsigned int width, unsigned int height,
                     unsigned int border_width, int depth, unsigned int c_class, Visual* visual,
                     unsigned long valuemask, XSetWindowAttributes* attributes);
Window XCreateSimpleWindow(Display* display, Window parent, int x, int y, unsigned int width, unsigned int height,
                           unsigned int border_width, unsigned long border, unsigned long background);
int XDestroyWindow(Display* display, Window window);
int XMapWindow(Display* display, Window window);
int XMapRaised(Display* display, Window window);
int XMapSubwindows(Display* display, Window window);
int XUnmapWindow(Display* display, Window window);
int XUnmapSubwindows(Display* display, Window window);
Status XWithdrawWindow(Display* display, Window window, int screen);
Status XIconifyWindow(Display* display, Window window, int screen);
int XConfigureWindow(Display* display, Window window, unsigned int value_mask, XWindowChanges* changes);
int XMoveWindow(Display* display, Window window, int x, int y);
int XResizeWindow(Display* display, Window window, unsigned int width, unsigned int height);
int XMoveResizeWindow(Display* display, Window window, int x, int y, unsigned int width, unsigned int height);
int XSetWindowBorderWidth(Display* display, Window window, unsigned int width);
int XRaiseWindow(Display* display, Window window);
int XLowerWindow(Display* display, Window window);
int XReparentWindow(Display* display, Window window, Window parent, int x, int y);
int XChangeWindowAttributes(Display* display, Window window, unsigned long valuemask,
                            XSetWindowAttributes* attributes);
int XSetWindowBackground(Display* display, Window window, unsigned long pixel);
int XSetWindowBorder(Display* display, Window window, unsigned long pixel);
int XSetWindowBorderPixmap(Display* display, Window window, Pixmap pixmap);
int XSetWindowColormap(Display* display, Window window, Colormap colormap);
Status XGetWindowAttributes(Display* display, Window window, XWindowAttributes* attributes);
Status XGetGeometry(Display* display, Drawable drawable, Window* root, int* x, int* y, unsigned int* width,
                    unsigned int* height, unsigned int* border_width, unsigned int* depth);
Status XQueryTree(Display* display, Window window, Window* root, Window* parent, Window** children,
                  unsigned int* nchildren);
Bool XTranslateCoordinates(Display* display, Window source, Window destination, int source_x, int source_y,
                           int* destination_x, int* destination_y, Window* child);
int XClearWindow(Display* display, Window window);
int XClearArea(Display* display, Window window, int x, int y, unsigned int width, unsigned int height,
               Bool exposures);
int XWarpPointer(Display* display, Window source, Window destination, int source_x, int source_y,
                 unsigned int source_width, unsigned int source_height, int destination_x, int destination_y);

// Events, focus, grabs and the keyboard.
int XPending(Display* display);
int XEventsQueued(Display* display, int mode);
int XNextEvent(Display* display, XEvent* event);
int XPeekEvent(Display* display, XEvent* event);
int XPutBackEvent(Display* display, XEvent* event);
int XWindowEvent(Display* display, Window window, long mask, XEvent* event);
Bool XCheckWindowEvent(Display* display, Window window, long mask, XEvent* event);
Bool XCheckTypedWindowEvent(Display* display, Window window, int type, XEvent* event);
Bool XCheckTypedEvent(Display* display, int type, XEvent* event);
Bool XCheckMaskEvent(Display* display, long mask, XEvent* event);
Bool XCheckIfEvent(Display* display, XEvent* event, Bool (*predicate)(Display*, XEvent*, XPointer),
                   XPointer argument);
Status XSendEvent(Display* display, Window window, Bool propagate, long mask, XEvent* event);
int XSelectInput(Display* display, Window window, long mask);
int XSetInputFocus(Display* display, Window focus, int revert_to, Time time);
int XGetInputFocus(Display* display, Window* focus, int* revert_to);
int XGrabPointer(Display* display, Window grab_window, Bool owner_events, unsigned int event_mask,
                 int pointer_mode, int keyboard_mode, Window confine_to, Cursor cursor, Time time);
int XUngrabPointer(Display* display, Time time);
int XGrabKeyboard(Display* display, Window grab_window, Bool owner_events, int pointer_mode, int keyboard_mode,
                  Time time);
int XUngrabKeyboard(Display* display, Time time);
Bool XQueryPointer(Display* display, Window window, Window* root, Window* child, int* root_x, int* root_y,
                   int* window_x, int* window_y, unsigned int* mask);
KeyCode XKeysymToKeycode(Display* display, KeySym keysym);
KeySym XKeycodeToKeysym(Display* display, KeyCode keycode, int index);
KeySym XStringToKeysym(const char* name);
char* XKeysymToString(KeySym keysym);
KeySym XLookupKeysym(XKeyEvent* event, int index);

// Atoms and properties.
Atom XInternAtom(Display* display, const char* name, Bool only_if_exists);
char* XGetAtomName(Display* display, Atom atom);
int XChangeProperty(Display* display, Window window, Atom property, Atom type, int format, int mode,
                    const unsigned char* data, int nelements);
int XGetWindowProperty(Display* display, Window window, Atom property, long long_offset, long long_length,
                       Bool remove, Atom req_type, Atom* actual_type, int* actual_format, unsigned long* nitems,
                       unsigned long* bytes_after, unsigned char** prop);
int XDeleteProperty(Display* display, Window window, Atom property);
int XStoreName(Display* display, Window window, const char* name);
Status XFetchName(Display* display, Window window, char** name);
Status XGetWMProtocols(Display* display, Window window, Atom** protocols, int* count);
Status XSetWMProtocols(Display* display, Window window, Atom* protocols, int count);
int XSetTransientForHint(Display* display, Window window, Window prop_window);
Status XGetTransientForHint(Display* display, Window window, Window* prop_window);

// Selections.
int XSetSelectionOwner(Display* display, Atom selection, Window owner, Time time);
Window XGetSelectionOwner(Display* display, Atom selection);
int XConvertSelection(Display* display, Atom selection, Atom target, Atom property, Window requestor, Time time);

// Colours and colormaps.
Colormap XCreateColormap(Display* display, Window window, Visual* visual, int alloc);
int XFreeColormap(Display* display, Colormap colormap);
int XInstallColormap(Display* display, Colormap colormap);
Status XParseColor(Display* display, Colormap colormap, const char* spec, XColor* exact);
Status XAllocColor(Display* display, Colormap colormap, XColor* color);
Status XAllocNamedColor(Display* display, Colormap colormap, const char* name, XColor* screen, XColor* exact);
Status XLookupColor(Display* display, Colormap colormap, const char* name, XColor* exact, XColor* screen);
Status XAllocColorCells(Display* display, Colormap colormap, Bool contiguous, unsigned long* plane_masks,
                        unsigned int nplanes, unsigned long* pixels, unsigned int npixels);
int XFreeColors(Display* display, Colormap colormap, unsigned long* pixels, int npixels, unsigned long planes);
int XStoreColor(Display* display, Colormap colormap, XColor* color);
int XStoreColors(Display* display, Colormap colormap, XColor* colors, int ncolors);
int XStoreNamedColor(Display* display, Colormap colormap, const char* name, unsigned long pixel, int flags);
int XQueryColor(Display* display, Colormap colormap, XColor* color);
int XQueryColors(Display* display, Colormap colormap, XColor* colors, int ncolors);

// Graphics contexts and drawing.
GC XCreateGC(Display* display, Drawable drawable, unsigned long valuemask, XGCValues* values);
int XFreeGC(Display* display, GC gc);
int XChangeGC(Display* display, GC gc, unsigned long valuemask, XGCValues* values);
Status XGetGCValues(Display* display, GC gc, unsigned long valuemask, XGCValues* values);
int XSetForeground(Display* display, GC gc, unsigned long foreground);
int XSetBackground(Display* display, GC gc, unsigned long background);
int XSetFunction(Display* display, GC gc, int function);
int XSetLineAttributes(Display* display, GC gc, unsigned int line_width, int line_style, int cap_style,
                       int join_style);
int XSetFillStyle(Display* display, GC gc, int fill_style);
int XSetStipple(Display* display, GC gc, Pixmap stipple);
int XSetTSOrigin(Display* display, GC gc, int x, int y);
int XSetFont(Display* display, GC gc, Font font);
int XSetClipMask(Display* display, GC gc, Pixmap pixmap);
int XSetClipOrigin(Display* display, GC gc, int x, int y);
int XSetClipRectangles(Display* display, GC gc, int x, int y, XRectangle* rectangles, int n, int ordering);
int XSetArcMode(Display* display, GC gc, int arc_mode);
int XSetPlaneMask(Display* display, GC gc, unsigned long plane_mask);
int XSetDashes(Display* display, GC gc, int dash_offset, const char* dash_list, int n);
int XSetSubwindowMode(Display* display, GC gc, int subwindow_mode);
int XSetGraphicsExposures(Display* display, GC gc, Bool graphics_exposures);
int XDrawPoint(Display* display, Drawable drawable, GC gc, int x, int y);
int XDrawPoints(Display* display, Drawable drawable, GC gc, XPoint* points, int npoints, int mode);
int XDrawLine(Display* display, Drawable drawable, GC gc, int x1, int y1, int x2, int y2);
int XDrawLines(Display* display, Drawable drawable, GC gc, XPoint* points, int npoints, int mode);
int XDrawSegments(Display* display, Drawable drawable, GC gc, XSegment* segments, int nsegments);
int XDrawRectangle(Display* display, Drawable drawable, GC gc, int x, int y, unsigned int width,
                   unsigned int height);
int XDrawRectangles(Display* display, Drawable drawable, GC gc, XRectangle* rectangles, int n);
int XDrawArc(Display* display, Drawable drawable, GC gc, int x, int y, unsigned int width, unsigned int height,
             int angle1, int angle2);
int XDrawArcs(Display* display, Drawable drawable, GC gc, XArc* arcs, int narcs);
int XFillRectangle(Display* display, Drawable drawable, GC gc, int x, int y, unsigned int width,
                   unsigned int height);
int XFillRectangles(Display* display, Drawable drawable, GC gc, XRectangle* rectangles, int n);
int XFillPolygon(Display* display, Drawable drawable, GC gc, XPoint* points, int npoints, int shape, int mode);
int XFillArc(Display* display, Drawable drawable, GC gc, int x, int y, unsigned int width, unsigned int height,
             int angle1, int angle2);
int XFillArcs(Display* display, Drawable drawable, GC gc, XArc* arcs, int narcs);
int XDrawString(Display* display, Drawable drawable, GC gc, int x, int y, const char* string, int length);
int XDrawImageString(Display* display, Drawable drawable, GC gc, int x, int y, const char* string, int length);

// Pixmaps and images.
Pixmap XCreatePixmap(Display* display, Drawable drawable, unsigned int width, unsigned int height,
                     unsigned int depth);
int XFreePixmap(Display* display, Pixmap pixmap);
Pixmap XCreateBitmapFromData(Display* display, Drawable drawable, const char* data, unsigned int width,
                             unsigned int height);
Pixmap XCreatePixmapFromBitmapData(Display* display, Drawable drawable, char* data, unsigned int width,
                                   unsigned int height, unsigned long foreground, unsigned long background,
                                   unsigned int depth);
int XCopyArea(Display* display, Drawable source, Drawable destination, GC gc, int source_x, int source_y,
              unsigned int width, unsigned int height, int destination_x, int destination_y);
int XCopyPlane(Display* display, Drawable source, Drawable destination, GC gc, int source_x, int source_y,
               unsigned int width, unsigned int height, int destination_x, int destination_y,
               unsigned long plane);
XImage* XCreateImage(Display* display, Visual* visual, unsigned int depth, int format, int offset, char* data,
                     unsigned int width, unsigned int height, int bitmap_pad, int bytes_per_line);
XImage* XGetImage(Display* display, Drawable drawable, int x, int y, unsigned int width, unsigned int height,
                  unsigned long plane_mask, int format);
int XPutImage(Display* display, Drawable drawable, GC gc, XImage* image, int source_x, int source_y,
              int destination_x, int destination_y, unsigned int width, unsigned int height);
int XReadBitmapFile(Display* display, Drawable drawable, const char* filename, unsigned int* width,
                    unsigned int* height, Pixmap* bitmap, int* x_hot, int* y_hot);
int XReadBitmapFileData(const char* filename, unsigned int* width, unsigned int* height, unsigned char** data,
                        int* x_hot, int* y_hot);

// Cursors.
Cursor XCreateFontCursor(Display* display, unsigned int shape);
Cursor XCreatePixmapCursor(Display* display, Pixmap source, Pixmap mask, XColor* foreground, XColor* background,
                           unsigned int x, unsigned int y);
int XFreeCursor(Display* display, Cursor cursor);
int XDefineCursor(Display* display, Window window, Cursor cursor);
int XUndefineCursor(Display* display, Window window);
int XRecolorCursor(Display* display, Cursor cursor, XColor* foreground, XColor* background);
Status XQueryBestCursor(Display* display, Drawable drawable, unsigned int width, unsigned int height,
                        unsigned int* width_return, unsigned int* height_return);

// Fonts.
Font XLoadFont(Display* display, const char* name);
XFontStruct* XLoadQueryFont(Display* display, const char* name);
XFontStruct* XQueryFont(Display* display, XID font);
int XFreeFont(Display* display, XFontStruct* font);
int XUnloadFont(Display* display, Font font);
int XTextWidth(XFontStruct* font, const char* string, int count);
int XTextExtents(XFontStruct* font, const char* string, int nchars, int* direction, int* ascent, int* descent,
                 XCharStruct* overall);
int XSetFontPath(Display* display, char** directories, int ndirs);
char** XGetFontPath(Display* display, int* npaths);
int XFreeFontPath(char** list);

// Errors.
XErrorHandler XSetErrorHandler(XErrorHandler handler);
int XGetErrorText(Display* display, int code, char* buffer, int length);

// seam: placeholders that let qob.exe link until the X, XInput and GLX calls of
// the other Windows branches land; each is deleted with its real body.
#pragma GCC diagnostic ignored "-Wunused-parameter"

#include <windows.h>

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput.h>

// seam: win-core
int XBell(Display* display, int percent) { return 0; }

// seam: win-core
int XChangeFeedbackControl(Display* display, XDevice* device, unsigned long mask, XFeedbackControl* control) { return 0; }

// seam: win-core
int XCloseDevice(Display* display, XDevice* device) { return 0; }

// seam: win-core
int XCloseDisplay(Display* display) { return 0; }

// seam: win-core
int XConfigureWindow(Display* display, Window window, unsigned int value_mask, XWindowChanges* changes) { return 0; }

// seam: win-core
int XConnectionNumber(Display* display) { return 0; }

// seam: win-core
Window XCreateWindow(Display* display, Window parent, int x, int y, unsigned int width, unsigned int height, unsigned int border_width, int depth, unsigned int c_class, Visual* visual, unsigned long valuemask, XSetWindowAttributes* attributes) { return 0; }

// seam: win-core
int XDefaultDepth(Display* display, int screen) { return 0; }

// seam: win-core
Window XDefaultRootWindow(Display* display) { return 0; }

// seam: win-core
int XDefaultScreen(Display* display) { return 0; }

// seam: win-core
Screen* XDefaultScreenOfDisplay(Display* display) { return nullptr; }

// seam: win-core
Visual* XDefaultVisual(Display* display, int screen) { return nullptr; }

// seam: win-core
int XDestroyWindow(Display* display, Window window) { return 0; }

// seam: win-core
int XDisplayHeight(Display* display, int screen) { return 0; }

// seam: win-core
int XDisplayHeightMM(Display* display, int screen) { return 0; }

// seam: win-core
int XDisplayWidth(Display* display, int screen) { return 0; }

// seam: win-core
int XDisplayWidthMM(Display* display, int screen) { return 0; }

// seam: win-core
int XFlush(Display* display) { return 0; }

// seam: win-core
int XFree(void* data) { return 0; }

// seam: win-core
void XFreeDeviceList(XDeviceInfo* list) {}

// seam: win-core
void XFreeDeviceMotionEvents(XDeviceTimeCoord* events) {}

// seam: win-core
XDeviceTimeCoord* XGetDeviceMotionEvents(Display* display, XDevice* device, Time start, Time stop, int* nevents, int* mode, int* axis_count) { return nullptr; }

// seam: win-core
Status XGetGeometry(Display* display, Drawable drawable, Window* root, int* x, int* y, unsigned int* width, unsigned int* height, unsigned int* border_width, unsigned int* depth) { return 0; }

// seam: win-core
Status XGetWindowAttributes(Display* display, Window window, XWindowAttributes* attributes) { return 0; }

// seam: win-core
int XHeightOfScreen(Screen* screen) { return 0; }

// seam: win-core
XDeviceInfo* XListInputDevices(Display* display, int* ndevices) { return nullptr; }

// seam: win-core
int XMapRaised(Display* display, Window window) { return 0; }

// seam: win-core
XDevice* XOpenDevice(Display* display, XID id) { return nullptr; }

// seam: win-core
Display* XOpenDisplay(const char* name) { return nullptr; }

// seam: win-core
Bool XQueryExtension(Display* display, const char* name, int* major_opcode, int* first_event, int* first_error) { return 0; }

// seam: win-core
Status XQueryTree(Display* display, Window window, Window* root, Window* parent, Window** children, unsigned int* nchildren) { return 0; }

// seam: win-core
int XReparentWindow(Display* display, Window window, Window parent, int x, int y) { return 0; }

// seam: win-core
int XResizeWindow(Display* display, Window window, unsigned int width, unsigned int height) { return 0; }

// seam: win-core
Window XRootWindow(Display* display, int screen) { return 0; }

// seam: win-core
int XSelectExtensionEvent(Display* display, Window window, XEventClass* event_list, int count) { return 0; }

// seam: win-core
int XSetWindowBorderWidth(Display* display, Window window, unsigned int width) { return 0; }

// seam: win-core
int XSync(Display* display, Bool discard) { return 0; }

// seam: win-core
Bool XTranslateCoordinates(Display* display, Window source, Window destination, int source_x, int source_y, int* destination_x, int* destination_y, Window* child) { return 0; }

// seam: win-core
int XUnmapWindow(Display* display, Window window) { return 0; }

// seam: win-core
VisualID XVisualIDFromVisual(Visual* visual) { return 0; }

// seam: win-core
int XWarpPointer(Display* display, Window source, Window destination, int source_x, int source_y, unsigned int source_width, unsigned int source_height, int destination_x, int destination_y) { return 0; }

// seam: win-core
int XWidthOfScreen(Screen* screen) { return 0; }

// seam: win-core
Status XWithdrawWindow(Display* display, Window window, int screen) { return 0; }

// seam: win-events
Bool XCheckTypedWindowEvent(Display* display, Window window, int type, XEvent* event) { return 0; }

// seam: win-events
Bool XCheckWindowEvent(Display* display, Window window, long mask, XEvent* event) { return 0; }

// seam: win-events
int XGrabPointer(Display* display, Window grab_window, Bool owner_events, unsigned int event_mask, int pointer_mode, int keyboard_mode, Window confine_to, Cursor cursor, Time time) { return 0; }

// seam: win-events
int XLookupString(XKeyEvent* event, char* buffer, int length, KeySym* keysym, XComposeStatus* status) { return 0; }

// seam: win-events
int XNextEvent(Display* display, XEvent* event) { return 0; }

// seam: win-events
int XPending(Display* display) { return 0; }

// seam: win-events
Bool XQueryPointer(Display* display, Window window, Window* root, Window* child, int* root_x, int* root_y, int* window_x, int* window_y, unsigned int* mask) { return 0; }

// seam: win-events
int XSelectInput(Display* display, Window window, long mask) { return 0; }

// seam: win-events
Status XSendEvent(Display* display, Window window, Bool propagate, long mask, XEvent* event) { return 0; }

// seam: win-events
int XSetInputFocus(Display* display, Window focus, int revert_to, Time time) { return 0; }

// seam: win-events
int XUngrabPointer(Display* display, Time time) { return 0; }

// seam: win-gdi
Status XAllocColor(Display* display, Colormap colormap, XColor* color) { return 0; }

// seam: win-gdi
int XChangeGC(Display* display, GC gc, unsigned long valuemask, XGCValues* values) { return 0; }

// seam: win-gdi
int XChangeProperty(Display* display, Window window, Atom property, Atom type, int format, int mode, const unsigned char* data, int nelements) { return 0; }

// seam: win-gdi
int XConvertSelection(Display* display, Atom selection, Atom target, Atom property, Window requestor, Time time) { return 0; }

// seam: win-gdi
Pixmap XCreateBitmapFromData(Display* display, Drawable drawable, const char* data, unsigned int width, unsigned int height) { return 0; }

// seam: win-gdi
Colormap XCreateColormap(Display* display, Window window, Visual* visual, int alloc) { return 0; }

// seam: win-gdi
Cursor XCreateFontCursor(Display* display, unsigned int shape) { return 0; }

// seam: win-gdi
GC XCreateGC(Display* display, Drawable drawable, unsigned long valuemask, XGCValues* values) { return 0; }

// seam: win-gdi
Pixmap XCreatePixmap(Display* display, Drawable drawable, unsigned int width, unsigned int height, unsigned int depth) { return 0; }

// seam: win-gdi
Cursor XCreatePixmapCursor(Display* display, Pixmap source, Pixmap mask, XColor* foreground, XColor* background, unsigned int x, unsigned int y) { return 0; }

// seam: win-gdi
Colormap XDefaultColormap(Display* display, int screen) { return 0; }

// seam: win-gdi
int XDefineCursor(Display* display, Window window, Cursor cursor) { return 0; }

// seam: win-gdi
int XDeleteProperty(Display* display, Window window, Atom property) { return 0; }

// seam: win-gdi
int XDrawLine(Display* display, Drawable drawable, GC gc, int x1, int y1, int x2, int y2) { return 0; }

// seam: win-gdi
int XDrawPoint(Display* display, Drawable drawable, GC gc, int x, int y) { return 0; }

// seam: win-gdi
int XDrawRectangle(Display* display, Drawable drawable, GC gc, int x, int y, unsigned int width, unsigned int height) { return 0; }

// seam: win-gdi
Status XFetchName(Display* display, Window window, char** name) { return 0; }

// seam: win-gdi
int XFillRectangle(Display* display, Drawable drawable, GC gc, int x, int y, unsigned int width, unsigned int height) { return 0; }

// seam: win-gdi
int XFreeColormap(Display* display, Colormap colormap) { return 0; }

// seam: win-gdi
int XFreeCursor(Display* display, Cursor cursor) { return 0; }

// seam: win-gdi
int XFreeGC(Display* display, GC gc) { return 0; }

// seam: win-gdi
int XFreePixmap(Display* display, Pixmap pixmap) { return 0; }

// seam: win-gdi
char* XGetAtomName(Display* display, Atom atom) { return nullptr; }

// seam: win-gdi
int XGetErrorText(Display* display, int code, char* buffer, int length) { return 0; }

// seam: win-gdi
Status XGetIconSizes(Display* display, Window window, XIconSize** sizes, int* count) { return 0; }

// seam: win-gdi
Window XGetSelectionOwner(Display* display, Atom selection) { return 0; }

// seam: win-gdi
Status XGetTextProperty(Display* display, Window window, XTextProperty* text, Atom property) { return 0; }

// seam: win-gdi
int XGetWindowProperty(Display* display, Window window, Atom property, long long_offset, long long_length, Bool remove, Atom req_type, Atom* actual_type, int* actual_format, unsigned long* nitems, unsigned long* bytes_after, unsigned char** prop) { return 0; }

// seam: win-gdi
int XInstallColormap(Display* display, Colormap colormap) { return 0; }

// seam: win-gdi
Atom XInternAtom(Display* display, const char* name, Bool only_if_exists) { return 0; }

// seam: win-gdi
Status XParseColor(Display* display, Colormap colormap, const char* spec, XColor* exact) { return 0; }

// seam: win-gdi
Status XQueryBestCursor(Display* display, Drawable drawable, unsigned int width, unsigned int height, unsigned int* width_return, unsigned int* height_return) { return 0; }

// seam: win-gdi
int XQueryColors(Display* display, Colormap colormap, XColor* colors, int ncolors) { return 0; }

// seam: win-gdi
int XRecolorCursor(Display* display, Cursor cursor, XColor* foreground, XColor* background) { return 0; }

// seam: win-gdi
int XSetClassHint(Display* display, Window window, XClassHint* hint) { return 0; }

// seam: win-gdi
XErrorHandler XSetErrorHandler(XErrorHandler handler) { return 0; }

// seam: win-gdi
int XSetSelectionOwner(Display* display, Atom selection, Window owner, Time time) { return 0; }

// seam: win-gdi
void XSetTextProperty(Display* display, Window window, XTextProperty* text, Atom property) {}

// seam: win-gdi
int XSetTransientForHint(Display* display, Window window, Window prop_window) { return 0; }

// seam: win-gdi
int XSetWMHints(Display* display, Window window, XWMHints* hints) { return 0; }

// seam: win-gdi
void XSetWMIconName(Display* display, Window window, XTextProperty* text) {}

// seam: win-gdi
void XSetWMName(Display* display, Window window, XTextProperty* text) {}

// seam: win-gdi
void XSetWMNormalHints(Display* display, Window window, XSizeHints* hints) {}

// seam: win-gdi
Status XSetWMProtocols(Display* display, Window window, Atom* protocols, int count) { return 0; }

// seam: win-gdi
int XStoreColor(Display* display, Colormap colormap, XColor* color) { return 0; }

// seam: win-gdi
int XStoreColors(Display* display, Colormap colormap, XColor* colors, int ncolors) { return 0; }

// seam: win-gdi
int XUndefineCursor(Display* display, Window window) { return 0; }

// seam: win-glx
GLXFBConfig* glXChooseFBConfig(Display* display, int screen, const int* attributes, int* count) { return nullptr; }

// seam: win-glx
XVisualInfo* glXChooseVisual(Display* display, int screen, int* attributes) { return nullptr; }

// seam: win-glx
GLXContext glXCreateContext(Display* display, XVisualInfo* visual, GLXContext share_list, Bool direct) { return 0; }

// seam: win-glx
GLXPixmap glXCreateGLXPixmap(Display* display, XVisualInfo* visual, Pixmap pixmap) { return 0; }

// seam: win-glx
GLXContext glXCreateNewContext(Display* display, GLXFBConfig config, int render_type, GLXContext share_list, Bool direct) { return 0; }

// seam: win-glx
GLXPbuffer glXCreatePbuffer(Display* display, GLXFBConfig config, const int* attributes) { return 0; }

// seam: win-glx
void glXDestroyContext(Display* display, GLXContext context) {}

// seam: win-glx
void glXDestroyGLXPixmap(Display* display, GLXPixmap pixmap) {}

// seam: win-glx
void glXDestroyPbuffer(Display* display, GLXPbuffer pbuffer) {}

// seam: win-glx
int glXGetConfig(Display* display, XVisualInfo* visual, int attribute, int* value) { return 0; }

// seam: win-glx
int glXGetFBConfigAttrib(Display* display, GLXFBConfig config, int attribute, int* value) { return 0; }

// seam: win-glx
Bool glXIsDirect(Display* display, GLXContext context) { return 0; }

// seam: win-glx
Bool glXMakeContextCurrent(Display* display, GLXDrawable draw, GLXDrawable read, GLXContext context) { return 0; }

// seam: win-glx
Bool glXMakeCurrent(Display* display, GLXDrawable drawable, GLXContext context) { return 0; }

// seam: win-glx
Bool glXQueryExtension(Display* display, int* error_base, int* event_base) { return 0; }

// seam: win-glx
const char* glXQueryExtensionsString(Display* display, int screen) { return nullptr; }

// seam: win-glx
Bool glXQueryVersion(Display* display, int* major, int* minor) { return 0; }

// seam: win-glx
void glXSwapBuffers(Display* display, GLXDrawable drawable) {}

// seam: win-glx
void glXWaitGL(void) {}

// seam: win-core
unsigned long XBlackPixel(Display* display, int screen) { return 0; }

// seam: win-core
unsigned long XWhitePixel(Display* display, int screen) { return 0xFFFFFF; }

// seam: win-core
unsigned long XNextRequest(Display* display) { return 0; }

// seam: win-core
int (*XSynchronize(Display* display, Bool onoff))(Display*) { return nullptr; }

// seam: win-core
void PresetX11Emulation(HINSTANCE instance) {}

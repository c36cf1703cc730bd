// seam: placeholders that let qob.exe link until the X, XInput and GLX calls of
// the other Windows branches land; each is deleted with its real body.
#pragma GCC diagnostic ignored "-Wunused-parameter"

#include <windows.h>

#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput.h>

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


// Stand-ins for the calls of the layer's other modules that the display and
// window modules use, until those modules are linked in. Each is marked seam:.
#include "platform/win/layer.h"

// seam: properties.
void Lx_DeleteWindowProperties(Window) {}
int XGetWindowProperty(Display*, Window, Atom, long, long, Bool, Atom, Atom* type, int* format, unsigned long* n,
                       unsigned long* after, unsigned char** data) {
  *type = None;
  *format = 0;
  *n = *after = 0;
  *data = nullptr;
  return Success;
}
XWMHints* XGetWMHints(Display*, Window) { return nullptr; }
Status XGetWMNormalHints(Display*, Window, XSizeHints*, long*) { return 0; }
// seam: selections.
void Lx_ClipboardMessage(Window, UINT) {}
// seam: icons.
HICON Lx_GetIcon(Display*, Window) { return nullptr; }
void Lx_UpdateIcon(Display*, Window) {}
// seam: cursors.
Cursor Lx_FindCursor(Window) { return 0; }
void Lx_SetDefaultCursor(Cursor) {}
// seam: colormaps and pixmaps.
HPALETTE Lx_GetDrawablePalette(Drawable) { return nullptr; }
Colormap XCreateColormap(Display*, Window, Visual*, int) { return 1; }
bool Lx_IsPixmap(Drawable) { return false; }
int Lx_GetPixmapAttributes(Pixmap, XWindowAttributes*) { return 2; }

#include "platform/win/x_errors.h"

#include "platform/win/error_names.h"
#include "platform/win/layer.h"

namespace {

XErrorHandler error_handler = nullptr;

}  // namespace

int DefaultErrorHandler(Display*, XErrorEvent* error) {
  char text[256];
  Lx_FormatErrorText(error->error_code, error->resourceid, text, sizeof text);
  Lx_MessageBox(text, "Error Handler", MB_OK);
  return 0;
}

XErrorHandler XSetErrorHandler(XErrorHandler handler) {
  const XErrorHandler previous = error_handler;
  error_handler = handler != nullptr ? handler : DefaultErrorHandler;
  return previous;
}

void Lx_PostError(Display*, XID, int, int) {}

int XGetErrorText(Display*, int, char* buffer, int length) {
  if (buffer != nullptr && length > 0) buffer[0] = '\0';
  return 0;
}

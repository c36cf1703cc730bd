// Runs the graphics window's preset on $DISPLAY as start-up does, then the
// clean-up; exits 0 when both return. With --with-app-context the dialog
// visuals are made first, and standard error says whether the graphics
// window's context is one of theirs.
#include <cstdio>
#include <cstring>

#include "platform/posix_services.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "tests/support/yarl_writer.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_visual.h"
#include "view/graphics_window.h"
#include "view/views.h"

int main(int argc, char** argv) {
  preset_posix_services();  // binary standard streams, as the server has them
  bool with_context = argc > 1 && strcmp(argv[1], "--with-app-context") == 0;
  if (with_context) new UIAppContext(false, nullptr, nullptr, 0, 0, 10, 11);
  std::vector<uint8_t> bytes = yarl::YarlProgram::standard().bytes();
  decode_tables(bytes.data(), bytes.size());
  put_predef(111, 1);
  preset_window();
  printf("offscreen %d\n", get_predef(106));
  if (with_context) {
    XGLContext* graphics = get_graphics_context();
    bool own = graphics != AppContext->full_visual->context && graphics != AppContext->reduced_visual->context;
    fprintf(stderr, own ? "graphics context of its own\n" : "graphics context shared with a dialog visual\n");
  }
  cleanup_vl();
  cleanup_window();
  delete AppContext;
  return 0;
}

#include "link/trace_file.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "link/event_fields.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"
#include "view/graphics_window.h"
#include "view/views.h"

const char TRACE_HEADER[] = "# Vorq QOBS trace file, created by QOBS version 11.1596 2003/08/06.\n";
static_assert(sizeof TRACE_HEADER - 1 == 68);

namespace {

struct event_name {
  const char* name;
  int code;
};
const event_name event_map[] = {
    {"KeyPress", 2},          {"KeyRelease", 3},        {"ButtonPress", 4},
    {"ButtonRelease", 5},     {"MotionNotify", 6},      {"EnterNotify", 7},
    {"LeaveNotify", 8},       {"FocusIn", 9},           {"FocusOut", 10},
    {"KeymapNotify", 11},     {"Expose", 12},           {"GraphicsExpose", 13},
    {"NoExpose", 14},         {"VisibilityNotify", 15}, {"CreateNotify", 16},
    {"DestroyNotify", 17},    {"UnmapNotify", 18},      {"MapNotify", 19},
    {"MapRequest", 20},       {"ReparentNotify", 21},   {"ConfigureNotify", 22},
    {"ConfigureRequest", 23}, {"GravityNotify", 24},    {"ResizeRequest", 25},
    {"CirculateNotify", 26},  {"CirculateRequest", 27}, {"PropertyNotify", 28},
    {"SelectionClear", 29},   {"SelectionRequest", 30}, {"SelectionNotify", 31},
    {"ColormapNotify", 32},   {"ClientMessage", 33},    {"MappingNotify", 34},
    {nullptr, 0},
};

// Bounds of what a line may hold: longer words or atoms mean a damaged file.
constexpr size_t MAX_NAME = 255;
constexpr uint32_t MAX_ATOM = 1024;
constexpr int MAX_HEX_DIGITS = 8;

Display* graphics_display() {
  return AppContext->graphics_display != nullptr ? AppContext->graphics_display : AppContext->ui_display;
}

}  // namespace

const char* get_event_name(int code) {
  for (const event_name* e = event_map; e->name != nullptr; ++e)
    if (e->code == code) return e->name;
  return nullptr;
}

int get_event_type(const char* name) {
  for (const event_name* e = event_map; e->name != nullptr; ++e)
    if (strcmp(e->name, name) == 0) return e->code;
  return 0;
}

TraceFile::TraceFile(const char* path, const char* mode) : file(fopen(path, mode)) {
  if (file == nullptr) {
    fprintf(stderr, "Error - failed to open trace file '%s' - %s.\n", path, strerror(errno));
    exit(1);
  }
  if (mode[0] != 'w') return;
  fputs(TRACE_HEADER, file);
  if (AppContext != nullptr) {
    Display* d = graphics_display();
    int screen = DefaultScreen(d);
    fprintf(file, "ScreenGeometry %d %d %d %d\n", int(AppContext->get_graphics_display_width_mm()),
            DisplayWidth(d, screen), int(AppContext->get_graphics_display_height_mm()), DisplayHeight(d, screen));
  }
  fflush(file);
}

TraceFile::~TraceFile() { fclose(file); }

// ---- Writing ------------------------------------------------------------------

void TraceFile::write_event(const XEvent* event, bool ui_object_wants_it) {
  const char* event_name = get_event_name(event->type);
  if (event_name == nullptr) {
    static bool warned;
    if (!warned) fprintf(stderr, "Warning - event %d has no trace file name and is not recorded.\n", event->type);
    warned = true;
    return;
  }
  Window window = event->xany.window;
  bool graphics = window == get_graphics_window() ||
                  (event->xany.display == AppContext->graphics_display &&
                   AppContext->graphics_display != AppContext->ui_display);
  const char* name = UIWindow::get_name(window, graphics);
  if (strcmp(name, "0") == 0) {
    fprintf(stderr, "Warning - could not identify window %x in event %d.\n", unsigned(window), event->type);
    return;
  }
  fprintf(file, "%s %s %x %x %x", name, event_name, unsigned(ui_object_wants_it), unsigned(event->xany.serial),
          unsigned(uint8_t(event->xany.send_event)));
  const event_layout* layout = layout_of(event->type);
  for (int i = 0; i < layout->count; ++i) {
    const event_field& f = layout->fields[i];
    switch (f.kind) {
      case FIELD_WINDOW: fprintf(file, " %s", UIWindow::get_name(get_window_field(event, f), graphics)); break;
      case FIELD_NUMBER:
      case FIELD_FLAG: fprintf(file, " %x", get_field(event, f)); break;
      case FIELD_ATOM: {
        char* atom = atom_name(event->xany.display, *atom_field(const_cast<XEvent*>(event), f));
        if (atom == nullptr) {
          fputs(" 0", file);
        } else {
          fprintf(file, " %x %s", unsigned(strlen(atom)), atom);
          XFree(atom);
        }
        break;
      }
      case FIELD_KEY_VECTOR:
        for (char byte : event->xkeymap.key_vector) fprintf(file, " %x", unsigned(uint8_t(byte)));
        break;
      case FIELD_CLIENT_DATA: {
        const XClientMessageEvent& m = event->xclient;
        fprintf(file, " %x", unsigned(uint8_t(m.format)));
        if (m.format == 16)
          for (short s : m.data.s) fprintf(file, " %x", unsigned(uint16_t(s)));
        else if (m.format == 32)
          for (long l : m.data.l) fprintf(file, " %x", unsigned(uint32_t(l)));
        else
          for (char b : m.data.b) fprintf(file, " %x", unsigned(uint8_t(b)));
        break;
      }
    }
  }
  fputc('\n', file);
  fflush(file);
}

// ---- Reading ------------------------------------------------------------------

namespace {

// One line at a time: fields are separated by blanks, tabs or carriage
// returns; a line feed before the last field or a word too long is damage.
struct line_reader {
  FILE* file;
  unsigned long* line;

  int peek() {
    int c = getc(file);
    if (c != EOF) ungetc(c, file);
    return c;
  }
  void skip_blanks() {
    int c;
    while ((c = getc(file)) == ' ' || c == '\t' || c == '\r') {}
    if (c != EOF) ungetc(c, file);
  }
  // Skips blank lines and comments; false at end of file.
  bool next_line() {
    for (;;) {
      int c = getc(file);
      if (c == EOF) return false;
      if (c == '\n') ++*line;
      else if (c == '#') skip_rest(nullptr, 0);
      else if (c != ' ' && c != '\t' && c != '\r') {
        ungetc(c, file);
        return true;
      }
    }
  }
  // The rest of the line into text (up to size - 1 bytes, when given); the
  // line feed is consumed.
  void skip_rest(char* text, size_t size) {
    size_t n = 0;
    int c;
    while ((c = getc(file)) != EOF && c != '\n')
      if (text != nullptr && n + 1 < size) text[n++] = char(c);
    if (c == '\n') ++*line;
    if (text != nullptr) text[n] = '\0';
  }
  bool word(char* out) {
    skip_blanks();
    size_t n = 0;
    int c;
    while ((c = getc(file)) != EOF && c != ' ' && c != '\t' && c != '\r' && c != '\n') {
      if (n == MAX_NAME || c == '\0') return false;
      out[n++] = char(c);
    }
    if (c != EOF) ungetc(c, file);
    out[n] = '\0';
    return n > 0;
  }
  bool hex(uint32_t* v) {
    skip_blanks();
    uint32_t r = 0;
    int digits = 0, c;
    while ((c = getc(file)) != EOF) {
      int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
              : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (d < 0) break;
      if (++digits > MAX_HEX_DIGITS) return false;
      r = r << 4 | uint32_t(d);
    }
    if (c != EOF) ungetc(c, file);
    *v = r;
    return digits > 0 && (c == EOF || c == ' ' || c == '\t' || c == '\r' || c == '\n');
  }
  bool decimal(long* v) {
    skip_blanks();
    char text[16];
    size_t n = 0;
    int c;
    while ((c = getc(file)) != EOF && (isdigit(c) || (n == 0 && c == '-')) && n + 1 < sizeof text)
      text[n++] = char(c);
    if (c != EOF) ungetc(c, file);
    text[n] = '\0';
    char* end = nullptr;
    *v = strtol(text, &end, 10);
    return n > 0 && *end == '\0';
  }
  // An atom: its name's length, one blank, the name; length 0 is no atom.
  bool atom(Display* display, Atom* out) {
    uint32_t length;
    if (!hex(&length) || length > MAX_ATOM) return false;
    *out = None;
    if (length == 0) return true;
    if (getc(file) != ' ') return false;
    char name[MAX_ATOM + 1];
    if (fread(name, 1, length, file) != length) return false;
    if (memchr(name, '\0', length) != nullptr || memchr(name, '\n', length) != nullptr) return false;
    name[length] = '\0';
    *out = XInternAtom(display, name, False);
    return true;
  }
  bool end_of_line() {
    skip_blanks();
    int c = getc(file);
    if (c == '\n') ++*line;
    return c == '\n' || c == EOF;
  }
};

Window window_named(const char* name) { return UIWindow::get_window(name); }

}  // namespace

int TraceFile::read_event(XEvent* event, bool* ui_object_wants_it) {
  line_reader in{file, &line};
  for (;;) {
    if (!in.next_line()) return TRACE_END;
    memset(event, 0, sizeof *event);
    unsigned long at = line;
    char name[MAX_NAME + 1];
    bool good = in.word(name);
    Window window = good ? window_named(name) : None;
    if (good && window == None) {
      if (strcmp(name, "Break") == 0) {
        in.skip_rest(nullptr, 0);
        return TRACE_BREAK;
      }
      if (strcmp(name, "ScreenGeometry") == 0) {
        long v[4];
        bool read = in.decimal(&v[0]) && in.decimal(&v[1]) && in.decimal(&v[2]) && in.decimal(&v[3]);
        if (read && in.end_of_line() && v[0] > 1 && v[1] > 1 && v[2] > 1 && v[3] > 1) {
          set_screen_resolution(float(v[0]) / float(v[1]), float(v[2]) / float(v[3]));
        } else {
          fputs("Error - bad ScreenGeometry line.\n", stderr);
          if (line == at) in.skip_rest(nullptr, 0);
        }
        continue;
      }
      char rest[1024];
      in.skip_rest(rest, sizeof rest);
      fprintf(stderr, "Error - window '%s' on trace file not recognized.\n", name);
      fprintf(stderr, "        trace file line:\n        %s %s\n", name, rest);
      if (strcmp(name, "Info") == 0 || strcmp(name, "BalloonHelp") == 0) continue;
      return TRACE_ERROR;
    }
    Display* display = AppContext->ui_display;
    if (window == DefaultRootWindow(graphics_display()) || window == get_graphics_window())
      display = graphics_display();
    char type_name[MAX_NAME + 1];
    uint32_t flag = 0, serial = 0, send_event = 0;
    int type = 0;
    good = good && in.word(type_name) && (type = get_event_type(type_name)) != 0 && in.hex(&flag) &&
           flag <= 1 && in.hex(&serial) && in.hex(&send_event) && send_event <= 1;
    event->type = type;
    event->xany.display = display;
    event->xany.window = window;
    event->xany.serial = serial;
    event->xany.send_event = Bool(send_event);
    const event_layout* layout = good ? layout_of(type) : nullptr;
    for (int i = 0; good && i < layout->count; ++i) {
      const event_field& f = layout->fields[i];
      uint32_t v = 0;
      switch (f.kind) {
        case FIELD_WINDOW: {
          char field_name[MAX_NAME + 1];
          good = in.word(field_name);
          if (good) *window_field(event, f) = window_named(field_name);
          break;
        }
        case FIELD_NUMBER:
          good = in.hex(&v);
          set_field(event, f, v);
          break;
        case FIELD_FLAG:
          good = in.hex(&v) && v <= 0xFF;
          set_field(event, f, v);
          break;
        case FIELD_ATOM: good = in.atom(display, atom_field(event, f)); break;
        case FIELD_KEY_VECTOR:
          for (char& byte : event->xkeymap.key_vector) {
            good = good && in.hex(&v) && v <= 0xFF;
            byte = char(v);
          }
          break;
        case FIELD_CLIENT_DATA: {
          XClientMessageEvent& m = event->xclient;
          good = in.hex(&v) && v <= 0xFF;
          m.format = int(v);
          if (m.format == 16) {
            for (short& s : m.data.s) {
              good = good && in.hex(&v) && v <= 0xFFFF;
              s = short(uint16_t(v));
            }
          } else if (m.format == 32) {
            for (long& l : m.data.l) {
              good = good && in.hex(&v);
              l = int32_t(v);
            }
          } else {
            for (char& b : m.data.b) {
              good = good && in.hex(&v) && v <= 0xFF;
              b = char(v);
            }
          }
          break;
        }
      }
    }
    if (good && in.end_of_line()) {
      *ui_object_wants_it = flag != 0;
      return TRACE_EVENT;
    }
    fprintf(stderr, "Error - bad trace file line %lu.\n", at);
    return TRACE_BAD_LINE;
  }
}

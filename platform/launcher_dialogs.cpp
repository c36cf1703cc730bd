// The launcher's message box and file-open dialog, drawn with Xlib core
// calls so that the launcher needs no toolkit.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/launcher_services.h"

namespace {

struct rect {
  int x, y, w, h;
  bool contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

// One top-level window with a font and a graphics context.
class dialog_window {
 public:
  dialog_window(Display* d, const char* title, int width, int height) : d_(d) {
    int screen = DefaultScreen(d);
    font_ = XLoadQueryFont(d, "fixed");
    unsigned long white = WhitePixel(d, screen), black = BlackPixel(d, screen);
    int x = (DisplayWidth(d, screen) - width) / 2, y = (DisplayHeight(d, screen) - height) / 2;
    w_ = XCreateSimpleWindow(d, RootWindow(d, screen), x, y, width, height, 1, black, white);
    XStoreName(d, w_, title);
    XSizeHints hints{};
    hints.flags = PPosition | PSize;
    hints.x = x;
    hints.y = y;
    hints.width = width;
    hints.height = height;
    XSetWMNormalHints(d, w_, &hints);
    delete_atom_ = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, w_, &delete_atom_, 1);
    XSelectInput(d, w_, ExposureMask | KeyPressMask | ButtonPressMask | StructureNotifyMask);
    gc_ = XCreateGC(d, w_, 0, nullptr);
    XSetForeground(d, gc_, black);
    XSetBackground(d, gc_, white);
    if (font_ != nullptr) XSetFont(d, gc_, font_->fid);
    XMapRaised(d, w_);
  }
  ~dialog_window() {
    XFreeGC(d_, gc_);
    if (font_ != nullptr) XFreeFont(d_, font_);
    XDestroyWindow(d_, w_);
    XFlush(d_);
  }
  dialog_window(const dialog_window&) = delete;
  dialog_window& operator=(const dialog_window&) = delete;

  int line_height() const { return font_ != nullptr ? font_->ascent + font_->descent + 2 : 15; }
  int ascent() const { return font_ != nullptr ? font_->ascent : 11; }
  int text_width(const std::string& s) const {
    return font_ != nullptr ? XTextWidth(font_, s.c_str(), static_cast<int>(s.size()))
                            : 6 * static_cast<int>(s.size());
  }
  void text(int x, int y, const std::string& s) const {
    XDrawString(d_, w_, gc_, x, y + ascent(), s.c_str(), static_cast<int>(s.size()));
  }
  void frame(const rect& r) const { XDrawRectangle(d_, w_, gc_, r.x, r.y, r.w - 1, r.h - 1); }
  void button(const rect& r, const std::string& label) const {
    frame(r);
    text(r.x + (r.w - text_width(label)) / 2, r.y + (r.h - line_height()) / 2 + 1, label);
  }
  void clear() const { XClearWindow(d_, w_); }

  // The next event of the window; the focus is taken once it is mapped (there
  // may be no window manager to give it).
  XEvent next_event() const {
    XEvent e;
    XWindowEvent(d_, w_, ExposureMask | KeyPressMask | ButtonPressMask | StructureNotifyMask, &e);
    if (e.type == MapNotify) XSetInputFocus(d_, w_, RevertToParent, CurrentTime);
    return e;
  }
  // True for the window manager's close request; client messages are not
  // selectable, so they are looked for without blocking.
  bool close_requested() const {
    XEvent e;
    return XCheckTypedWindowEvent(d_, w_, ClientMessage, &e) &&
           static_cast<Atom>(e.xclient.data.l[0]) == delete_atom_;
  }

 private:
  Display* d_;
  Window w_;
  GC gc_;
  XFontStruct* font_;
  Atom delete_atom_;
};

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return lines;
    start = end + 1;
  }
}

KeySym key_of(XEvent& e, std::string* typed) {
  char buffer[16];
  KeySym key = NoSymbol;
  int n = XLookupString(&e.xkey, buffer, sizeof buffer, &key, nullptr);
  if (typed != nullptr) typed->assign(buffer, n > 0 ? n : 0);
  return key;
}

}  // namespace

void show_message(const std::string& text, bool error) {
  fputs(text.c_str(), stderr);
  fputc('\n', stderr);
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return;
  std::vector<std::string> lines = split_lines(text);
  int width = 0, lh = 15;
  if (XFontStruct* f = XLoadQueryFont(d, "fixed")) {
    for (const std::string& l : lines)
      width = std::max(width, XTextWidth(f, l.c_str(), static_cast<int>(l.size())));
    lh = f->ascent + f->descent + 2;
    XFreeFont(d, f);
  } else {
    for (const std::string& l : lines) width = std::max(width, 6 * static_cast<int>(l.size()));
  }
  width = std::max(width + 80, 220);
  int height = static_cast<int>(lines.size()) * lh + 70;
  {
    dialog_window box(d, "Vorq Viewer", width, height);
    rect ok{(width - 70) / 2, height - 36, 70, 26};
    for (;;) {
      if (box.close_requested()) break;
      XEvent e = box.next_event();
      if (e.type == Expose && e.xexpose.count == 0) {
        // The icon: a stop sign for errors, an information mark otherwise.
        rect icon{14, 14, 28, 28};
        box.frame(icon);
        box.text(icon.x + 11, icon.y + 8, error ? "X" : "i");
        for (size_t i = 0; i < lines.size(); ++i) box.text(56, 14 + static_cast<int>(i) * lh, lines[i]);
        box.button(ok, "OK");
      } else if (e.type == KeyPress) {
        KeySym k = key_of(e, nullptr);
        if (k == XK_Return || k == XK_KP_Enter || k == XK_Escape || k == XK_space) break;
      } else if (e.type == ButtonPress && ok.contains(e.xbutton.x, e.xbutton.y)) {
        break;
      }
    }
  }
  XCloseDisplay(d);
}

namespace {

struct file_filter {
  const char* name;
  const char* extension;  // null: every file
};
const file_filter filters[] = {
    {"Vorq Viewer Files (*.vf)", ".vf"},
    {"All Files (*.*)", nullptr},
};

bool has_extension(const std::string& name, const char* extension) {
  size_t n = std::char_traits<char>::length(extension);
  if (name.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (tolower(static_cast<unsigned char>(name[name.size() - n + i])) != extension[i]) return false;
  return true;
}

bool is_folder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The dialog's state: the folder shown, its entries, the name typed.
struct open_dialog {
  std::string folder;
  std::vector<std::string> entries;  // folders end with "/"
  int filter = 0;
  int first_shown = 0;
  std::string name;
  std::string status;

  void read_folder() {
    entries.clear();
    first_shown = 0;
    std::vector<std::string> files;
    if (DIR* dir = opendir(folder.c_str())) {
      while (dirent* e = readdir(dir)) {
        std::string n = e->d_name;
        if (n == ".") continue;
        if (is_folder(folder + "/" + n))
          entries.push_back(n + "/");
        else if (filters[filter].extension == nullptr || has_extension(n, filters[filter].extension))
          files.push_back(n);
      }
      closedir(dir);
    }
    std::sort(entries.begin(), entries.end());
    std::sort(files.begin(), files.end());
    entries.insert(entries.end(), files.begin(), files.end());
  }

  void enter_folder(const std::string& sub) {
    char* real = realpath((folder + "/" + sub).c_str(), nullptr);
    if (real == nullptr) return;
    folder = real;
    free(real);
    read_folder();
  }

  // The chosen file's path, or empty with the reason in `status`. A name
  // without an extension gets the default one when it does not exist as typed.
  std::string accept() {
    std::string path = !name.empty() && name[0] == '/' ? name : folder + "/" + name;
    if (is_folder(path)) {
      enter_folder(name);
      name.clear();
      return "";
    }
    size_t slash = path.find_last_of('/');
    if (!is_folder(path.substr(0, slash == 0 ? 1 : slash))) {
      status = "Path does not exist.";
      return "";
    }
    if (file_exists(path)) return path;
    if (path.find('.', slash) == std::string::npos) {
      for (const char* extension : {".vf", ".VF"})
        if (file_exists(path + extension)) return path + extension;
    }
    status = "File not found.";
    return "";
  }
};

}  // namespace

dialog_result open_file_dialog(std::string* path) {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return dialog_result::failed;
  open_dialog state;
  char* cwd = getcwd(nullptr, 0);
  state.folder = cwd != nullptr ? cwd : "/";
  free(cwd);
  state.read_folder();

  const int width = 480, height = 400, rows = 14;
  dialog_result result = dialog_result::cancelled;
  {
    dialog_window w(d, "Open Vorq Viewer File", width, height);
    int lh = w.line_height();
    rect list{10, 34, width - 20, rows * lh + 6};
    rect name_field{100, list.y + list.h + 10, width - 110, lh + 8};
    rect filter_field{100, name_field.y + name_field.h + 8, width - 110, lh + 8};
    rect open_button{width - 180, height - 40, 80, 28};
    rect cancel_button{width - 90, height - 40, 80, 28};
    Time last_click = 0;
    int last_row = -1;
    bool done = false;
    auto finish = [&](dialog_result r) {
      result = r;
      done = true;
    };
    auto try_accept = [&]() {
      if (state.name.empty()) return;
      std::string chosen = state.accept();
      if (!chosen.empty()) {
        *path = chosen;
        finish(dialog_result::chosen);
      }
    };
    auto redraw = [&]() {
      w.clear();
      w.text(10, 10, "Look in: " + state.folder);
      w.frame(list);
      for (int i = 0; i < rows; ++i) {
        size_t k = static_cast<size_t>(state.first_shown + i);
        if (k < state.entries.size()) w.text(list.x + 6, list.y + 3 + i * lh, state.entries[k]);
      }
      w.text(10, name_field.y + 4, "File name:");
      w.frame(name_field);
      w.text(name_field.x + 4, name_field.y + 4, state.name + "_");
      w.text(10, filter_field.y + 4, "Files of type:");
      w.frame(filter_field);
      w.text(filter_field.x + 4, filter_field.y + 4, filters[state.filter].name);
      w.text(10, open_button.y + 6, state.status);
      w.button(open_button, "Open");
      w.button(cancel_button, "Cancel");
    };
    while (!done) {
      if (w.close_requested()) break;
      XEvent e = w.next_event();
      if (e.type == Expose) {
        if (e.xexpose.count == 0) redraw();
        continue;
      }
      if (e.type == KeyPress) {
        std::string typed;
        KeySym k = key_of(e, &typed);
        state.status.clear();
        if (k == XK_Escape) {
          finish(dialog_result::cancelled);
        } else if (k == XK_Return || k == XK_KP_Enter) {
          try_accept();
        } else if (k == XK_BackSpace) {
          if (!state.name.empty()) state.name.pop_back();
        } else if (k == XK_Tab) {
          state.filter = 1 - state.filter;
          state.read_folder();
        } else if (typed.size() == 1 && static_cast<unsigned char>(typed[0]) >= 32 &&
                   state.name.size() < 1023) {
          state.name += typed;
        }
      } else if (e.type == ButtonPress) {
        int x = e.xbutton.x, y = e.xbutton.y;
        state.status.clear();
        if (e.xbutton.button == Button4 || e.xbutton.button == Button5) {
          int step = e.xbutton.button == Button4 ? -3 : 3;
          int last = std::max(0, static_cast<int>(state.entries.size()) - rows);
          state.first_shown = std::clamp(state.first_shown + step, 0, last);
        } else if (cancel_button.contains(x, y)) {
          finish(dialog_result::cancelled);
        } else if (open_button.contains(x, y)) {
          try_accept();
        } else if (filter_field.contains(x, y)) {
          state.filter = 1 - state.filter;
          state.read_folder();
        } else if (list.contains(x, y)) {
          int row = (y - list.y - 3) / lh;
          size_t k = static_cast<size_t>(state.first_shown + row);
          if (row >= 0 && row < rows && k < state.entries.size()) {
            bool twice = row == last_row && e.xbutton.time - last_click < 400;
            last_click = e.xbutton.time;
            last_row = row;
            std::string entry = state.entries[k];
            if (entry.back() == '/') {
              if (twice) {
                state.enter_folder(entry);
                last_row = -1;
              }
            } else {
              state.name = entry;
              if (twice) try_accept();
            }
          }
        }
      }
      if (!done) redraw();
    }
  }
  XCloseDisplay(d);
  return result;
}

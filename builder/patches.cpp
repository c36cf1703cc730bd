#include "builder/patches.h"

#include <X11/Xlib.h>
#include <GL/gl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "builder/interface_builder.h"
#include "builder/item_fields.h"
#include "builder/object_inspector.h"
#include "builder/window_inspector.h"
#include "link/gin.h"
#include "platform/files.h"
#include "runtime/interpreter.h"
#include "runtime/window_record.h"
#include "toolkit/fonts.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_button.h"
#include "toolkit/ui_window.h"

namespace {

constexpr uint32_t ORIGIN_FLAGS = ITEM_ORIGIN | ITEM_X_RELATIVE | ITEM_X_ABSENT | ITEM_Y_RELATIVE | ITEM_Y_ABSENT;

void release(long id) {
  if (id != 0) reinterpret_cast<UIButton*>(id)->set_in(false);
}

ident_info* window_ident(unsigned short index) { return &globals()[index]; }

// The MENUs of a window as the runtime shows them: with two or more, those
// declared before the main menu (each shown together with it); else the one.
template <typename Visit>
void for_each_shown_menu(ident_info* window, Visit visit) {
  window_record* w = record_of(window);
  bool tabs = window_menu_count(*window) >= 2;
  uint16_t main_menu = uint16_t(window->word8);
  for (uint16_t local = 0; local < window->word6; ++local) {
    if (tabs && local == main_menu) break;
    if (w->locals[local].kind == K_MENU) visit(local, &w->locals[local]);
  }
}

// Every MENU of a window in declaration order.
template <typename Visit>
void for_each_menu(ident_info* window, Visit visit) {
  window_record* w = record_of(window);
  for (uint16_t local = 0; local < window->word6; ++local)
    if (w->locals[local].kind == K_MENU) visit(local, &w->locals[local]);
}

menu_item* item_at(uint32_t index) { return &tables[T_MENU_ITEMS].as<menu_item>()[index]; }

const char* source_name_or(uint16_t index, const char* none) {
  const char* name = item_source_file(index);
  return name != nullptr ? name : none;
}

// The source file of a window or MENU from its packed source position.
const char* declared_in(const ident_info& ident) {
  return source_name_or(uint16_t((ident.source_position >> 12) & 0x3FF), "<no file>");
}
unsigned declared_line(const ident_info& ident) { return ident.source_position & 0xFFF; }

bool differs(uint32_t a_flags, uint32_t b_flags, uint32_t mask) { return (a_flags & mask) != (b_flags & mask); }

// Writes the header and item lines of the edited windows; false when a write
// failed.
bool write_patch_lines(FILE* f) {
  uint32_t count;
  const unsigned short* edited = edited_window_list(&count);
  for (uint32_t i = 0; i < count; ++i) {
    ident_info* window = window_ident(edited[i]);
    const UIWindow* ui = record_of(window)->ui_window;
    fprintf(f, "# %s %s ORIGIN_X:= %d, ORIGIN_Y:= %d, SIZE_X:= %d, SIZE_Y:= %d.\n", type_name(window->kind),
            name_of(window), ui != nullptr ? ui->x : 0, ui != nullptr ? ui->y : 0, ui != nullptr ? ui->width : 0,
            ui != nullptr ? ui->height : 0);
    for_each_menu(window, [&](uint16_t, ident_info* menu) {
      fprintf(f, "# %s %s.\n", "MENU", name_of(menu));
      for (uint32_t k = 0; k < menu->word6; ++k) {
        const menu_item* item = item_at(menu->count + k);
        const menu_item* old = old_menu_item(menu->count + k);
        if (!items_equal(*item, *old)) write_patch(f, source_name_or(item->source_file, "<no file>"), old, item);
      }
    });
  }
  return ferror(f) == 0;
}

void refresh_copies() {
  uint32_t count;
  const unsigned short* edited = edited_window_list(&count);
  for (uint32_t i = 0; i < count; ++i) {
    for_each_menu(window_ident(edited[i]), [&](uint16_t, ident_info* menu) {
      for (uint32_t k = 0; k < menu->word6; ++k) *old_menu_item(menu->count + k) = *item_at(menu->count + k);
    });
  }
}

}  // namespace

// ---- Patch file ----

void write_patch(FILE* f, const char* file, const menu_item* old, const menu_item* item) {
  auto begin = [&]() { fprintf(f, "%s\t%u\t%s\t", file, unsigned(item->line), item_keyword(item->kind)); };
  if (old->x != item->x || old->y != item->y || differs(old->flags, item->flags, ORIGIN_FLAGS)) {
    begin();
    uint32_t fl = item->flags;
    if ((fl & ITEM_X_ABSENT) && (fl & ITEM_Y_ABSENT) && !(fl & (ITEM_X_RELATIVE | ITEM_Y_RELATIVE))) {
      fputs("-\t@", f);
    } else {
      fputs("=\t@\t", f);
      if (!(fl & ITEM_X_ABSENT)) fprintf(f, "%s%d", (fl & ITEM_X_RELATIVE) ? "+" : "", int(item->x));
      if (!(fl & ITEM_Y_ABSENT)) fprintf(f, ",%s%d", (fl & ITEM_Y_RELATIVE) ? "+" : "", int(item->y));
    }
    fputc('\n', f);
  }
  struct size_attribute {
    int16_t old_value, value;
    uint32_t flag;
    const char* name;
  };
  for (const size_attribute& s : {size_attribute{old->width, item->width, ITEM_SIZE_X, "SIZE_X"},
                                  size_attribute{old->height, item->height, ITEM_SIZE_Y, "SIZE_Y"}}) {
    if (s.old_value == s.value && !differs(old->flags, item->flags, s.flag)) continue;
    begin();
    if (s.value == 0)
      fprintf(f, "-\t%s\n", s.name);
    else
      fprintf(f, "=\t%s\t%u\n", s.name, unsigned(uint16_t(s.value)));
  }
  if (has_layout(*item)) {
    item_layout a = layout_of(*old), b = layout_of(*item);
    if (a.width != b.width || a.per_line != b.per_line || differs(old->flags, item->flags, ITEM_LAYOUT)) {
      begin();
      if ((b.width == 0 && b.per_line == 1) || !(item->flags & ITEM_LAYOUT))
        fputs("-\tLAYOUT\n", f);
      else
        fprintf(f, "=\tLAYOUT\t%u,%u\n", unsigned(b.width), unsigned(b.per_line));
    }
  }
  if (has_font(*item)) {
    uint8_t a = font_of(*old), b = font_of(*item);
    if (a != b || differs(old->flags, item->flags, ITEM_FONT)) {
      begin();
      if (b == 0 || b >= Fonts::count || !(item->flags & ITEM_FONT))
        fputs("-\tFONT\n", f);
      else
        fprintf(f, "=\tFONT\t%s\n", Fonts::font_names[b]);
    }
  }
  if (has_format(*item)) {
    item_format a = format_of(*old), b = format_of(*item);
    if (a.width != b.width || a.precision != b.precision || differs(old->flags, item->flags, ITEM_FORMAT)) {
      begin();
      if ((b.width == 0 && b.precision == 1) || !(item->flags & ITEM_FORMAT))
        fputs("-\tFORMAT\n", f);
      else
        fprintf(f, "=\tFORMAT\t%u,%u\n", unsigned(b.width), unsigned(b.precision));
    }
  }
  if (has_shortcut(*item)) {
    if (shortcut_code(*old) != shortcut_code(*item) || differs(old->flags, item->flags, ITEM_SHORTCUT)) {
      begin();
      if (!(item->flags & ITEM_SHORTCUT))
        fputs("-\tSHORTCUT\n", f);
      else
        fprintf(f, "=\tSHORTCUT\tCHARACTER(%u)\n", unsigned(shortcut_code(*item)));
    }
  }
}

// A failed write is cut back to the file's old length, and the edited list,
// the saved copies and the buttons stay, so that nothing is lost.
void write_patches(long id) {
  int fd = open_file("patches", FILE_APPEND);
  FILE* f = fd >= 0 ? fdopen(fd, "a") : nullptr;
  if (f == nullptr) {
    int error = errno;
    if (fd >= 0) close(fd);
    display_internal_info(strerror(error), true);
    release(id);
    return;
  }
  struct stat st {};
  off_t old_length = fstat(fd, &st) == 0 ? st.st_size : -1;
  bool written = write_patch_lines(f) && fflush(f) == 0;
  int error = written ? 0 : (errno != 0 ? errno : EIO);
  if (!written && old_length >= 0) {
    // A device cannot be cut back; the write's own error is the one shown.
    int cut = ftruncate(fd, old_length);
    (void)cut;
  }
  if (fclose(f) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written) {
    refresh_copies();
    clear_edited_windows();
  } else {
    display_internal_info(strerror(error), true);
  }
  release(id);
}

// ---- Collisions ----

void check_collisions(long id) {
  if (unsigned short shown = get_current_window(); shown != 0) {
    make_window_invisible(window_ident(shown));
    close_object_inspector();
    close_window_inspector();
  }
  unsigned long total = 0;
  uint32_t count;
  const unsigned short* list = builder_window_list(&count);
  for (uint32_t i = 0; i < count; ++i) {
    ident_info* window = window_ident(list[i]);
    window_record* w = record_of(window);
    if (window_menu_count(*window) == 0 || w->ui_window == nullptr) continue;
    for_each_shown_menu(window, [&](uint16_t local, ident_info* menu) {
      set_current_menu(window, local);
      unsigned long n = static_cast<unsigned long>(w->ui_window->find_collisions());
      if (n > 0)
        fprintf(stderr, "%lu collision(s) in %s '%s', menu '%s'.\n\n", n, type_name(window->kind),
                name_of(window), name_of(menu));
      total += n;
    });
    destroy_objects(window);
    make_window_invisible(window);
  }
  fprintf(stderr, "%lu collision(s) total.\n", total);
  release(id);
}

// ---- Snapshots ----

// A name as one word of the command shell that system() runs. POSIX sh: in
// single quotes, a quote itself closed, escaped and reopened. cmd: in double
// quotes, which no Windows file name holds (so none is kept), each percent
// sign outside them behind a caret, so that no variable is expanded.
std::string shell_quoted(const char* text) {
#ifdef _WIN32
  std::string q = "\"";
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '%')
      q += "\"^%\"";
    else if (*p != '"')
      q += *p;
  }
  q += "\"";
#else
  std::string q = "'";
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '\'')
      q += "'\\''";
    else
      q += *p;
  }
  q += "'";
#endif
  return q;
}

namespace {

// Runs the next command of a line whatever the last one gave.
#ifdef _WIN32
const char* const kThenRun = " & ";
#else
const char* const kThenRun = "; ";
#endif

// The folder of the screen tools.
const char* screen_tools() {
  const char* folder = getenv("QOB_SCREEN_TOOLS");
  return folder != nullptr && folder[0] != '\0' ? folder : "/usr/sbin";
}

// Makes `folder` and its parents like "mkdir -p"; true when it is a folder.
bool make_folders(const char* folder) {
  std::string path;
  for (const char* p = folder;; ++p) {
    if (*p == '/' || *p == '\0') {
      if (!path.empty()) make_folder(path.c_str());
      if (*p == '\0') break;
    }
    path += *p;
  }
  struct stat st {};
  return stat(folder, &st) == 0 && S_ISDIR(st.st_mode);
}

void snapshot_menu(ident_info* window, ident_info* menu, const char* image, const char* folder) {
  window_record* w = record_of(window);
  UIWindow* ui = w->ui_window;
  for (int i = 0; i < 10; ++i) {
    ui->make_physically_visible();
    process_events();
  }
  ui->redraw();
  glFinish();
  int x0, x1, y0, y1;
  ui->get_scrsave_geometry(&x0, &x1, &y0, &y1);
  Display* d = AppContext->ui_display;
  int width = DisplayWidth(d, DefaultScreen(d)), height = DisplayHeight(d, DefaultScreen(d));
  auto outside = [](int v, int high) { return v < 0 || v > high; };
  if (outside(x0, width) || outside(x1, width) || outside(y0, height) || outside(y1, height)) {
    fprintf(stderr, "Error - window %s (declared in %s line %u) not completely on screen.\n", name_of(window),
            declared_in(*window), declared_line(*window));
    auto clamp = [](int* v, int high) { *v = *v < 0 ? 0 : *v > high ? high : *v; };
    clamp(&x0, width);
    clamp(&x1, width);
    clamp(&y0, height);
    clamp(&y1, height);
  }
  if (x0 == x1 || y0 == y1) {
    fprintf(stderr, "Error - window %s (declared in %s line %u) has no area.\n", name_of(window),
            declared_in(*window), declared_line(*window));
    return;
  }
  char expected[272];
  const char* menu_file = declared_in(*menu);
  if (window_menu_count(*window) < 2)
    snprintf(expected, sizeof expected, "%s%s", name_of(window), window->kind == K_MENU_WINDOW ? ".yrW" : ".yrS");
  else
    snprintf(expected, sizeof expected, "%s.yrM", name_of(menu));
  if (strcmp(expected, menu_file) != 0)
    fprintf(stderr, "Error - file name should be '%s' but is '%s'.\n", expected, menu_file);
  std::string target = std::string(folder) + "/" + menu_file + ".png";
  std::string tools = screen_tools();
  std::string q_image = shell_quoted(image), q_target = shell_quoted(target.c_str());
  std::string q_save = shell_quoted((tools + "/scrsave").c_str()), q_copy = shell_quoted((tools + "/imgcopy").c_str());
  std::string command = q_save + " " + q_image + " " + std::to_string(x0) + " " + std::to_string(x1) +
                        " " + std::to_string(y0) + " " + std::to_string(y1) + kThenRun + q_copy + " " + q_image + " " +
                        q_target + "\n";
  fputs(command.c_str(), stderr);
  if (system(command.c_str()) == -1) fprintf(stderr, "Error - cannot run the screen tools.\n");
}

}  // namespace

// The image lies in a fresh private folder, so no planted file can stand in
// for it; names reach the shell only quoted.
void create_snapshots(long id) {
  if (unsigned short shown = get_current_window(); shown != 0) make_window_invisible(window_ident(shown));
  close_object_inspector();
  show_main_window(false);
  std::string folder = snapshot_folder();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  char temporary[] = "/tmp/ibXXXXXX";
  bool ready = make_folders(folder.c_str()) && make_temporary_folder(temporary);
  if (!ready) fprintf(stderr, "Error - cannot make the folder %s: %s\n", folder.c_str(), strerror(errno));
  std::string image = std::string(temporary) + "/ib" + std::to_string(getpid()) + ".rgb";
  Display* d = AppContext->ui_display;
  XSynchronize(d, True);
  uint32_t count;
  const unsigned short* list = builder_window_list(&count);
  for (uint32_t i = 0; ready && i < count; ++i) {
    ident_info* window = window_ident(list[i]);
    if (window_menu_count(*window) == 0 || record_of(window)->ui_window == nullptr) continue;
    for_each_shown_menu(window, [&](uint16_t local, ident_info* menu) {
      set_current_menu(window, local);
      update_window_inspector(list[i]);
      snapshot_menu(window, menu, image.c_str(), folder.c_str());
    });
    destroy_objects(window);
    make_window_invisible(window);
  }
  if (ready) {
    unlink(image.c_str());
    rmdir(temporary);
  }
  release(id);
  show_main_window(true);
  XSynchronize(d, False);
}

// ---- Editor ----

bool format_editor_command(const char* format, const char* file, char* out, size_t size) {
  std::string quoted = shell_quoted(file);
  std::string command;
  bool file_used = false;
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      command += *p;
      continue;
    }
    ++p;
    if (*p == '%') {
      command += '%';
    } else if (*p == 's' && !file_used) {
      command += quoted;
      file_used = true;
    } else {
      return false;
    }
  }
  if (command.size() + 1 > size) return false;
  memcpy(out, command.c_str(), command.size() + 1);
  return true;
}

void launch_editor(long id) {
  const menu_item* item = current_object_item();
  const char* file = item != nullptr ? item_source_file(item->source_file) : nullptr;
  char command[1024];
  if (file != nullptr) {
    if (format_editor_command(get_editor_call(), file, command, sizeof command)) {
      if (system(command) == -1) display_internal_info(strerror(errno), true);
    } else {
      display_internal_info("Editor command needs one %s, no other conversion, at most 1023 characters", true);
    }
  }
  release(id);
}

// The resource-file tests' fixture: globals of every kind, two hidden
// windows, and the reads, runs and file listings of its cases.
#pragma once

#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <set>
#include <string>
#include <vector>

#include "runtime/interpreter.h"
#include "runtime/read_resources.h"
#include "runtime/variables.h"
#include "tests/runtime/window_fixture.h"
#include "tests/support/folder_entries.h"
#include "tests/support/runner.h"

namespace resources_test {

namespace op {
constexpr uint8_t SAVE_DEFAULTS = 148, RESTORE_DEFAULTS = 177;
}
constexpr uint16_t ALL_ATTRIBUTES = 0x780;  // ORIGIN_X, ORIGIN_Y, SIZE_X, SIZE_Y

inline ident_info variable(uint8_t kind, bool resource = true, uint16_t max_length = 0) {
  ident_info id = make_ident(kind);
  if (resource) id.word8 = IDENT_RESOURCE;
  id.word2 = max_length;
  return id;
}

// Globals of every kind that a file can set, a hidden and a plain one, and
// two hidden windows: "dlg" with every resource attribute and the resource
// local "lv", "bare" with none.
class Resources : public testing::Test {
 public:  // the case tables' checks read the fixture
  yarl::YarlProgram program = yarl::YarlProgram::standard();
  TempDir dir;
  uint16_t i, r, a, b, c, s, ia, sa, hidden, plain, dlg, bare;

  void SetUp() override {
    i = program.add(GLOBAL, variable(K_INTEGER), "i");
    r = program.add(GLOBAL, variable(K_REAL), "r");
    a = program.add(GLOBAL, variable(K_ANGLE), "a");
    b = program.add(GLOBAL, variable(K_BOOLEAN), "b");
    c = program.add(GLOBAL, variable(K_CHARACTER), "c");
    s = program.add(GLOBAL, variable(K_STRING), "s");
    ia = program.add(GLOBAL, variable(K_ARRAY + K_INTEGER, true, 3), "ia");
    sa = program.add(GLOBAL, variable(K_ARRAY + K_STRING, true, 3), "sa");
    ident_info h = variable(K_INTEGER);
    h.flags1 = IDENT_HIDDEN;
    hidden = program.add(GLOBAL, h, "hidden");
    plain = program.add(GLOBAL, variable(K_INTEGER, false), "plain");
    dlg = add_dialog("dlg", ALL_ATTRIBUTES, false);
    bare = add_dialog("bare", 0, false);
    program.initial_code().push(7).assign(GLOBAL, i).push_string("init").assign(GLOBAL, s);
  }
  void TearDown() override {
    if (!loaded_) return;
    sp = sb - 1;
    cleanup_user_interface();
    XSync(display(), False);
  }

  // A window with one MENU (one label) and the INTEGER resource local "lv".
  uint16_t add_dialog(const char* name, uint16_t attributes, bool visible) {
    menu_item l = label(program, K_STRING, [](yarl::Code& code) { code.push_string("Resource"); });
    ident_info menu = make_ident(K_MENU);
    menu.word6 = 1;
    menu.count = program.add_item(l);
    ident_info w = make_ident(K_MENU_WINDOW);
    w.flags1 = visible ? WINDOW_VISIBLE : 0;
    w.word2 = uint16_t(1 << 12 | attributes);
    w.word6 = 2;
    w.count = program.add(WINDOW_LOCAL, menu, "menu");
    program.add(WINDOW_LOCAL, variable(K_INTEGER), "lv");
    return program.add(GLOBAL, w, name);
  }

  void load(const char* site = nullptr, const char* private_ = nullptr, const char* local = nullptr) {
    std::vector<uint8_t> image = program.bytes();
    decode_tables(image.data(), image.size());
    preset_user_interface("", true, false, site, private_, local);
    loaded_ = true;
  }

  ident_info* global(uint16_t n) { return &globals()[n]; }
  ident_info* local(uint16_t window) { return &tables[T_WINDOW_LOCALS].as<ident_info>()[global(window)->count + 1]; }
  UIWindow* ui(uint16_t window) { return record_of(global(window))->ui_window; }
  static std::vector<int32_t> collect(const ident_info* v) {
    std::vector<int32_t> out;
    for (uint32_t e = 0; e < v->word6; ++e) out.push_back(v->val.a[e].i);
    return out;
  }
  std::vector<std::string> strings(uint16_t array) {
    std::vector<std::string> out;
    for (uint32_t e = 0; e < global(array)->word6; ++e) out.push_back(global(array)->val.a[e].s);
    return out;
  }

  // Writes `text` as a resource file and returns its path.
  std::string file(const std::string& name, const std::string& text) {
    write_file(dir.file(name), text);
    return dir.file(name);
  }
  // Reads a file, with what it printed.
  bool read(const std::string& path, std::string* messages, ident_info* window = nullptr, bool compare = false,
            unsigned long flags = RESOURCE_VARIABLES | RESOURCE_GEOMETRY) {
    testing::internal::CaptureStderr();
    bool failed = read_resources(global(1), path.c_str(), window, compare, flags);
    *messages = testing::internal::GetCapturedStderr();
    return failed;
  }
  // Runs code bytes in a window's context.
  void run(std::vector<uint8_t> code, uint16_t context = 1) {
    code.push_back(yarl::op::RELEASE);
    code_ = code;
    interpret_code(global(context), code_.data(), false);
  }
  std::vector<uint8_t> restore_code(int depth, int flags, uint8_t reference) {
    return {uint8_t(yarl::op::CONSTANT_0 + depth), uint8_t(yarl::op::CONSTANT_0 + flags), op::RESTORE_DEFAULTS,
            uint8_t(0x20 | reference)};
  }
  std::vector<uint8_t> save_code(int selector) { return {uint8_t(yarl::op::CONSTANT_0 + selector), op::SAVE_DEFAULTS}; }
  std::set<std::string> files() { return folder_entries(dir.path()); }

 private:
  bool loaded_ = false;
  std::vector<uint8_t> code_;
};

}  // namespace resources_test

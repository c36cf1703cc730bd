// A loaded YARL program with the system interface preset, for running the
// wait loop and the operations that reach application processes in-process.
#pragma once

#include <unistd.h>

#include <string>

#include "link/gin.h"
#include "link/si.h"
#include "platform/posix_services.h"
#include "runtime/application_values.h"
#include "tests/runtime/yarl_fixture.h"
#include "tests/support/x_screen.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"

namespace link_test {

// Opcodes of the operations tested here.
namespace op {
constexpr uint8_t OPEN = 27, READ = 28, CLOSE = 35, WRITE = 47, CHECK_STREAM = 71, EVENT_CODE = 110,
                  REPORT_TEK = 115, SEND_SIGNAL = 128, REPORT_ASCII = 141, START_PROCESS = 150,
                  DISPLAY_STDERR = 151, SET_STREAM = 174, READ_APPLICATION_VALUE = 203;
}

class Linked : public yarl_test::Loaded {
 protected:
  unsigned char buffer[HOST_INPUT_SIZE + 2] = {};
  buf_ptrs hi{buffer, buffer, buffer};

  void load() {
    preset_posix_services();  // as the server starts: binary files on Windows
    yarl_test::Loaded::load();
    preset_system_interface();
  }
  void TearDown() override {
    kill_all_subprocesses();
    close_all_streams();
    cleanup_system_interface();
    yarl_test::Loaded::TearDown();
  }
  // One refill as text; "<abandoned>" when the refill reported an abandoned command.
  std::string refill() {
    unsigned char* start = refill_host_input(&hi);
    if (start == nullptr) return "<abandoned>";
    return std::string(reinterpret_cast<char*>(hi.start), size_t(hi.end - hi.start));
  }
  // Refills until `n` bytes came.
  std::string refill_bytes(size_t n) {
    std::string all;
    while (all.size() < n) all += refill();
    return all;
  }
  ident_info array_ident(uint8_t kind, uint16_t max) {
    ident_info a = yarl::make_ident(uint8_t(K_ARRAY + kind));
    a.word2 = max;
    return a;
  }
  void start_code(uint32_t offset) { interpret_code(global(1), statement_code(offset), true); }
};

// One toolkit context per suite on the tests' X server, with a screen area of
// the program's own; any X error fails the suite.
class OnScreen : public Linked {
 protected:
  static void SetUpTestSuite() {
    XSetErrorHandler(count_x_error);
    screen_slot_ = claim_screen_slot();
    new UIAppContext(false, nullptr, nullptr, 0, 0, 10, 11);
  }
  static void TearDownTestSuite() {
    delete AppContext;
    AppContext = nullptr;
    EXPECT_EQ(x_error_count(), 0);
  }
  static inline int screen_slot_ = 0;
};

// A program shown on the tests' X server: one visible window "main" with a
// label, and the global shortcut of key 'q' that sets INTEGER "hits" to 7.
// Derived fixtures add to `program` in add_more() before it is loaded.
class ShownProgram : public OnScreen {
 protected:
  uint16_t hits = 0, main_window = 0, shortcut_target = 0;

  virtual void add_more() {}
  void SetUp() override {
    hits = program.add(yarl::GLOBAL, yarl::make_ident(K_INTEGER), "hits");
    menu_item it = yarl::make_item(ITEM_LABEL);
    it.value_kind = K_STRING;
    it.head8 = 9;
    it.code_offset = program.code().offset();
    program.code().push_string("shown").release();
    main_window = yarl::add_shown_window(program, "main", it);
    shortcut_target = program.add(yarl::GLOBAL, yarl::make_ident(K_SUB_WINDOW), "target");
    uint32_t key_action = program.code().offset();
    program.code().push(7).assign(yarl::GLOBAL, hits).release();
    program.shortcut('q') = g_shortcut{key_action, 0, 0, shortcut_target};
    add_more();
    load();
    UIWindow* ui = main_ui();
    ui->set_origin(short(slot_x(screen_slot_)), short(slot_y(screen_slot_)));
    update_menu_windows();
    for (int i = 0; i < 500 && !ui->mapped; ++i) {
      process_events();
      usleep(2000);
    }
    ASSERT_TRUE(ui->mapped);
  }
  void TearDown() override {
    cleanup_event_intake();
    Linked::TearDown();
  }
  UIWindow* main_ui() { return record_of(global(main_window))->ui_window; }
};

}  // namespace link_test

// The program of the event benchmarks: one visible window "main" with a
// label, loaded and shown on the X server of DISPLAY.
#pragma once

#include <unistd.h>

#include <vector>

#include "base/checked_mm.h"
#include "link/gin.h"
#include "runtime/read_tables.h"
#include "runtime/user_interface.h"
#include "runtime/window_record.h"
#include "tests/support/yarl_writer.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"

// The toolkit window of "main", mapped.
inline UIWindow* show_main_window() {
  InitMallocBalance();
  new UIAppContext(false, nullptr, nullptr, 0, 0, 10, 11);
  yarl::YarlProgram program = yarl::YarlProgram::standard();
  menu_item label = yarl::make_item(ITEM_LABEL);
  label.value_kind = K_STRING;
  label.head8 = 9;
  label.code_offset = program.code().offset();
  program.code().push_string("main").release();
  uint16_t main_window = yarl::add_shown_window(program, "main", label);
  std::vector<uint8_t> image = program.bytes();
  decode_tables(image.data(), image.size());
  preset_user_interface("", true, false, nullptr, nullptr, nullptr);
  update_menu_windows();
  UIWindow* ui = record_of(&globals()[main_window])->ui_window;
  for (int i = 0; i < 500 && !ui->mapped; ++i) {
    process_events();
    usleep(2000);
  }
  return ui;
}

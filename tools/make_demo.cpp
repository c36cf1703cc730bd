// Writes the demo YARL program that scripts/demo runs the server on: one
// visible window with a text label and a picture label.
#include <cmath>
#include <cstdio>
#include <vector>

#include "runtime/widget_builders.h"
#include "tests/support/yarl_writer.h"

namespace {

// A 64x64 picture: a colour wheel fading out to the edge.
std::vector<uint8_t> wheel() {
  std::vector<uint8_t> rgba;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      double dx = x - 31.5, dy = y - 31.5;
      double r = std::sqrt(dx * dx + dy * dy) / 32, a = std::atan2(dy, dx);
      auto channel = [&](double shift) {
        return uint8_t(127.5 + 127.5 * std::cos(a + shift));
      };
      rgba.push_back(channel(0));
      rgba.push_back(channel(2.094));
      rgba.push_back(channel(4.189));
      rgba.push_back(r < 1 ? uint8_t(255 * (1 - r * r)) : 0);
    }
  }
  return rgba;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s OUTPUT.b\n", argv[0]);
    return 2;
  }
  yarl::YarlProgram demo = yarl::YarlProgram::standard();
  uint16_t greeting = demo.add(yarl::GLOBAL, yarl::make_ident(K_STRING), "greeting");
  demo.initial_code().push_string("Hello from a YARL window").assign(yarl::GLOBAL, greeting);

  yarl::Code& code = demo.code();
  menu_item text = yarl::make_item(ITEM_LABEL);
  text.value_kind = K_STRING;
  text.head8 = 12;  // built-in font
  text.flags = ITEM_SIZE_X | ITEM_BLACK_BORDER;
  text.width = 220;
  text.code_offset = code.offset();
  code.push_var(yarl::GLOBAL, greeting).push(1).release();  // the value, black border on

  menu_item picture = yarl::make_item(ITEM_LABEL);
  picture.value_kind = K_PICTURE;
  picture.flags = ITEM_SIZE_X | ITEM_SIZE_Y;
  picture.width = 220;
  picture.height = 80;
  picture.code_offset = code.offset();
  code.push_picture(1, 64, 64, wheel()).release();

  ident_info menu = yarl::make_ident(K_MENU);
  menu.word6 = 2;
  menu.count = demo.add_item(text);
  demo.add_item(picture);
  menu.code_offset = demo.add_list({yarl::ref16(yarl::GLOBAL, greeting)});
  ident_info window = yarl::make_ident(K_MENU_WINDOW);
  window.flags1 = WINDOW_VISIBLE;
  window.word2 = 1 << 12;  // one MENU, local 0
  window.word6 = 1;
  window.count = demo.add(yarl::WINDOW_LOCAL, menu, "main");
  demo.add(yarl::GLOBAL, window, "demo");
  if (!demo.write(argv[1])) {
    perror(argv[1]);
    return 1;
  }
  return 0;
}

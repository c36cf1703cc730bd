// Writes the demo YARL program that scripts/demo runs the server on: one
// visible window titled "qob demo" with a text label and a picture label
// beside the graphics window; its initial code switches light 0 on and starts the demo application.
//   make_demo [-t TURNS] [-w] OUTPUT.b [DEMO_APP]
// With -t the application stops after TURNS camera turns, so the picture
// comes to rest; with -w DEMO_APP is a Windows path for the Windows server,
// taken as written and quoted as its command lines are.
#include <bit>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
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

constexpr uint8_t SET_LIGHT = 103, START_PROCESS = 150, SET_DISPLAY_OPTION = 192, SET_WINDOW_ATTRIBUTE = 196;
constexpr uint8_t TITLE = 43;
constexpr uint16_t ENABLE_TRANSPARENCY = 6;
constexpr int32_t LIGHT0 = 0x4000;
constexpr uint16_t AMBIENT = 4608, DIFFUSE = 4609, SPECULAR = 4610, POSITION = 4611;
constexpr uint16_t ON = uint16_t(-1);

// One attribute of light 0: the light's name, the values, the selector.
void set_light0(yarl::Code& c, uint16_t selector, std::initializer_list<float> values) {
  c.push(LIGHT0);
  for (float f : values) c.push_long(std::bit_cast<uint32_t>(f));
  c.op(SET_LIGHT).u16(selector);
}

// Light 0 on: a white light from above, front and right, with a little
// ambient light so the far sides do not go black.
void light(yarl::Code& c) {
  c.push(LIGHT0).push(1).op(SET_LIGHT).u16(ON);
  set_light0(c, AMBIENT, {0.25f, 0.25f, 0.25f, 1});
  set_light0(c, DIFFUSE, {1, 1, 1, 1});
  set_light0(c, SPECULAR, {1, 1, 1, 1});
  set_light0(c, POSITION, {0.5f, 1, 0.7f, 0});  // w = 0: a direction
  c.push(1).op(SET_DISPLAY_OPTION).u16(ENABLE_TRANSPARENCY);  // the ground is see-through
}

// The command line that starts `app`: its quoted absolute path keeps blanks
// whole; the number of turns follows when there is one (not negative).
std::string application_command(const char* app, bool windows, long turns) {
  std::string command;
  if (windows) {
    command = std::string("\"") + app + "\"";
  } else {
    std::error_code failed;
    std::filesystem::path path = std::filesystem::canonical(app, failed);
    command = std::string("'") + (failed ? std::string(app) : path.string()) + "'";
  }
  return turns >= 0 ? command + " " + std::to_string(turns) : command;
}

// Starts `command` as application process 0.
void start_application(yarl::YarlProgram& demo, const std::string& command) {
  uint16_t pid = demo.add(yarl::GLOBAL, yarl::make_ident(K_INTEGER), "demo_app_pid");
  demo.initial_code().push_string(command).push(0).op(START_PROCESS).assign(yarl::GLOBAL, pid);
}

}  // namespace

int main(int argc, char** argv) {
  long turns = -1;  // no limit
  bool windows = false, bad = false;
  int first = 1;
  for (; first < argc && argv[first][0] == '-' && !bad; ++first) {
    if (strcmp(argv[first], "-w") == 0) {
      windows = true;
    } else if (strcmp(argv[first], "-t") == 0 && first + 1 < argc) {
      const char* number = argv[++first];
      char* end = nullptr;
      turns = strtol(number, &end, 10);
      bad = end == number || *end != 0 || turns < 0;
    } else {
      bad = true;
    }
  }
  int operands = argc - first;
  if (bad || (operands != 1 && operands != 2)) {
    fprintf(stderr, "usage: %s [-t TURNS] [-w] OUTPUT.b [DEMO_APP]\n", argv[0]);
    return 2;
  }
  // The standard program shows identifier 1, the graphics window.
  yarl::YarlProgram demo = yarl::YarlProgram::standard();
  light(demo.initial_code());
  if (operands == 2) start_application(demo, application_command(argv[first + 1], windows, turns));
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
  uint16_t dialog = demo.add(yarl::GLOBAL, window, "demo");
  // The title finds the dialog on both systems (wine names the X class after the program).
  demo.initial_code().push_string("qob demo").op(SET_WINDOW_ATTRIBUTE).ref(yarl::GLOBAL, dialog).u8(TITLE);
  if (!demo.write(argv[first])) {
    perror(argv[first]);
    return 1;
  }
  return 0;
}

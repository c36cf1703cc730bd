// Fuzz target of resource files: any bytes are read as a resource file, in
// assign or compare mode, whole or restricted to one window, and must end in
// values, geometry and messages, never in a fault, a halt or a lost block.
// The windows are toolkit windows, so the target runs under an X server.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/checked_mm.h"
#include "fuzz/escape.h"
#include "runtime/read_resources.h"
#include "runtime/read_tables.h"
#include "runtime/save_resources.h"
#include "runtime/user_interface.h"
#include "runtime/window_record.h"
#include "tests/support/yarl_writer.h"
#include "toolkit/ui_app_context.h"

using namespace yarl;

namespace {

std::string path;
std::vector<uint16_t> fixture_windows;

ident_info variable(uint8_t kind, uint32_t word8, uint16_t max_length = 0, uint8_t flags1 = 0) {
  ident_info id = make_ident(kind);
  id.word8 = word8;
  id.word2 = max_length;
  id.flags1 = flags1;
  return id;
}

// Variables of every kind that a file can name, some hidden, plain or of
// the same name, and windows with and without resource attributes whose
// locals are of every kind too. The names are those of the seeds.
YarlProgram fixture() {
  static const char* const kind_names[] = {"r", "a", "i", "b", "c", "s"};
  YarlProgram p = YarlProgram::standard();
  uint16_t s = 0;
  for (uint8_t kind = K_REAL; kind <= K_STRING; ++kind) {
    s = p.add(GLOBAL, variable(kind, IDENT_RESOURCE), kind_names[kind]);
    p.add(GLOBAL, variable(uint8_t(K_ARRAY + kind), IDENT_RESOURCE, 3), std::string(kind_names[kind]) + "a");
  }
  p.add(GLOBAL, variable(K_ARRAY + K_STRING, IDENT_RESOURCE, 1000), "long");
  p.add(GLOBAL, variable(K_ARRAY + K_INTEGER, IDENT_RESOURCE, 0), "none");
  p.add(GLOBAL, variable(K_INTEGER, IDENT_RESOURCE, 0, IDENT_HIDDEN), "hidden");
  p.add(GLOBAL, variable(K_INTEGER, 0), "plain");
  p.add(GLOBAL, variable(K_STRING, 0), "i");  // a second "i", never found
  p.add(GLOBAL, variable(K_PICTURE, 0), "picture");
  p.initial_code().push_string("default").assign(GLOBAL, s);
  const struct {
    const char* name;
    uint8_t kind;
    uint16_t attributes;
  } windows[] = {{"w", K_MENU_WINDOW, 0x780}, {"v", K_MENU_WINDOW, 0}, {"sub", K_SUB_WINDOW, 0x280}};
  for (const auto& spec : windows) {
    ident_info menu = make_ident(K_MENU);
    ident_info w = make_ident(spec.kind);
    w.word2 = uint16_t(1 << 12 | spec.attributes);
    w.count = p.add(WINDOW_LOCAL, menu, "menu");
    for (uint8_t kind = K_REAL; kind <= K_STRING; ++kind) {
      p.add(WINDOW_LOCAL, variable(kind, IDENT_RESOURCE), std::string("l") + kind_names[kind]);
      p.add(WINDOW_LOCAL, variable(uint8_t(K_ARRAY + kind), IDENT_RESOURCE, 2), std::string("l") + kind_names[kind] + "a");
    }
    p.add(WINDOW_LOCAL, variable(K_INTEGER, 0), "lplain");
    w.word6 = 14;
    fixture_windows.push_back(p.add(GLOBAL, w, spec.name));
  }
  return p;
}

// Every resource variable and window back to its start state.
void restore_all() {
  const table& g = tables[T_GLOBALS];
  restore_resource_variable_values(&globals()[1], g.as<ident_info>(), g.as<ident_info>() + g.length);
  for (uint16_t w : fixture_windows) restore_window_resource_values(&globals()[w], RESOURCE_VARIABLES | RESOURCE_GEOMETRY);
  for (uint16_t w : fixture_windows) record_of(&globals()[w])->call_flags = 0;
}

void write_input(const uint8_t* data, size_t size) {
  FILE* f = fopen(path.c_str(), "wb");
  if (f == nullptr || fwrite(data, 1, size, f) != size || fclose(f) != 0) {
    perror(path.c_str());
    abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (getenv("DISPLAY") == nullptr) {
    fputs("read_resources_fuzz: needs an X server (DISPLAY), e.g. under xvfb-run\n", stderr);
    abort();
  }
  path = "/tmp/read_resources_fuzz_" + std::to_string(getpid());
  InitMallocBalance();
  new UIAppContext(false, nullptr, nullptr, 0, 0, 10, 11);
  std::vector<uint8_t> bytes = fixture().bytes();
  decode_tables(bytes.data(), bytes.size());
  preset_user_interface("", true, false, nullptr, nullptr, nullptr);
  // The name index is made by the first lookup of a name and kept.
  static const uint8_t line[] = "r:\t0\n";
  write_input(line, sizeof line - 1);
  read_resources(&globals()[1], path.c_str(), nullptr, false, 3);
  // STRING locals without initial code hold no string until the first restore.
  restore_all();
  return 0;
}

// The first byte chooses the mode: bit 0 compare, bits 1-2 the flags, bits
// 3-4 the window restriction (none, or one of the three windows).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  uint8_t mode = data[0];
  write_input(data + 1, size - 1);
  int32_t balance = GetMallocBalance();
  unsigned which = mode >> 3 & 3;
  ident_info* window = which == 0 ? nullptr : &globals()[fixture_windows[which - 1]];
  read_resources(&globals()[1], path.c_str(), window, mode & 1, mode >> 1 & 3);
  restore_all();
  if (GetMallocBalance() != balance) {
    fprintf(stderr, "read_resources_fuzz: %d checked blocks left after the run\n", GetMallocBalance() - balance);
    abort();
  }
  unlink(path.c_str());
  return 0;
}

// Fuzz target of the partner protocol: any bytes go to the message decoder
// (each message decoded and dispatched into a loaded program's windows) or
// to the check of received configuration code; neither may fault, hang or
// lose a block. The windows are toolkit windows, so the target runs under an
// X server.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/checked_mm.h"
#include "link/connect.h"
#include "runtime/read_tables.h"
#include "runtime/user_interface.h"
#include "runtime/window_record.h"
#include "tests/support/yarl_writer.h"
#include "toolkit/ui_app_context.h"

using namespace yarl;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (getenv("DISPLAY") == nullptr) {
    fputs("partner_fuzz: needs an X server (DISPLAY), e.g. under xvfb-run\n", stderr);
    abort();
  }
  InitMallocBalance();
  new UIAppContext(false, nullptr, nullptr, 0, 0, 10, 11);
  YarlProgram p = YarlProgram::standard();
  ident_info resource = make_ident(K_STRING);
  resource.word8 |= IDENT_RESOURCE;
  p.add(GLOBAL, resource, "title");
  ident_info menu = make_ident(K_MENU);
  ident_info w = make_ident(K_MENU_WINDOW);
  w.word2 = 1 << 12;
  w.word6 = 1;
  w.count = p.add(WINDOW_LOCAL, menu, "menu");
  p.add(GLOBAL, w, "main");
  std::vector<uint8_t> bytes = p.bytes();
  decode_tables(bytes.data(), bytes.size());
  preset_user_interface("", true, false, nullptr, nullptr, nullptr);
  return 0;
}

// The first byte chooses: even, the rest is configuration code; odd, the
// rest is the byte stream of a connection, read as partner messages.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  int32_t balance = GetMallocBalance();
  if ((data[0] & 1) == 0) {
    partner_code_acceptable(data + 1, size - 1);
  } else {
    size_t at = 1;
    while (at < size) {
      size_t length = data[at];
      if (length == 0 || at + 1 + length > size) break;
      treat_event(data + at + 1, length);
      at += 1 + length;
    }
  }
  if (GetMallocBalance() != balance) {
    fprintf(stderr, "partner_fuzz: %d checked blocks left after the run\n", GetMallocBalance() - balance);
    abort();
  }
  return 0;
}

// Input through the system's SendInput: the modifier bits of key events and
// the server's wait ended by a key. They take the foreground, so they run on
// an X server of their own (on_own_server.sh).
#include "tests/platform/win/event_windows.h"

#include <thread>

#include "platform/posix_services.h"

namespace {

using Input = EventWindows;

// Another program's window may take the foreground while a test types; a key
// that went there is typed again, at most three times.
constexpr int attempts = 3;

TEST_F(Input, ModifierKeysGiveXsModifierBits) {
  select(child_, KeyPressMask);
  const struct {
    WORD vk;
    unsigned bit;
  } table[] = {{VK_MENU, Mod1Mask}, {VK_SHIFT, ShiftMask}, {VK_CONTROL, ControlMask}};
  for (const auto& c : table) {
    SCOPED_TRACE(c.vk);
    XEvent e;
    bool typed = false;
    for (int i = 0; i < attempts && !typed; ++i) {
      take_keyboard();
      send_keys({{c.vk, true}, {'Q', true}, {'Q', false}, {c.vk, false}});
      typed = key_press('Q', &e);
    }
    ASSERT_TRUE(typed);
    EXPECT_EQ(e.xkey.state & (ShiftMask | ControlMask | Mod1Mask | Mod2Mask), c.bit);
    drain();
  }
}

TEST_F(Input, AKeyEndsTheServersWait) {
  select(child_, KeyPressMask);
  ASSERT_TRUE(register_display_connection(0, [](void* d) { return XPending(static_cast<Display*>(d)) > 0; }, d_));
  int ready = 0;
  fd_set read;
  for (int i = 0; i < attempts && ready == 0; ++i) {
    take_keyboard();
    std::thread typist([] {
      Sleep(50);
      send_keys({{'W', true}, {'W', false}});
    });
    FD_ZERO(&read);
    FD_SET(0, &read);
    timeval limit{3, 0};
    ready = nt_select(1, &read, nullptr, nullptr, &limit);  // a key ends it long before the limit
    typist.join();
  }
  unregister_display_connection(0);
  EXPECT_EQ(ready, 1);
  EXPECT_TRUE(FD_ISSET(0, &read));
  XEvent e;
  ASSERT_TRUE(key_press('W', &e));
}

}  // namespace

// The layer's headers as the Windows build sees them: all of them together in
// one program, X records at their 64-bit Windows sizes (long is 32 bits), and
// window ids that carry a handle with its high bit set back to the handle.
// GoogleTest before X, whose None and Bool it would meet.
#include <gtest/gtest.h>

// The layer first: windows.h before X, whose macros would meet its field names.
#include "platform/win/layer.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XInput.h>
#include <X11/keysym.h>

namespace {

TEST(LayerHeaders, RecordsHaveTheirWindowsSizes) {
  static_assert(sizeof(long) == 4);
  EXPECT_EQ(sizeof(XEvent), 96u);  // 24 longs
  EXPECT_EQ(sizeof(XID), 4u);
  EXPECT_EQ(offsetof(XAnyEvent, display), 16u);
  EXPECT_EQ(offsetof(Lx_Visual, visual), 0u);
}

TEST(LayerHeaders, WindowIdsGiveBackTheirHandles) {
  for (intptr_t h : {intptr_t(0x10024), intptr_t(0x7ffffffe), intptr_t(int32_t(0x80000010)), intptr_t(-2)}) {
    HWND hwnd = reinterpret_cast<HWND>(h);
    EXPECT_EQ(Lx_Hwnd(Lx_WindowId(hwnd)), hwnd) << h;
  }
}

}  // namespace

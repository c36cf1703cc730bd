#include "tests/toolkit/other_client.h"

#include <windows.h>

#include <cstring>

bool another_program_takes_primary() {
  // Opened for no window, the emptied clipboard has no owner of ours: our
  // window hears of the loss as from any other program.
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 6);
  if (block == nullptr) return false;
  memcpy(GlobalLock(block), "other", 6);
  GlobalUnlock(block);
  bool taken = false;
  for (int i = 0; i < 10 && !taken; ++i) {
    if (OpenClipboard(nullptr)) {
      taken = EmptyClipboard() && SetClipboardData(CF_TEXT, block) != nullptr;
      CloseClipboard();
    } else {
      Sleep(20);
    }
  }
  if (!taken) GlobalFree(block);
  return taken;
}

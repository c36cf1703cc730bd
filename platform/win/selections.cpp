#include "platform/win/selections.h"

#include <cstring>

#include "base/checked_mm.h"

namespace {

// Another program may hold the clipboard open for a moment (a clipboard
// manager copying what was just put there): a few tries before giving up.
constexpr int kOpenTries = 10;
constexpr DWORD kOpenPauseMs = 20;

bool open_clipboard(HWND owner) {
  for (int i = 0; i < kOpenTries; ++i) {
    if (OpenClipboard(owner)) return true;
    if (i + 1 < kOpenTries) Sleep(kOpenPauseMs);
  }
  return false;
}

}  // namespace

bool Lx_GetClipboardText(HWND owner, char** text, size_t* length) {
  *text = nullptr;
  *length = 0;
  if (!open_clipboard(owner)) return false;
  HANDLE data = IsClipboardFormatAvailable(CF_TEXT) ? GetClipboardData(CF_TEXT) : nullptr;
  const char* block = data != nullptr ? static_cast<const char*>(GlobalLock(data)) : nullptr;
  if (block != nullptr) {
    // A block without a terminator ends where the block ends.
    const size_t n = strnlen(block, GlobalSize(data));
    *text = static_cast<char*>(CheckedMalloc(n + 1));
    memcpy(*text, block, n);
    (*text)[n] = '\0';
    *length = n;
    GlobalUnlock(data);
  }
  CloseClipboard();
  return *text != nullptr;
}

bool Lx_SetClipboardText(HWND owner, const char* text, size_t length) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 1);
  if (block == nullptr) return false;
  char* bytes = static_cast<char*>(GlobalLock(block));
  memcpy(bytes, text, length);
  bytes[length] = '\0';
  GlobalUnlock(block);
  if (!open_clipboard(owner)) {
    GlobalFree(block);
    return false;
  }
  EmptyClipboard();
  const bool put = SetClipboardData(CF_TEXT, block) != nullptr;
  CloseClipboard();
  if (!put) GlobalFree(block);
  return put;
}

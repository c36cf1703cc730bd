// The message-box hook.
#include "platform/win/message_boxes.h"

namespace {

int show_system_message_box(const char* text, const char* title, UINT type) {
  return MessageBoxA(nullptr, text, title, type);
}
Lx_MessageBoxHook message_box_hook = show_system_message_box;

}  // namespace

Lx_MessageBoxHook Lx_SetMessageBoxHook(Lx_MessageBoxHook hook) {
  Lx_MessageBoxHook previous = message_box_hook;
  message_box_hook = hook != nullptr ? hook : show_system_message_box;
  return previous;
}

int Lx_MessageBox(const char* text, const char* title, UINT type) { return message_box_hook(text, title, type); }

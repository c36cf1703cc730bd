// The launcher's message boxes, through the layer's hook so that tests see
// them, and the system's file-open dialog.
#include <windows.h>
#include <commdlg.h>

#include "platform/launcher_services.h"
#include "platform/win/message_boxes.h"

void show_message(const std::string& text, bool error) {
  Lx_MessageBox(text.c_str(), "Vorq Viewer", MB_OK | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}

dialog_result open_file_dialog(std::string* path) {
  char name[1024] = "";
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.lpstrFilter = "Vorq Viewer Files (*.vf)\0*.vf\0All Files (*.*)\0*.*\0";
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name;
  dialog.nMaxFile = sizeof name;
  dialog.lpstrTitle = "Open Vorq Viewer File";
  dialog.lpstrDefExt = "VF";
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (GetOpenFileNameA(&dialog)) {
    *path = name;
    return dialog_result::chosen;
  }
  return CommDlgExtendedError() == 0 ? dialog_result::cancelled : dialog_result::failed;
}

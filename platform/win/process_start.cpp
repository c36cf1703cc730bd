// The start of a child process with its own standard handles only.
#include "platform/win/process_start.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

bool start_process(char* command, HANDLE streams[3], DWORD flags, PROCESS_INFORMATION* pi) {
  HANDLE listed[3];
  int nlisted = 0;
  for (int i = 0; i < 3; ++i) {
    if (streams[i] == nullptr) continue;
    bool seen = false;
    for (int j = 0; j < nlisted; ++j) seen |= listed[j] == streams[i];
    if (!seen) listed[nlisted++] = streams[i];
  }
  STARTUPINFOEXA si{};
  si.StartupInfo.cb = sizeof si;
  si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  si.StartupInfo.hStdInput = streams[0];
  si.StartupInfo.hStdOutput = streams[1];
  si.StartupInfo.hStdError = streams[2];
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  void* list = size > 0 ? malloc(size) : nullptr;
  bool listing = list != nullptr &&
                 InitializeProcThreadAttributeList(LPPROC_THREAD_ATTRIBUTE_LIST(list), 1, 0, &size);
  if (listing && nlisted > 0 &&
      UpdateProcThreadAttribute(LPPROC_THREAD_ATTRIBUTE_LIST(list), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, listed,
                                sizeof(HANDLE) * size_t(nlisted), nullptr, nullptr)) {
    si.lpAttributeList = LPPROC_THREAD_ATTRIBUTE_LIST(list);
    flags |= EXTENDED_STARTUPINFO_PRESENT;
  }
  BOOL made = CreateProcessA(nullptr, command, nullptr, nullptr, nlisted > 0, flags, nullptr, nullptr,
                             &si.StartupInfo, pi);
  DWORD error = GetLastError();
  if (listing) DeleteProcThreadAttributeList(LPPROC_THREAD_ATTRIBUTE_LIST(list));
  free(list);
  SetLastError(error);
  return made;
}

int start_errno(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
      return EACCES;
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
    case ERROR_BAD_FORMAT:
    case ERROR_INVALID_EXE_SIGNATURE:
      return ENOEXEC;
    default:
      return ENOENT;
  }
}

void system_error_text(DWORD error, char* text, size_t size) {
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                           DWORD(size), nullptr);
  if (n == 0) snprintf(text, size, "System error %lu.", static_cast<unsigned long>(error));
}

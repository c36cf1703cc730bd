// The launcher's files, folders and server start over Win32.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/launcher_services.h"
#include "platform/win/process_start.h"

const char* const server_program_name = "qob.exe";

namespace {

bool is_separator(char c) { return c == '/' || c == '\\'; }

}  // namespace

bool file_exists(const std::string& path) {
  // A folder opens only with backup semantics, so it is no file here.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

// "C:viewer.exe" has the drive's current folder, "C:."; a root loses its
// separator ("C:\viewer.exe" gives "C:"), as a "/" and a name follow it.
std::string launcher_directory(const char* argument0) {
  std::string path = argument0;
  size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) + "." : "./";
  path.erase(slash);
  while (!path.empty() && is_separator(path.back())) path.pop_back();
  return path;
}

bool temporary_directory(std::string* folder, std::string* log_prefix) {
  char path[MAX_PATH + 1];
  DWORD n = GetTempPathA(sizeof path, path);
  if (n == 0 || n > MAX_PATH) return false;
  *log_prefix = path;
  *folder = path;
  if (folder->back() == '\\') folder->back() = '/';
  return true;
}

int start_server(const std::vector<std::string>&, const std::string& command_line, const std::string& log_file) {
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  HANDLE out = CreateFileA(log_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return -98;
  HANDLE err = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), out, GetCurrentProcess(), &err, 0, TRUE, DUPLICATE_SAME_ACCESS))
    err = nullptr;
  HANDLE streams[3] = {nullptr, out, err};
  std::string line = command_line;  // CreateProcess may write into it
  PROCESS_INFORMATION pi{};
  bool made = start_process(line.data(), streams, DETACHED_PROCESS, &pi);
  DWORD error = made ? 0 : GetLastError();
  CloseHandle(out);
  if (err != nullptr) CloseHandle(err);
  if (made) {
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
  }
  errno = start_errno(error);
  if (error != 0) {
    char text[512] = "";
    system_error_text(error, text, sizeof text);
    fprintf(stderr, "Error in CreateProcess: %s\n%s\n", command_line.c_str(), text);
    fflush(stderr);
  }
  return -2;
}

// Under wine the tools are Unix programs: wine's ntdll starts one and waits
// for its exit status, and its kernel32 gives a file's Unix path.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/scene/host_tools.h"

namespace host_tools {

namespace {

using SpawnFunction = LONG(__cdecl*)(char* const argv[], int wait);
using UnixNameFunction = char*(__cdecl*)(const WCHAR* dos_name);

template <typename Function>
Function wine_function(const char* module, const char* name) {
  HMODULE handle = GetModuleHandleA(module);
  return handle == nullptr ? nullptr : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}

// /bin/sh -c `command`, waited for: its exit status, -1 when it did not start.
int spawn_shell(const std::string& command) {
  auto spawn = wine_function<SpawnFunction>("ntdll.dll", "__wine_unix_spawnvp");
  if (spawn == nullptr) return -1;
  std::string sh = "/bin/sh", c = "-c", line = command;
  char* argv[] = {sh.data(), c.data(), line.data(), nullptr};
  LONG status = spawn(argv, 1);
  return status >= 0 && status < 256 ? int(status) : -1;
}

}  // namespace

std::string tool_path(const std::string& path) {
  auto unix_name = wine_function<UnixNameFunction>("kernel32.dll", "wine_get_unix_file_name");
  int length = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  if (unix_name == nullptr || length <= 0) return path;
  std::wstring wide(size_t(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), length);
  char* name = unix_name(wide.c_str());
  if (name == nullptr) return path;
  std::string unix_path = name;
  HeapFree(GetProcessHeap(), 0, name);
  return unix_path;
}

std::string shell(const std::string& command, int* status) {
  // The output goes to a file beside the test's temporary files, read back once the tool has ended.
  std::error_code failed;
  std::filesystem::path out_file = std::filesystem::temp_directory_path(failed) /
                                   ("qob_tool_" + std::to_string(GetCurrentProcessId()) + ".out");
  int s = spawn_shell("(" + command + ") >'" + tool_path(out_file.generic_string()) + "'");
  if (status != nullptr) *status = s;
  std::ifstream in(out_file, std::ios::binary);
  std::string out{std::istreambuf_iterator<char>(in), {}};
  in.close();
  std::filesystem::remove(out_file, failed);
  return out;
}

int run(const std::string& command) { return spawn_shell(command); }

}  // namespace host_tools

// A stand-in for the server under the launcher: records its command line, its
// arguments as the C runtime splits them and what it was given, says one line
// on each output and stays a while, so the launcher must not wait for it.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Written aside and then moved in place, so a reader sees the whole file.
void write_whole(const std::string& path, const std::string& contents) {
  std::string part = path + ".part";
  FILE* f = fopen(part.c_str(), "wb");
  if (f == nullptr) return;
  fwrite(contents.data(), 1, contents.size(), f);
  fclose(f);
  MoveFileExA(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void say(DWORD stream, const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(stream), text, DWORD(strlen(text)), &written, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  char self[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string tree = self;
  tree.erase(tree.find_last_of("\\/"));
  tree += "\\..\\";
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  std::string given = std::string("console ") + (GetConsoleCP() != 0 ? "yes" : "no") + "\ninput " +
                      (input == nullptr || input == INVALID_HANDLE_VALUE ? "none" : "some") + "\n";
  std::string arguments;
  for (int i = 0; i < argc; ++i) arguments += std::string("[") + argv[i] + "]\n";
  write_whole(tree + "pid", std::to_string(GetCurrentProcessId()));
  write_whole(tree + "command", GetCommandLineA());
  write_whole(tree + "given", given);
  write_whole(tree + "args", arguments);
  say(STD_OUTPUT_HANDLE, "standing-in\n");
  say(STD_ERROR_HANDLE, "on-error\n");
  Sleep(20000);
  return 0;
}

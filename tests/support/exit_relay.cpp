// Runs the command line that follows its own name, with its standard handles,
// and ends with that program's exit code. Under wine the wineserver kills a
// process whose Unix side takes more than about half a second to end after
// its Windows exit (the GL driver's teardown under load does), so its Unix
// status becomes SIGKILL though its exit code was already set; a light parent
// that passes the code on lets a test's result be the program's own.
#include <windows.h>

#include <cstdio>

int main() {
  wchar_t* rest = GetCommandLineW();
  // Past the relay's own name, quoted or not, and the blanks after it.
  if (*rest == L'"') {
    ++rest;
    while (*rest != L'\0' && *rest != L'"') ++rest;
    if (*rest == L'"') ++rest;
  } else {
    while (*rest != L'\0' && *rest != L' ' && *rest != L'\t') ++rest;
  }
  while (*rest == L' ' || *rest == L'\t') ++rest;
  if (*rest == L'\0') {
    std::fputs("usage: exit_relay PROGRAM [ARGUMENT...]\n", stderr);
    return 2;
  }
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, rest, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process)) {
    std::fprintf(stderr, "exit_relay: cannot start %ls (error %lu)\n", rest, GetLastError());
    return 127;
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  return int(code);
}

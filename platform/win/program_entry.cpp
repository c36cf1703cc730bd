// The Windows entry: standard streams that open somewhere (the console, else
// files in the working directory), the layer and Winsock started, then the
// program's main with the C runtime's arguments and environment.
#include <winsock2.h>
#include <windows.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/win/layer.h"
#include "platform/program_entry.h"

namespace {

// A stream without a descriptor (a program without a console) is reopened on
// the console device, else on the file; exit status 1 when neither opens.
void connect_stream(FILE* stream, const char* file) {
  errno = 0;
  if (_fileno(stream) >= 0 && errno == 0) return;
  errno = 0;
  if (freopen("CON", "w", stream) != nullptr && errno == 0) return;
  errno = 0;
  if (freopen(file, "w", stream) != nullptr && errno == 0) return;
  exit(1);
}

// Descriptor 1 or 2 gone bad while its stream works: the stream's own
// descriptor takes its place.
void mend_descriptor(int fd, FILE* stream) {
  struct _stat status;
  if (_fstat(fd, &status) != 0 && errno == EBADF) _dup2(_fileno(stream), fd);
  errno = 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  connect_stream(stdout, "qob_stdout");
  connect_stream(stderr, "qob_stderr");
  setvbuf(stderr, nullptr, _IONBF, 0);
  mend_descriptor(1, stdout);
  mend_descriptor(2, stderr);
  PresetX11Emulation(instance);
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  return program_main(__argc, __argv, _environ);
}

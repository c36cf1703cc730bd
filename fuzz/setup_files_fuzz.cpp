// Fuzz targets of the render-setup files, one per reader (SETUP_FILE: 0 the
// lexer, 1 the light, 2 the design, 3 the room file). Any bytes must give
// tokens until the end, or a record whose file, once written, reads back
// and writes again to the same bytes; the checked-block balance must come
// back to where it was.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/checked_mm.h"
#include "fuzz/input_file.h"
#include "setup_files/design_file.h"
#include "setup_files/light_file.h"
#include "setup_files/room_file.h"
#include "setup_files/setup_lexer.h"

// The writers sync each file before renaming it; the fuzz target's files
// need no durability, and a real sync would cost most of every run.
extern "C" int fsync(int) { return 0; }

namespace {

std::string file(const char* name) {
  static const std::string prefix = "/tmp/qob_setup_fuzz_" + std::to_string(getpid()) + "_";
  return prefix + name;
}

void remove_input() { unlink(file("in").c_str()); }

bool write_input(const uint8_t* data, size_t size) {
  const std::string& path = file("in");  // made first, so it is destroyed after the removal at exit
  static const bool removed_at_exit = atexit(remove_input) == 0;
  (void)removed_at_exit;
  return write_input_file(path.c_str(), data, size);
}

[[maybe_unused]] std::string contents(const std::string& path) {
  std::string bytes;
  if (FILE* f = fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    fclose(f);
  }
  return bytes;
}

[[maybe_unused]] void lex_all(size_t size) {
  trq_infile = trq_open_input(file("in").c_str());
  if (trq_infile == nullptr) abort();
  // Every token takes at least one byte.
  size_t tokens = 0;
  while (TrqLex() != TOKEN_END)
    if (++tokens > size + 1) abort();
  fclose(trq_infile);
  trq_infile = nullptr;
}

// One file kind's reader, writer and release.
template <typename Record>
struct file_kind {
  int (*read)(const char*, Record**);
  int (*write)(const char*, const Record*);
  void (*release)(Record*);
};

// Reads the input, then writes and reads twice: a value that the writer
// leaves out (one holding the unset value) reads back as its default, so
// the files from the second write on must be equal.
template <typename Record>
void write_read_write(const file_kind<Record>& kind) {
  Record* record;
  if (kind.read(file("in").c_str(), &record) != 0 || record == nullptr) abort();
  std::string written[3];
  for (int round = 0; round < 3; ++round) {
    std::string path = file(round == 0 ? "a" : round == 1 ? "b" : "c");
    int result = kind.write(path.c_str(), record);
    kind.release(record);
    if (result != 0) {
      // Refused (a name that would not read back) or nothing to write: no file.
      if (access(path.c_str(), F_OK) == 0) abort();
      if (round > 0) abort();  // what was written once is written again
      return;
    }
    written[round] = contents(path);
    if (kind.read(path.c_str(), &record) != 0) abort();
    unlink(path.c_str());
  }
  kind.release(record);
  if (written[1] != written[2]) abort();
}

[[maybe_unused]] int read_design(const char* path, TrqDsn** design) {
  int result = TrqDsnRead(path, design);
  return result == 1 && *design == nullptr ? 1 : 0;
}
[[maybe_unused]] int read_room(const char* path, TrqDrm** room) { return TrqDrmRead(path, room); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!write_input(data, size)) abort();
  int32_t balance = GetMallocBalance();
#if SETUP_FILE == 0
  lex_all(size);
#elif SETUP_FILE == 1
  write_read_write(file_kind<TrqDlg>{TrqDlgRead, TrqDlgWrite, TrqDlgFree});
#elif SETUP_FILE == 2
  write_read_write(file_kind<TrqDsn>{read_design, TrqDsnWrite, TrqDsnFree});
#else
  write_read_write(file_kind<TrqDrm>{read_room, TrqDrmWrite, TrqDrmFree});
#endif
  if (GetMallocBalance() != balance) abort();
  return 0;
}

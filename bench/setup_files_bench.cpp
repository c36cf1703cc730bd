// Reading a light file of 10,000 lights (TrqDlgRead), against a plain getc
// loop over the same bytes, measured in pairs in the same run.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/checked_mm.h"
#include "bench/paired.h"
#include "setup_files/light_file.h"

int main(int argc, char** argv) {
  uint32_t count = argc > 1 ? uint32_t(atoi(argv[1])) : max_lights;
  if (count == 0 || count > max_lights) count = max_lights;
  InitMallocBalance();
  char path[] = "/tmp/qob_setup_bench_XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return 1;
  close(fd);

  // Lights of every type, as the export writes them.
  std::vector<uint32_t> type(count), shadow(count);
  std::vector<float> f(count);
  std::vector<uint8_t> flags(count);
  for (uint32_t i = 0; i < count; ++i) {
    type[i] = 1 + i % 4;
    shadow[i] = 1 + i % 3;
    f[i] = float(i % 100) / 100.0f;
  }
  const bool* b = reinterpret_cast<const bool*>(flags.data());
  if (TrqDlgExport(path, count, type.data(), b, f.data(), f.data(), f.data(), b, f.data(), f.data(), f.data(),
                   f.data(), f.data(), f.data(), f.data(), f.data(), shadow.data(), f.data()) != 0) {
    unlink(path);
    return 1;
  }

  long checksum = 0;
  paired::Result r = paired::measure(
      15,
      [&] {
        auto t0 = std::chrono::steady_clock::now();
        TrqDlg* list;
        if (TrqDlgRead(path, &list) != 0) return -1.0;
        double t = paired::seconds_since(t0);
        checksum += list->count;
        TrqDlgFree(list);
        return t;
      },
      [&] {
        auto t0 = std::chrono::steady_clock::now();
        FILE* in = fopen(path, "r");
        if (in == nullptr) return -1.0;
        int c;
        while ((c = getc(in)) != EOF) checksum += c;
        fclose(in);
        return paired::seconds_since(t0);
      });
  unlink(path);
  char name[64];
  snprintf(name, sizeof name, "TrqDlgRead, %u lights", count);
  paired::report(name, r, "getc loop over the file", 4.0);
  return checksum == 0 || GetMallocBalance() != 0;
}

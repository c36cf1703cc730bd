// The vector-run stream of the stream benchmarks: 12-bit addresses on a slow
// curve, as a plotting client sends them.
#pragma once

#include <cmath>
#include <cstddef>
#include <string>

#include "tests/support/protocol.h"

namespace vector_stream_bench {

// A 12-bit address as a plotting client sends it: only the parts that
// changed, with LoY wherever HiX or Extra needs it.
struct Addresser {
  int hiy = -1, extra = -1, loy = -1, hix = -1;
  void put(std::string& out, unsigned x, unsigned y) {
    int new_hiy = int(y >> 7), new_extra = int(((y & 3) << 2) | (x & 3)), new_loy = int((y >> 2) & 31),
        new_hix = int(x >> 7);
    if (new_hiy != hiy) out += char(32 + new_hiy);
    bool extra_changed = new_extra != extra;
    if (extra_changed) out += char(96 + new_extra);
    if (extra_changed || new_loy != loy || new_hix != hix) out += char(96 + new_loy);
    if (new_hix != hix) out += char(32 + new_hix);
    out += char(64 + (x >> 2 & 31));
    hiy = new_hiy, extra = new_extra, loy = new_loy, hix = new_hix;
  }
};

// Segments of 20 vector runs of 1000 points each on a slow curve; each
// segment deletes the one before it, so the store's blocks are freed and
// taken again as a long plot does.
inline std::string vector_stream(size_t bytes) {
  std::string s;
  Addresser a;
  long segment = 0;
  double t = 0;
  while (s.size() < bytes) {
    ++segment;
    s += tek::command("SO") + tek::int_param(segment);
    for (int run = 0; run < 20; ++run) {
      s += tek::GS;
      for (int i = 0; i < 1000; ++i, t += 0.0007) {
        unsigned x = unsigned(2047 + 2000 * std::sin(3 * t)), y = unsigned(2047 + 2000 * std::cos(5 * t));
        a.put(s, x, y);
      }
      s += tek::US;
    }
    s += tek::command("SC");
    if (segment > 1) s += tek::command("SK") + tek::int_param(segment - 1);
  }
  return s;
}

}  // namespace vector_stream_bench

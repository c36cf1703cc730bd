// The preferences file's line parser over any bytes, cut into lines as the
// reader cuts them (at most 98 characters, through a line feed), on screens
// of a few sizes; each written file must read back to the same settings.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "builder/ib_prefs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  builder_prefs prefs;
  int width = 1 + (size > 0 ? data[0] : 0) * 8, height = 1 + (size > 1 ? data[1] : 0) * 8;
  char line[99];
  size_t at = 0;
  while (at < size) {
    size_t n = 0;
    while (n < 98 && at < size) {
      char c = char(data[at++]);
      line[n++] = c;
      if (c == '\n') break;
    }
    line[n] = '\0';
    apply_prefs_line(line, width, height, &prefs);
  }
  char text[1024];
  format_prefs(prefs, text, sizeof text);
  builder_prefs again;
  for (char* p = text; *p != '\0';) {
    char* end = strchr(p, '\n');
    size_t n = size_t(end - p) + 1;
    if (n > 98) return 0;  // a long editor command is split on reading, as it should be
    memcpy(line, p, n);
    line[n] = '\0';
    apply_prefs_line(line, width, height, &again);
    p = end + 1;
  }
  char text_again[1024];
  format_prefs(again, text_again, sizeof text_again);
  if (strcmp(text, text_again) != 0) abort();
  return 0;
}

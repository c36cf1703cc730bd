// The X connections that nt_select watches.
#include "platform/display_connections.h"

#include "platform/posix_services.h"

namespace {

struct display_connection {
  int fd = -1;
  bool (*pending)(void* ctx) = nullptr;
  void* ctx = nullptr;
  bool (*queued)(void* ctx) = nullptr;
};

constexpr int READ_SLOTS = 1024;  // the descriptors that have a read slot
display_connection displays[MAX_DISPLAYS];

}  // namespace

int display_index(int fd) {
  for (int d = 0; d < MAX_DISPLAYS; ++d)
    if (displays[d].fd == fd) return d;
  return -1;
}

bool display_pending(int d) { return displays[d].pending(displays[d].ctx); }

bool display_has_queue_check(int d) { return displays[d].queued != nullptr; }

bool display_queued(int d) { return displays[d].queued(displays[d].ctx); }

bool register_display_connection(int fd, bool (*pending)(void* ctx), void* ctx, bool (*queued)(void* ctx)) {
  if (fd < 0 || fd >= READ_SLOTS || pending == nullptr) return false;
  int d = display_index(fd);
  if (d < 0) d = display_index(-1);
  if (d < 0) return false;
  displays[d] = {fd, pending, ctx, queued};
  return true;
}

void unregister_display_connection(int fd) {
  int d = display_index(fd);
  if (d >= 0 && fd >= 0) displays[d] = {};
}

#include "platform/win/crossing_rules.h"

#include "base/checked_mm.h"

namespace {

// A window and its ancestors up to its top-level window, growing in steps of 20.
struct Chain {
  Window* windows = nullptr;
  int count = 0;
  int capacity = 0;

  ~Chain() {
    if (windows != nullptr) CheckedFree(windows);
  }
  void add(Window w) {
    if (count == capacity) {
      capacity += 20;
      const size_t size = capacity * sizeof(Window);
      windows = static_cast<Window*>(windows == nullptr ? CheckedMalloc(size) : CheckedRealloc(windows, size));
    }
    windows[count++] = w;
  }
  int find(Window w) const {
    for (int i = 0; i < count; ++i)
      if (windows[i] == w) return i;
    return -1;
  }
};

void collect(const Lx_WindowTree* tree, Window w, Chain* chain) {
  Lx_WindowInfo info;
  while (w != None) {
    chain->add(w);
    if (!tree->info(tree->context, w, &info) || info.top_level) return;
    w = info.parent;
  }
}

}  // namespace

void Lx_CrossingSteps(const Lx_WindowTree* tree, Window from, Window to,
                      void (*step)(void* context, const Lx_CrossingStep& step), void* context) {
  if (from == to) return;
  Chain up_from, up_to;
  collect(tree, from, &up_from);
  collect(tree, to, &up_to);
  const auto emit = [&](Window w, bool enter, int detail) { step(context, Lx_CrossingStep{w, enter, detail}); };

  const int from_in_to = up_to.find(from);
  if (from != None && from_in_to > 0) {  // `to` is an inferior of `from`
    emit(from, false, NotifyInferior);
    for (int i = from_in_to - 1; i >= 1; --i) emit(up_to.windows[i], true, NotifyVirtual);
    emit(to, true, NotifyAncestor);
    return;
  }
  const int to_in_from = up_from.find(to);
  if (to != None && to_in_from > 0) {  // `to` is an ancestor of `from`
    emit(from, false, NotifyAncestor);
    for (int i = 1; i < to_in_from; ++i) emit(up_from.windows[i], false, NotifyVirtual);
    emit(to, true, NotifyInferior);
    return;
  }
  // Up from `from` to the first window that `to` lies under, then down to `to`.
  int common_in_from = up_from.count;
  int common_in_to = up_to.count;
  for (int i = 1; i < up_from.count; ++i) {
    const int j = up_to.find(up_from.windows[i]);
    if (j >= 0) {
      common_in_from = i;
      common_in_to = j;
      break;
    }
  }
  if (from != None) emit(from, false, NotifyNonlinear);
  for (int i = 1; i < common_in_from; ++i) emit(up_from.windows[i], false, NotifyNonlinearVirtual);
  for (int i = common_in_to - 1; i >= 1; --i) emit(up_to.windows[i], true, NotifyNonlinearVirtual);
  if (to != None) emit(to, true, NotifyNonlinear);
}

// Alternating measurement of a subject and its anchor: pairs are run one
// after the other, so drift of a busy machine hits both alike, and the
// figures are medians over the pairs.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace paired {

inline double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Processor seconds of the calling thread: on a loaded machine a steadier
// figure than the wall clock for work that stays in one thread.
inline double thread_cpu_seconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

inline double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Result {
  double subject;  // median seconds of the subject
  double anchor;   // median seconds of the anchor
  double ratio;    // median of the per-pair ratios subject / anchor
  size_t pairs;    // pairs measured; 0 when every subject or anchor run failed
};

// Each callable returns its own seconds (so set-up can be left out), or a
// negative value when it failed; a failed pair is left out.
inline Result measure(int pairs, const std::function<double()>& subject, const std::function<double()>& anchor) {
  std::vector<double> s, a, r;
  for (int i = 0; i < pairs; ++i) {
    double ts = subject();
    double ta = anchor();
    if (ts < 0 || ta <= 0) continue;
    s.push_back(ts);
    a.push_back(ta);
    r.push_back(ts / ta);
  }
  return {median(s), median(a), median(r), r.size()};
}

// The figures of pairs recorded by the caller, one entry per pair in each.
inline Result of_pairs(const std::vector<double>& s, const std::vector<double>& a) {
  std::vector<double> r;
  for (size_t i = 0; i < s.size() && i < a.size(); ++i) r.push_back(s[i] / a[i]);
  return {median(s), median(a), median(r), r.size()};
}

// One line: name, subject, anchor and ratio, with the goal when given. A
// figure with no pair measured (a missing anchor program, say) is not a ratio.
inline void report(const char* name, const Result& r, const char* anchor_name, double goal = 0) {
  if (r.pairs == 0) {
    printf("%-40s not measured: every run of it or of %s failed\n", name, anchor_name);
    return;
  }
  printf("%-40s %9.4f s  %-28s %9.4f s  ratio %6.3f", name, r.subject, anchor_name, r.anchor, r.ratio);
  if (goal > 0) printf("  (goal <= %.2f: %s)", goal, r.ratio <= goal ? "met" : "missed");
  printf("\n");
}

}  // namespace paired

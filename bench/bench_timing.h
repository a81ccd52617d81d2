// Wall and CPU seconds of one call, for the benchmarks that compare a job with its floor:
// the machine is often shared, so their ratios are given both ways.
#pragma once

#include <time.h>

#include <chrono>
#include <functional>

namespace bench {

struct Seconds {
  double wall = 0;
  double cpu = 0;
};

inline double cpu_now() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

inline Seconds seconds_of(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  const double c0 = cpu_now();
  f();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), cpu_now() - c0};
}

}  // namespace bench

// What the Windows benchmarks share: the median of runs, and a message pump.
#pragma once

#include <windows.h>

#include <algorithm>
#include <vector>

namespace rdc::bench {

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Dispatches every queued message, so the windows paint and answer.
inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace rdc::bench

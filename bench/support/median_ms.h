#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

// The median of `runs` timings of `action`, in milliseconds; `prepare` runs before each timing
// and is not part of it.
template <typename Prepare, typename Action>
double MedianMs(int runs, Prepare&& prepare, Action&& action) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    prepare();
    QElapsedTimer timer;
    timer.start();
    action();
    times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The same with nothing to prepare.
template <typename Action>
double MedianMs(int runs, Action&& action) {
  return MedianMs(
      runs, [] {}, action);
}

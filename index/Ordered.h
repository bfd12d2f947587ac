// Work on many items on worker threads, handed on in the items' order.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace skarn::index {

// Runs work(i) for i = 0..count-1 on jobs threads and calls take(i, result)
// on the calling thread in the order of i. At most 2 x jobs items are begun
// ahead of the one handed on next, so the results waiting stay few whatever
// count is. take returning false ends the run: items not yet begun are left
// out, those under way are finished and dropped.
template <class Result>
void RunInOrder(size_t count, unsigned jobs, const std::function<Result(size_t)>& work,
                const std::function<bool(size_t, Result&)>& take) {
  jobs = std::max(1u, std::min<unsigned>(jobs, static_cast<unsigned>(std::max<size_t>(1, count))));
  const size_t window = 2 * static_cast<size_t>(jobs);
  std::mutex mutex;
  std::condition_variable changed;
  std::map<size_t, Result> done;
  size_t next = 0;      // the next item to begin
  size_t handed = 0;    // the next item to hand on
  bool ending = false;  // no more items are begun

  auto worker = [&] {
    for (;;) {
      size_t index = 0;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return ending || next >= count || next < handed + window; });
        if (ending || next >= count) return;
        index = next++;
      }
      Result result = work(index);
      {
        std::lock_guard<std::mutex> lock(mutex);
        done.emplace(index, std::move(result));
      }
      changed.notify_all();
    }
  };
  std::vector<std::thread> threads;
  threads.reserve(jobs);
  for (unsigned i = 0; i < jobs; ++i) threads.emplace_back(worker);

  for (;;) {
    Result result;
    size_t index = 0;
    {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait(lock, [&] { return ending || handed >= count || done.count(handed) != 0; });
      if (ending || handed >= count) break;
      auto it = done.find(handed);
      result = std::move(it->second);
      done.erase(it);
      index = handed++;
    }
    changed.notify_all();
    if (!take(index, result)) {
      std::lock_guard<std::mutex> lock(mutex);
      ending = true;
      break;
    }
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    ending = true;
  }
  changed.notify_all();
  for (std::thread& t : threads) t.join();
}

}  // namespace skarn::index

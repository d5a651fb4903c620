// Runs one piece of work per index on a few threads and hands the results
// back on the calling thread in index order, whatever order they finish in.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kelvane::fmt {

// Calls work(i) for every i in [0, count) on `jobs` threads, which take the
// next index from one shared counter (the queue), and deliver(i, result) on the
// calling thread for i = 0, 1, 2... as soon as result i is there. While it
// waits, the calling thread calls idle() about ten times a second.
// `work` must not throw.
template <typename Result, typename Work, typename Deliver, typename Idle>
void RunInOrder(size_t count, unsigned jobs, Work work, Deliver deliver, Idle idle) {
  std::vector<std::optional<Result>> results(count);
  std::mutex mutex;  // guards `results`
  std::condition_variable finished;
  std::atomic<size_t> next{0};

  auto worker = [&] {
    for (size_t i = next.fetch_add(1); i < count; i = next.fetch_add(1)) {
      Result result = work(i);
      {
        std::lock_guard lock(mutex);
        results[i] = std::move(result);
      }
      finished.notify_one();
    }
  };
  std::vector<std::jthread> threads;
  const size_t thread_count = std::clamp<size_t>(jobs, 1, std::max<size_t>(count, 1));
  for (size_t t = 0; t < thread_count && count > 0; ++t) threads.emplace_back(worker);

  for (size_t i = 0; i < count; ++i) {
    std::unique_lock lock(mutex);
    while (!finished.wait_for(lock, std::chrono::milliseconds(100),
                              [&] { return results[i].has_value(); })) {
      lock.unlock();
      idle();
      lock.lock();
    }
    Result result = std::move(*results[i]);
    results[i].reset();
    lock.unlock();
    deliver(i, result);
  }
}

}  // namespace kelvane::fmt

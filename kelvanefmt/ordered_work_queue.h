// One work queue: items are added while the folder search still runs, a few
// threads work them off, and the results come back on the calling thread in
// the order the caller asks for, whatever order they finish in.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace kelvane::fmt {

template <typename Item, typename Result>
class OrderedWorkQueue {
 public:
  // Starts `jobs` threads that call work(item) for each item added; `work`
  // must not throw.
  OrderedWorkQueue(unsigned jobs, std::function<Result(const Item&)> work)
      : work_(std::move(work)) {
    for (unsigned t = 0; t < std::max(jobs, 1u); ++t) threads_.emplace_back([this] { Work(); });
  }
  // Lets the threads finish what they hold and end.
  ~OrderedWorkQueue() { Close(); }
  OrderedWorkQueue(const OrderedWorkQueue&) = delete;
  OrderedWorkQueue& operator=(const OrderedWorkQueue&) = delete;

  // Item i is the i-th item added.
  void Add(Item item) {
    {
      std::lock_guard lock(mutex_);
      items_.push_back(std::move(item));
      results_.emplace_back();
    }
    work_added_.notify_one();
  }

  // Closes the queue, then calls deliver(i, result) for each i of `order`
  // in turn, as soon as result i is there. While it waits it calls idle()
  // about ten times a second.
  template <typename Deliver, typename Idle>
  void DeliverInOrder(const std::vector<size_t>& order, Deliver deliver, Idle idle) {
    Close();
    for (const size_t i : order) {
      std::unique_lock lock(mutex_);
      while (!result_ready_.wait_for(lock, std::chrono::milliseconds(100),
                                     [&] { return results_[i].has_value(); })) {
        lock.unlock();
        idle();
        lock.lock();
      }
      Result result = std::move(*results_[i]);
      results_[i].reset();
      lock.unlock();
      deliver(i, result);
    }
  }

 private:
  void Close() {
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
    }
    work_added_.notify_all();
  }

  // Takes the next item under the lock (a copy: the list may grow meanwhile),
  // works it without the lock, and files the result under the lock.
  void Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      work_added_.wait(lock, [this] { return next_ < items_.size() || closed_; });
      if (next_ == items_.size()) return;
      const size_t i = next_++;
      const Item item = items_[i];
      lock.unlock();
      Result result = work_(item);
      lock.lock();
      results_[i] = std::move(result);
      result_ready_.notify_one();
    }
  }

  std::function<Result(const Item&)> work_;
  std::mutex mutex_;  // guards everything below
  std::condition_variable work_added_;
  std::condition_variable result_ready_;
  std::vector<Item> items_;
  std::vector<std::optional<Result>> results_;
  size_t next_ = 0;
  bool closed_ = false;
  std::vector<std::jthread> threads_;  // last: joined before the members they use go
};

}  // namespace kelvane::fmt

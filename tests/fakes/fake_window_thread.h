#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "ports/window_thread.h"

namespace harrowlander::testing {

// The test's own thread plays the window's: what other threads invoke or post there
// waits until the test pumps.
class FakeWindowThread : public WindowThread {
 public:
  bool IsWindowThread() const override { return std::this_thread::get_id() == m_windowThread; }

  void Invoke(const std::function<void()>& call) override {
    if (IsWindowThread()) {
      call();
      return;
    }
    bool done = false;
    std::unique_lock<std::mutex> lock(m_lock);
    m_queue.push_back([&] {
      call();
      std::lock_guard<std::mutex> doneLock(m_lock);
      done = true;
      m_changed.notify_all();
    });
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return done; });
  }

  void Post(std::function<void()> call) override {
    std::lock_guard<std::mutex> lock(m_lock);
    m_queue.push_back(std::move(call));
    m_changed.notify_all();
  }

  // Runs what comes to the window's thread until `until` holds (checked after each
  // call); false when nothing more came for the patience.
  bool PumpUntil(const std::function<bool()>& until,
                 std::chrono::seconds patience = std::chrono::seconds(10)) {
    while (!until()) {
      std::function<void()> call;
      {
        std::unique_lock<std::mutex> lock(m_lock);
        if (!m_changed.wait_for(lock, patience, [&] { return !m_queue.empty(); })) {
          return false;
        }
        call = std::move(m_queue.front());
        m_queue.pop_front();
      }
      call();
    }
    return true;
  }

 private:
  const std::thread::id m_windowThread = std::this_thread::get_id();
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::deque<std::function<void()>> m_queue;
};

}  // namespace harrowlander::testing

#pragma once

// Runs the update worker on its own thread and lets the dialog wait for it in short
// slices. Waits go through the platform clock so that tests never wait in real time,
// and tests can replace the runner to step the waiting loop frame by frame.

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "platform/Platform.h"

namespace tbt::ui {

/// Starts one worker at a time and waits for its end.
class IWorkerRunner {
 public:
  virtual ~IWorkerRunner() = default;
  /// Starts `body` on a worker; false when the worker could not be started.
  virtual bool Start(std::function<void()> body) = 0;
  /// Waits up to `milliseconds` for the worker to end; true once it has ended and has
  /// been joined, after which Start may be called again.
  virtual bool WaitFor(uint32_t milliseconds) = 0;
};

/// The real runner: a std::thread, polled through the given clock.
class ThreadWorkerRunner final : public IWorkerRunner {
 public:
  /// Waits use `clock`, which must outlive the runner.
  explicit ThreadWorkerRunner(platform::IClock& clock);
  /// Joins a worker that is still running.
  ~ThreadWorkerRunner() override;
  ThreadWorkerRunner(const ThreadWorkerRunner&) = delete;
  ThreadWorkerRunner& operator=(const ThreadWorkerRunner&) = delete;

  bool Start(std::function<void()> body) override;
  bool WaitFor(uint32_t milliseconds) override;

 private:
  platform::IClock& clock_;
  std::thread thread_;
  std::atomic<bool> finished_{false};
};

}  // namespace tbt::ui

#include "dialog/WorkerRunner.h"

#include <algorithm>
#include <system_error>

namespace tbt::ui {

namespace {

// The wait looks at the worker this often, so its end is seen within a few ms.
constexpr uint64_t kPollMilliseconds = 5;

}  // namespace

ThreadWorkerRunner::ThreadWorkerRunner(platform::IClock& clock) : clock_(clock) {}

ThreadWorkerRunner::~ThreadWorkerRunner() {
  if (thread_.joinable()) {
    thread_.join();
  }
}

bool ThreadWorkerRunner::Start(std::function<void()> body) {
  if (thread_.joinable()) {
    return false;
  }
  finished_.store(false);
  try {
    thread_ = std::thread([this, body = std::move(body)] {
      body();
      finished_.store(true, std::memory_order_release);
    });
  } catch (const std::system_error&) {
    // The system could not create a thread; the caller reports it as a code.
    return false;
  }
  return true;
}

bool ThreadWorkerRunner::WaitFor(uint32_t milliseconds) {
  if (!thread_.joinable()) {
    return true;
  }
  const uint64_t deadline = clock_.NowMilliseconds() + milliseconds;
  while (!finished_.load(std::memory_order_acquire)) {
    const uint64_t now = clock_.NowMilliseconds();
    if (now >= deadline) {
      return false;
    }
    clock_.Sleep(static_cast<uint32_t>(std::min(kPollMilliseconds, deadline - now)));
  }
  thread_.join();
  return true;
}

}  // namespace tbt::ui

#pragma once

// A program started as a child process whose standard input and output are ours to
// write and read: fork and exec in one place, with every descriptor owned.

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/UniqueFd.h"

namespace tbt::platform::linux_backend {

class ChildProcess {
 public:
  /// Runs argv[0] (a path; no search) with `argv`. Its standard input is a socket, so a
  /// writer can send with MSG_NOSIGNAL and outlive a child that went away; its standard
  /// output is a pipe. nullopt when the program could not be started (no fork, no exec).
  static std::optional<ChildProcess> Start(std::vector<std::string> argv);

  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  /// Waits for the child, as Wait() does.
  ~ChildProcess();

  /// Where the child's standard input is written.
  int Input() const { return toChild_.Get(); }
  /// Where the child's standard output is read.
  int Output() const { return fromChild_.Get(); }

  /// Closes our ends (the end of its input ends a child that reads it to the end) and
  /// waits for the child. Its exit status; -1 when it did not exit normally or was
  /// already waited for.
  int Wait();

 private:
  ChildProcess(pid_t pid, UniqueFd toChild, UniqueFd fromChild);

  pid_t pid_ = -1;
  UniqueFd toChild_;
  UniqueFd fromChild_;
};

}  // namespace tbt::platform::linux_backend

#include "platform/linux/ChildProcess.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace tbt::platform::linux_backend {

namespace {

// The child's exit status when exec failed, as a shell reports a command it cannot run.
constexpr int kExecFailedStatus = 127;

struct FdPair {
  UniqueFd read;
  UniqueFd write;
};

std::optional<FdPair> SocketPair() {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    return std::nullopt;
  }
  return FdPair{UniqueFd(fds[0]), UniqueFd(fds[1])};
}

std::optional<FdPair> Pipe() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    return std::nullopt;
  }
  return FdPair{UniqueFd(fds[0]), UniqueFd(fds[1])};
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      return -1;
    }
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::optional<ChildProcess> ChildProcess::Start(std::vector<std::string> argv) {
  if (argv.empty()) {
    return std::nullopt;
  }
  // Built before the fork: the child may only make async-signal-safe calls.
  std::vector<char*> args;
  for (std::string& arg : argv) {
    args.push_back(arg.data());
  }
  args.push_back(nullptr);

  // `requests` is a socket whose first end stays ours; the child reads the second.
  std::optional<FdPair> requests = SocketPair();
  std::optional<FdPair> answers = Pipe();
  // Close-on-exec: a successful exec closes its write end, a failed one writes a byte.
  std::optional<FdPair> execFailed = Pipe();
  if (!requests || !answers || !execFailed) {
    return std::nullopt;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(requests->write.Get(), STDIN_FILENO);
    ::dup2(answers->write.Get(), STDOUT_FILENO);
    ::execv(args[0], args.data());
    const char failed = 1;
    [[maybe_unused]] ssize_t ignored = ::write(execFailed->write.Get(), &failed, 1);
    ::_exit(kExecFailedStatus);
  }
  requests->write.Reset();
  answers->write.Reset();
  execFailed->write.Reset();
  if (pid < 0) {
    return std::nullopt;
  }
  char failed = 0;
  ssize_t got = 0;
  while ((got = ::read(execFailed->read.Get(), &failed, 1)) < 0 && errno == EINTR) {
  }
  if (got != 0) {
    WaitFor(pid);
    return std::nullopt;
  }
  return ChildProcess(pid, std::move(requests->read), std::move(answers->read));
}

ChildProcess::ChildProcess(pid_t pid, UniqueFd toChild, UniqueFd fromChild)
    : pid_(pid), toChild_(std::move(toChild)), fromChild_(std::move(fromChild)) {}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      toChild_(std::move(other.toChild_)),
      fromChild_(std::move(other.fromChild_)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    Wait();
    pid_ = std::exchange(other.pid_, -1);
    toChild_ = std::move(other.toChild_);
    fromChild_ = std::move(other.fromChild_);
  }
  return *this;
}

ChildProcess::~ChildProcess() {
  Wait();
}

int ChildProcess::Wait() {
  toChild_.Reset();
  fromChild_.Reset();
  if (pid_ < 0) {
    return -1;
  }
  return WaitFor(std::exchange(pid_, -1));
}

}  // namespace tbt::platform::linux_backend

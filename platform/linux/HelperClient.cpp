#include "platform/linux/HelperClient.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/HelperProtocol.h"
#include "platform/linux/LinuxReturnValues.h"

namespace tbt::platform::linux_backend {

namespace {

constexpr uint8_t kEndOfImage[] = {'e', 'n', 'd', '\n'};

// A socket rather than a pipe carries the requests: MSG_NOSIGNAL keeps a helper that
// went away (pkexec refused) from killing us with SIGPIPE.
bool SendAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::span<const uint8_t> AsBytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

void CloseIfOpen(int* fd) {
  if (*fd >= 0) {
    ::close(*fd);
    *fd = -1;
  }
}

}  // namespace

HelperPrivilegedOps::HelperPrivilegedOps(const SysfsTree& tree, std::string helperPath,
                                         std::vector<std::string> launcher)
    : tree_(tree), helperPath_(std::move(helperPath)), launcher_(std::move(launcher)) {}

HelperPrivilegedOps::~HelperPrivilegedOps() {
  Finish();
}

bool HelperPrivilegedOps::Start() {
  std::vector<std::string> argv = launcher_;
  argv.push_back(helperPath_);
  argv.push_back("--sysfs-root");
  argv.push_back(tree_.Root().string());
  std::vector<char*> args;
  for (std::string& arg : argv) {
    args.push_back(arg.data());
  }
  args.push_back(nullptr);

  int requests[2];
  int answers[2];
  int execFailed[2];  // closed by a successful exec
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, requests) != 0) {
    return false;
  }
  if (::pipe2(answers, O_CLOEXEC) != 0) {
    ::close(requests[0]);
    ::close(requests[1]);
    return false;
  }
  if (::pipe2(execFailed, O_CLOEXEC) != 0) {
    for (int fd : {requests[0], requests[1], answers[0], answers[1]}) {
      ::close(fd);
    }
    return false;
  }
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(requests[1], STDIN_FILENO);
    ::dup2(answers[1], STDOUT_FILENO);
    ::execv(args[0], args.data());
    const char failed = 1;
    [[maybe_unused]] ssize_t ignored = ::write(execFailed[1], &failed, 1);
    ::_exit(kPkexecNotAuthorized);
  }
  ::close(requests[1]);
  ::close(answers[1]);
  ::close(execFailed[1]);
  char failed = 0;
  ssize_t got = 0;
  if (pid > 0) {
    while ((got = ::read(execFailed[0], &failed, 1)) < 0 && errno == EINTR) {
    }
  }
  ::close(execFailed[0]);
  if (pid < 0 || got != 0) {
    ::close(requests[0]);
    ::close(answers[0]);
    if (pid > 0) {
      while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }
    return false;
  }
  pid_ = pid;
  toHelper_ = requests[0];
  fromHelper_ = answers[0];
  return true;
}

uint32_t HelperPrivilegedOps::Request(const std::string& line, std::span<const uint8_t> image,
                                      bool withImage, std::string* answer) {
  if (pid_ < 0 && !Start()) {
    return kTbtHelperFailed;
  }
  // A refused authorisation shows as a helper that reads nothing and ends; its answer
  // (or its exit status) is read all the same.
  if (SendAll(toHelper_, AsBytes(line)) && withImage && SendAll(toHelper_, image)) {
    SendAll(toHelper_, kEndOfImage);
  }
  std::string text;
  char c = 0;
  for (;;) {
    const ssize_t n = ::read(fromHelper_, &c, 1);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0 || text.size() > 4096) {
      return Ended();
    }
    text.push_back(c);
    uint32_t code = 0;
    if (c == '\n' && ParseHelperResultLine(text, &code)) {
      if (answer != nullptr) {
        *answer = text;
      }
      return code;
    }
  }
}

uint32_t HelperPrivilegedOps::Ended() {
  const int exitStatus = Stop();
  return !launcher_.empty() &&
                 (exitStatus == kPkexecDismissed || exitStatus == kPkexecNotAuthorized)
             ? kTbtAuthorizationRefused
             : kTbtHelperFailed;
}

int HelperPrivilegedOps::Stop() {
  if (pid_ < 0) {
    return -1;
  }
  // The end of its input ends the helper.
  CloseIfOpen(&toHelper_);
  CloseIfOpen(&fromHelper_);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void HelperPrivilegedOps::Finish() {
  Stop();
}

uint32_t HelperPrivilegedOps::WriteNvmAndAuthenticate(const std::string& router,
                                                      std::span<const uint8_t> image) {
  return Request(FlashRequestLine(router, image), image, true);
}

uint32_t HelperPrivilegedOps::SetForcePower(bool on) {
  // Off with no helper running: this update never switched power on through one (the
  // prompt was dismissed, say), so it asks for no second authorisation just to switch
  // off. Power left on by an earlier update stays on, which is the safe side.
  if (!tree_.FindForcePower() || (!on && pid_ < 0)) {
    return kTbtOk;
  }
  return Request(on ? "force-power 1\n" : "force-power 0\n", {}, false);
}

uint32_t HelperPrivilegedOps::ReadAuthenticationStatus(const std::string& router,
                                                       uint32_t* status) {
  std::string answer;
  const uint32_t code = Request("auth-status " + router + "\n", {}, false, &answer);
  if (code != kTbtOk) {
    return code;
  }
  return ParseHelperStatusLine(answer, status) ? kTbtOk : kTbtHelperFailed;
}

}  // namespace tbt::platform::linux_backend

#include "platform/linux/HelperProtocol.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/linux/LinuxReturnValues.h"

namespace tbt::platform::linux_backend {

namespace {

constexpr char kUsage[] =
    "usage: tbt-nvm-helper [--sysfs-root DIR] flash ROUTER | force-power 0|1 | auth-status "
    "ROUTER\n";
constexpr std::string_view kResultPrefix = "result 0x";
constexpr std::string_view kStatusPrefix = "status 0x";

// "<prefix><8 hex digits>\n".
std::string TaggedLine(std::string_view prefix, uint32_t value) {
  char digits[16];
  std::snprintf(digits, sizeof(digits), "%08X\n", value);
  return std::string(prefix) + digits;
}

// True for a host router of the tree given by a plain name, the only routers the
// helper touches.
bool IsHostRouterOf(const SysfsTree& tree, const std::string& router) {
  const std::vector<std::string> routers = tree.HostRouters();
  return IsPlainName(router) && std::find(routers.begin(), routers.end(), router) != routers.end();
}

// Finds "<prefix><8 hex digits>\n" in the text.
bool ParseTaggedLine(std::string_view text, std::string_view prefix, uint32_t* value) {
  const size_t at = text.find(prefix);
  if (at == std::string_view::npos || (at != 0 && text[at - 1] != '\n')) {
    return false;
  }
  const std::string_view digits = text.substr(at + prefix.size());
  if (digits.size() < 9 || digits[8] != '\n') {
    return false;
  }
  const auto parsed = ParseHexStatus(digits.substr(0, 8));
  if (!parsed) {
    return false;
  }
  *value = *parsed;
  return true;
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
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

}  // namespace

std::string HelperResultLine(uint32_t returnValue) {
  return TaggedLine(kResultPrefix, returnValue);
}

bool ParseHelperResultLine(std::string_view text, uint32_t* returnValue) {
  return ParseTaggedLine(text, kResultPrefix, returnValue);
}

std::string HelperStatusLine(uint32_t status) {
  return TaggedLine(kStatusPrefix, status);
}

bool ParseHelperStatusLine(std::string_view text, uint32_t* status) {
  return ParseTaggedLine(text, kStatusPrefix, status);
}

int RunHelperCommand(const std::vector<std::string>& arguments, std::span<const uint8_t> input,
                     bool underPkexec, std::string* output) {
  std::string root = "/sys";
  size_t next = 0;
  if (next + 1 < arguments.size() && arguments[next] == "--sysfs-root") {
    // Root's writes stay on the real tree when an unprivileged user started us.
    if (underPkexec && arguments[next + 1] != "/sys") {
      *output = "refused: --sysfs-root is not allowed under pkexec\n";
      return kHelperUsageError;
    }
    root = arguments[next + 1];
    next += 2;
  }
  if (next >= arguments.size()) {
    *output = kUsage;
    return kHelperUsageError;
  }
  const SysfsTree tree(root);
  DirectPrivilegedOps direct(tree);
  const std::string& command = arguments[next];
  if (command == "flash" && next + 2 == arguments.size()) {
    const std::string& router = arguments[next + 1];
    uint32_t code = kTbtOk;
    if (!IsHostRouterOf(tree, router)) {
      code = kTbtUnsafePath;
    } else if (input.size() > kHelperMaxImageSize) {
      code = kTbtImageTooLarge;
    } else {
      code = direct.WriteNvmAndAuthenticate(router, input);
    }
    *output = HelperResultLine(code);
    return 0;
  }
  if (command == "auth-status" && next + 2 == arguments.size()) {
    const std::string& router = arguments[next + 1];
    uint32_t status = 0;
    uint32_t code = kTbtUnsafePath;
    if (IsHostRouterOf(tree, router)) {
      code = direct.ReadAuthenticationStatus(router, &status);
    }
    *output = HelperResultLine(code) + (code == kTbtOk ? HelperStatusLine(status) : "");
    return 0;
  }
  if (command == "force-power" && next + 2 == arguments.size() &&
      (arguments[next + 1] == "0" || arguments[next + 1] == "1")) {
    *output = HelperResultLine(direct.SetForcePower(arguments[next + 1] == "1"));
    return 0;
  }
  *output = kUsage;
  return kHelperUsageError;
}

ProcessOutcome RunProcess(const std::vector<std::string>& argv, std::span<const uint8_t> input) {
  ProcessOutcome outcome;
  if (argv.empty()) {
    return outcome;
  }
  int toChild[2];
  int fromChild[2];
  int execFailed[2];  // closed by a successful exec; carries errno when exec fails
  if (::pipe2(toChild, O_CLOEXEC) != 0) {
    return outcome;
  }
  if (::pipe2(fromChild, O_CLOEXEC) != 0) {
    ::close(toChild[0]);
    ::close(toChild[1]);
    return outcome;
  }
  if (::pipe2(execFailed, O_CLOEXEC) != 0) {
    for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) {
      ::close(fd);
    }
    return outcome;
  }
  std::vector<char*> args;
  for (const std::string& arg : argv) {
    args.push_back(const_cast<char*>(arg.c_str()));
  }
  args.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(toChild[0], STDIN_FILENO);
    ::dup2(fromChild[1], STDOUT_FILENO);
    ::execv(args[0], args.data());
    const int error = errno;
    [[maybe_unused]] ssize_t ignored = ::write(execFailed[1], &error, sizeof(error));
    ::_exit(kPkexecNotAuthorized);
  }
  ::close(toChild[0]);
  ::close(fromChild[1]);
  ::close(execFailed[1]);
  if (pid < 0) {
    ::close(toChild[1]);
    ::close(fromChild[0]);
    ::close(execFailed[0]);
    return outcome;
  }
  int execError = 0;
  ssize_t got = 0;
  while ((got = ::read(execFailed[0], &execError, sizeof(execError))) < 0 && errno == EINTR) {
  }
  ::close(execFailed[0]);
  const bool started = got == 0;
  // A child that stops reading must not kill us with SIGPIPE.
  struct sigaction ignore = {};
  struct sigaction previous = {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &previous);
  WriteAll(toChild[1], input);
  ::sigaction(SIGPIPE, &previous, nullptr);
  ::close(toChild[1]);
  char buffer[512];
  for (;;) {
    const ssize_t n = ::read(fromChild[0], buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      break;
    }
    // The helper prints one short line; more than a page is not from it.
    if (outcome.output.size() < 4096) {
      outcome.output.append(buffer, static_cast<size_t>(n));
    }
  }
  ::close(fromChild[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  outcome.exitStatus = started && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

HelperPrivilegedOps::HelperPrivilegedOps(const SysfsTree& tree, std::string helperPath,
                                         std::vector<std::string> launcher, ProcessRunner runner)
    : tree_(tree),
      helperPath_(std::move(helperPath)),
      launcher_(std::move(launcher)),
      runner_(std::move(runner)) {}

uint32_t HelperPrivilegedOps::Run(std::vector<std::string> arguments,
                                  std::span<const uint8_t> input, std::string* output) {
  std::vector<std::string> argv = launcher_;
  argv.push_back(helperPath_);
  argv.push_back("--sysfs-root");
  argv.push_back(tree_.Root().string());
  for (std::string& argument : arguments) {
    argv.push_back(std::move(argument));
  }
  const ProcessOutcome outcome = runner_(argv, input);
  if (output != nullptr) {
    *output = outcome.output;
  }
  uint32_t code = kTbtOk;
  if (outcome.exitStatus == 0 && ParseHelperResultLine(outcome.output, &code)) {
    return code;
  }
  if (!launcher_.empty() &&
      (outcome.exitStatus == kPkexecDismissed || outcome.exitStatus == kPkexecNotAuthorized)) {
    return kTbtAuthorizationRefused;
  }
  return kTbtHelperFailed;
}

uint32_t HelperPrivilegedOps::WriteNvmAndAuthenticate(const std::string& router,
                                                      std::span<const uint8_t> image) {
  return Run({"flash", router}, image);
}

uint32_t HelperPrivilegedOps::SetForcePower(bool on) {
  if (!tree_.FindForcePower()) {
    return kTbtOk;
  }
  return Run({"force-power", on ? "1" : "0"}, {});
}

uint32_t HelperPrivilegedOps::ReadAuthenticationStatus(const std::string& router,
                                                       uint32_t* status) {
  std::string output;
  const uint32_t code = Run({"auth-status", router}, {}, &output);
  if (code != kTbtOk) {
    return code;
  }
  return ParseHelperStatusLine(output, status) ? kTbtOk : kTbtHelperFailed;
}

}  // namespace tbt::platform::linux_backend

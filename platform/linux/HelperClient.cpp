#include "platform/linux/HelperClient.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/linux/HelperProtocol.h"
#include "platform/linux/LinuxReturnValues.h"

namespace tbt::platform::linux_backend {

namespace {

constexpr uint8_t kEndOfImage[] = {'e', 'n', 'd', '\n'};
// An answer is a status line and a result line; a helper that says more is broken.
constexpr size_t kMaxAnswerSize = 4096;

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
  helper_ = ChildProcess::Start(std::move(argv));
  return helper_.has_value();
}

uint32_t HelperPrivilegedOps::Request(const std::string& line, std::span<const uint8_t> image,
                                      bool withImage, std::string* answer) {
  if (!helper_ && !Start()) {
    return kTbtHelperFailed;
  }
  // A refused authorisation shows as a helper that reads nothing and ends; its answer
  // (or its exit status) is read all the same.
  if (SendAll(helper_->Input(), AsBytes(line)) && withImage && SendAll(helper_->Input(), image)) {
    SendAll(helper_->Input(), kEndOfImage);
  }
  std::string text;
  char c = 0;
  for (;;) {
    const ssize_t n = ::read(helper_->Output(), &c, 1);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0 || text.size() > kMaxAnswerSize) {
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
  if (!helper_) {
    return -1;
  }
  // The end of its input ends the helper.
  const int exitStatus = helper_->Wait();
  helper_.reset();
  return exitStatus;
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
  if (!tree_.FindForcePower() || (!on && !helper_)) {
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

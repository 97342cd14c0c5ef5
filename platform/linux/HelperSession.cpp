#include "platform/linux/HelperSession.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

#include "platform/UniqueFd.h"
#include "platform/linux/HelperProtocol.h"
#include "platform/linux/LinuxReturnValues.h"
#include "platform/linux/PrivilegedOps.h"
#include "platform/linux/Sha256.h"
#include "platform/linux/SysfsTree.h"

namespace tbt::platform::linux_backend {

namespace {

constexpr char kUsage[] =
    "usage: tbt-nvm-helper [--sysfs-root DIR], then requests on standard input:\n"
    "  flash ROUTER LENGTH SHA256 (the image and \"end\" follow) | force-power 0|1 |\n"
    "  auth-status ROUTER\n";

// Buffered reads of the request stream, bounded per call.
class RequestReader {
 public:
  explicit RequestReader(const HelperStreams& streams) : streams_(streams) {}

  // One line without its end; false at the end of input or for a line too long.
  bool ReadLine(std::string* line) {
    line->clear();
    for (;;) {
      if (!Fill()) {
        return false;
      }
      const uint8_t c = buffer_[next_++];
      if (c == '\n') {
        return true;
      }
      if (line->size() >= kHelperMaxLine) {
        return false;
      }
      line->push_back(static_cast<char>(c));
    }
  }

  // Exactly `count` bytes; false when the input ends first.
  bool ReadExactly(size_t count, std::vector<uint8_t>* bytes) {
    bytes->clear();
    bytes->reserve(count);
    while (bytes->size() < count) {
      if (!Fill()) {
        return false;
      }
      const size_t take = std::min(count - bytes->size(), used_ - next_);
      bytes->insert(bytes->end(), buffer_.begin() + static_cast<long>(next_),
                    buffer_.begin() + static_cast<long>(next_ + take));
      next_ += take;
    }
    return true;
  }

 private:
  bool Fill() {
    while (next_ >= used_) {
      const long n = streams_.read(buffer_);
      if (n <= 0) {
        return false;
      }
      next_ = 0;
      used_ = static_cast<size_t>(n);
    }
    return true;
  }

  const HelperStreams& streams_;
  std::vector<uint8_t> buffer_ = std::vector<uint8_t>(64 * 1024);
  size_t next_ = 0;
  size_t used_ = 0;
};

// The helper's lock file, taken once and held until the process ends.
class HelperLock {
 public:
  explicit HelperLock(std::filesystem::path path) : path_(std::move(path)) {}

  // kTbtOk once held; kTbtHelperBusy while another helper holds it.
  uint32_t Take() {
    if (fd_) {
      return kTbtOk;
    }
    UniqueFd fd(
        ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (!fd) {
      return kTbtHelperFailed;
    }
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
      return errno == EWOULDBLOCK ? kTbtHelperBusy : kTbtHelperFailed;
    }
    fd_ = std::move(fd);
    return kTbtOk;
  }

 private:
  std::filesystem::path path_;
  UniqueFd fd_;
};

std::vector<std::string> SplitWords(std::string_view line) {
  std::vector<std::string> words;
  size_t start = 0;
  while (start <= line.size()) {
    const size_t space = line.find(' ', start);
    const size_t end = space == std::string_view::npos ? line.size() : space;
    words.emplace_back(line.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

// True for a host router of the tree given by a plain name, the only routers the
// helper touches.
bool IsHostRouterOf(const SysfsTree& tree, const std::string& router) {
  const std::vector<std::string> routers = tree.HostRouters();
  return IsPlainName(router) && std::find(routers.begin(), routers.end(), router) != routers.end();
}

bool ParseLength(std::string_view text, size_t* length) {
  // Nine digits hold every length up to kHelperMaxImageSize and cannot overflow.
  constexpr size_t kMaxLengthDigits = 9;
  if (text.empty() || text.size() > kMaxLengthDigits) {
    return false;
  }
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *length);
  return ec == std::errc() && end == text.data() + text.size();
}

bool IsDigest(std::string_view text) {
  // A SHA-256 digest as lower-case hex: two digits a byte.
  constexpr size_t kDigestHexDigits = 2 * 32;
  return text.size() == kDigestHexDigits && std::all_of(text.begin(), text.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

// The session itself; `false` from a step ends it (the stream can no longer be read
// in step with the client).
class Session {
 public:
  Session(const HelperStreams& streams, const SysfsTree& tree, const std::filesystem::path& lock)
      : streams_(streams), reader_(streams), tree_(tree), direct_(tree), lock_(lock) {}

  int Run() {
    std::string line;
    while (reader_.ReadLine(&line)) {
      const std::vector<std::string> words = SplitWords(line);
      bool inStep = true;
      if (words[0] == "flash" && words.size() == 4) {
        inStep = Flash(words[1], words[2], words[3]);
      } else if (words[0] == "force-power" && words.size() == 2 &&
                 (words[1] == "0" || words[1] == "1")) {
        Answer(WithLock([&] { return direct_.SetForcePower(words[1] == "1"); }));
      } else if (words[0] == "auth-status" && words.size() == 2) {
        AuthStatus(words[1]);
      } else {
        streams_.write(kUsage);
        return kHelperUsageError;
      }
      if (!inStep) {
        return 0;
      }
    }
    return 0;
  }

 private:
  void Answer(uint32_t code) { streams_.write(HelperResultLine(code)); }

  template <typename Step>
  uint32_t WithLock(Step step) {
    const uint32_t locked = lock_.Take();
    return locked == kTbtOk ? step() : locked;
  }

  bool Flash(const std::string& router, std::string_view lengthText, std::string_view digest) {
    size_t length = 0;
    if (!ParseLength(lengthText, &length) || length > kHelperMaxImageSize || !IsDigest(digest)) {
      Answer(kTbtImageNotReceived);
      return false;
    }
    std::vector<uint8_t> image;
    std::string end;
    // Short input (the tool died mid-way) or long input (more than announced) never
    // reaches the controller: the kernel would authenticate whatever its buffer holds.
    if (!reader_.ReadExactly(length, &image) || !reader_.ReadLine(&end) || end != "end") {
      Answer(kTbtImageNotReceived);
      return false;
    }
    if (image.empty() || Sha256Hex(image) != digest) {
      Answer(kTbtImageNotReceived);
      return true;
    }
    if (!IsHostRouterOf(tree_, router)) {
      Answer(kTbtUnsafePath);
      return true;
    }
    Answer(WithLock([&] { return direct_.WriteNvmAndAuthenticate(router, image); }));
    return true;
  }

  void AuthStatus(const std::string& router) {
    uint32_t status = 0;
    uint32_t code = kTbtUnsafePath;
    if (IsHostRouterOf(tree_, router)) {
      code = direct_.ReadAuthenticationStatus(router, &status);
    }
    streams_.write((code == kTbtOk ? HelperStatusLine(status) : "") + HelperResultLine(code));
  }

  const HelperStreams& streams_;
  RequestReader reader_;
  const SysfsTree& tree_;
  DirectPrivilegedOps direct_;
  HelperLock lock_;
};

}  // namespace

int RunHelperSession(const std::vector<std::string>& arguments, const HelperStreams& streams,
                     bool underPkexec, const std::filesystem::path& lockPath) {
  std::string root = "/sys";
  if (arguments.size() == 2 && arguments[0] == "--sysfs-root") {
    // Root's writes stay on the real tree when an unprivileged user started us.
    if (underPkexec && arguments[1] != "/sys") {
      streams.write("refused: --sysfs-root is not allowed under pkexec\n");
      return kHelperUsageError;
    }
    root = arguments[1];
  } else if (!arguments.empty()) {
    streams.write(kUsage);
    return kHelperUsageError;
  }
  const SysfsTree tree(root);
  return Session(streams, tree, lockPath).Run();
}

}  // namespace tbt::platform::linux_backend

// tbt-nvm-helper: the few steps of an update that need root (writing the non-active
// NVM, starting its authentication, forced power). The tool starts it once per update
// through pkexec when it does not run as root itself, sends its requests on standard
// input and reads one answer per request; the end of the input ends it.

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/linux/HelperProtocol.h"
#include "platform/linux/HelperSession.h"

namespace {

long ReadStandardInput(std::span<uint8_t> buffer) {
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) {
      continue;
    }
    return static_cast<long>(n);
  }
}

void WriteStandardOutput(std::string_view text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      return;
    }
    done += static_cast<size_t>(n);
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tbt::platform::linux_backend;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const bool underPkexec = std::getenv("PKEXEC_UID") != nullptr;
  std::string lockPath = kHelperLockPath;
#if TBT_TEST_OVERRIDES
  // Test builds keep the lock inside the test's own folder.
  if (const char* testLock = std::getenv("TBT_NVM_HELPER_LOCK");
      !underPkexec && testLock != nullptr && *testLock != '\0') {
    lockPath = testLock;
  }
#endif
  const HelperStreams streams{ReadStandardInput, WriteStandardOutput};
  return RunHelperSession(arguments, streams, underPkexec, lockPath);
}

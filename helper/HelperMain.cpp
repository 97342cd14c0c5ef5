// tbt-nvm-helper: the few steps of an update that need root (writing the non-active
// NVM, starting its authentication, forced power). The tool starts it through pkexec
// when it does not run as root itself; it prints one result line and exits.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/linux/HelperProtocol.h"

namespace {

// Reads standard input up to one byte past the limit, so an oversized image is seen.
std::vector<uint8_t> ReadStandardInput(size_t limit) {
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  while (bytes.size() <= limit) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      break;
    }
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tbt::platform::linux_backend;
  std::vector<std::string> arguments(argv + 1, argv + argc);
  bool flashing = false;
  for (const std::string& argument : arguments) {
    flashing = flashing || argument == "flash";
  }
  const std::vector<uint8_t> input =
      flashing ? ReadStandardInput(kHelperMaxImageSize) : std::vector<uint8_t>{};
  const bool underPkexec = std::getenv("PKEXEC_UID") != nullptr;
  std::string output;
  const int status = RunHelperCommand(arguments, input, underPkexec, &output);
  std::fputs(output.c_str(), status == 0 ? stdout : stderr);
  return status;
}

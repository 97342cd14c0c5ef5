#include "platform/linux/FdIo.h"

#include <unistd.h>

namespace tbt::platform::linux_backend {

int WriteAllAt(int fd, std::span<const uint8_t> bytes, uint64_t offset) {
  return TransferAll(bytes.size(), [&](size_t done) {
    return ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                    static_cast<off_t>(offset + done));
  });
}

int ReadAttributePage(int fd, std::string* text) {
  char buffer[kAttributePageSize];
  while (text->size() < sizeof(buffer)) {
    const ssize_t n = ::read(fd, buffer, sizeof(buffer) - text->size());
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return errno;
    }
    if (n == 0) {
      break;
    }
    text->append(buffer, static_cast<size_t>(n));
  }
  return 0;
}

}  // namespace tbt::platform::linux_backend

#include "platform/RemovalOnSignal.h"

#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace tbt::platform {

namespace {

struct StoredPath {
  char text[PATH_MAX];
  bool folder;
};

// Filled before the handlers are installed and read only by them.
std::array<StoredPath, RemovalOnSignal::kMaxRemovedPaths> g_paths;
volatile sig_atomic_t g_pathCount = 0;

// Ctrl+C, a kill, and the terminal closing.
constexpr std::array kSignals{SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kSignals.size()> g_previous;

extern "C" void RemoveThenEnd(int signalNumber) {
  const int savedErrno = errno;
  for (sig_atomic_t i = 0; i < g_pathCount; ++i) {
    if (g_paths[i].folder) {
      ::rmdir(g_paths[i].text);
    } else {
      ::unlink(g_paths[i].text);
    }
  }
  errno = savedErrno;
  // SA_RESETHAND has put back the default action, which now ends the process.
  ::raise(signalNumber);
}

void Store(const std::filesystem::path& path, bool folder) {
  const std::string& text = path.native();
  if (g_pathCount < static_cast<sig_atomic_t>(g_paths.size()) && text.size() < PATH_MAX) {
    StoredPath& slot = g_paths[static_cast<size_t>(g_pathCount)];
    std::memcpy(slot.text, text.c_str(), text.size() + 1);
    slot.folder = folder;
    g_pathCount = g_pathCount + 1;
  }
}

}  // namespace

RemovalOnSignal::RemovalOnSignal(const std::vector<std::filesystem::path>& files,
                                 const std::vector<std::filesystem::path>& folders) {
  g_pathCount = 0;
  for (const std::filesystem::path& file : files) {
    Store(file, false);
  }
  for (const std::filesystem::path& folder : folders) {
    Store(folder, true);
  }
  struct sigaction action {};
  action.sa_handler = RemoveThenEnd;
  sigemptyset(&action.sa_mask);
  for (const int signalNumber : kSignals) {
    sigaddset(&action.sa_mask, signalNumber);  // one removal at a time
  }
  action.sa_flags = SA_RESETHAND;
  for (size_t i = 0; i < kSignals.size(); ++i) {
    ::sigaction(kSignals[i], &action, &g_previous[i]);
  }
}

RemovalOnSignal::~RemovalOnSignal() {
  for (size_t i = 0; i < kSignals.size(); ++i) {
    ::sigaction(kSignals[i], &g_previous[i], nullptr);
  }
  g_pathCount = 0;
}

}  // namespace tbt::platform

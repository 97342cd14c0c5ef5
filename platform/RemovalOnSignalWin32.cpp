#include <windows.h>

#include <array>
#include <string>

#include "platform/RemovalOnSignal.h"

namespace tbt::platform {

namespace {

struct StoredPath {
  std::wstring text;
  bool folder = false;
};

// Filled before the handler is installed and read only by it.
std::array<StoredPath, RemovalOnSignal::kMaxRemovedPaths> g_paths;
LONG g_pathCount = 0;

// Runs on a thread of its own when the user presses Ctrl+C or Ctrl+Break, or the
// console closes; FALSE lets the next handler (the default one) end the process.
BOOL WINAPI RemoveThenEnd(DWORD /*event*/) {
  const LONG count = ::InterlockedExchange(&g_pathCount, 0);
  for (LONG i = 0; i < count; ++i) {
    const StoredPath& path = g_paths[static_cast<size_t>(i)];
    if (path.folder) {
      ::RemoveDirectoryW(path.text.c_str());
    } else {
      ::DeleteFileW(path.text.c_str());
    }
  }
  return FALSE;
}

void Store(const std::filesystem::path& path, bool folder) {
  if (g_pathCount < static_cast<LONG>(g_paths.size())) {
    g_paths[static_cast<size_t>(g_pathCount)] = {path.native(), folder};
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
  ::SetConsoleCtrlHandler(RemoveThenEnd, TRUE);
}

RemovalOnSignal::~RemovalOnSignal() {
  ::SetConsoleCtrlHandler(RemoveThenEnd, FALSE);
  ::InterlockedExchange(&g_pathCount, 0);
}

}  // namespace tbt::platform

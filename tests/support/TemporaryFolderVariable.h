#pragma once

// Points the system's temporary folder somewhere else while a test runs, so that it
// can see what a command leaves there.

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

namespace tbt::test {

/// Sets TMPDIR (POSIX) or TMP (Windows) to `folder`; puts back what was there.
class TemporaryFolderVariable {
 public:
  explicit TemporaryFolderVariable(const std::filesystem::path& folder) {
    if (const char* previous = ::getenv(kName)) {
      previous_ = previous;
    }
    Set(folder.string().c_str());
  }
  ~TemporaryFolderVariable() {
    if (previous_) {
      Set(previous_->c_str());
    } else {
      Unset();
    }
  }
  TemporaryFolderVariable(const TemporaryFolderVariable&) = delete;
  TemporaryFolderVariable& operator=(const TemporaryFolderVariable&) = delete;

 private:
#ifdef _WIN32
  static constexpr char kName[] = "TMP";
  static void Set(const char* value) {
    ::_putenv_s(kName, value);
  }
  static void Unset() {
    ::_putenv_s(kName, "");
  }  // an empty value removes it
#else
  static constexpr char kName[] = "TMPDIR";
  static void Set(const char* value) {
    ::setenv(kName, value, 1);
  }
  static void Unset() {
    ::unsetenv(kName);
  }
#endif

  std::optional<std::string> previous_;
};

}  // namespace tbt::test

#pragma once

// A path that names no regular file, for tests of readers that must refuse one without
// waiting on it.

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tbt::test {

/// On POSIX, makes a FIFO with no writer at `path` (a read would wait for one) and
/// returns it. A Windows folder cannot hold a pipe: there the null device stands in,
/// a character device a reader must refuse just the same.
inline std::filesystem::path MakeNonRegularFile(const std::filesystem::path& path) {
#ifdef _WIN32
  (void)path;
  return "NUL";
#else
  EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
  return path;
#endif
}

}  // namespace tbt::test

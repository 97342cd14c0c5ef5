#pragma once

// What the command tests share: a fixture that runs a command with fresh streams in
// its own temporary folder, and a reader for one-line JSON.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace tbt::clitest {

/// Runs a sub-command function with fresh output and error streams.
class CommandTest : public ::testing::Test {
 protected:
  /// Calls command(args, extra..., out, err) and returns its exit status.
  template <typename Command, typename... Extra>
  int Run(Command command, const std::vector<std::string>& args, const Extra&... extra) {
    out.str({});
    err.str({});
    return command(args, extra..., out, err);
  }

  test::TempFolder folder{"tbt-nvm-cli-test"};
  std::ostringstream out;
  std::ostringstream err;
};

/// The raw text of a top-level field's value in a one-line JSON object ("" if absent).
inline std::string JsonField(const std::string& json, const std::string& key) {
  const std::string marker = "\"" + key + "\": ";
  const size_t start = json.find(marker);
  if (start == std::string::npos) {
    return {};
  }
  size_t end = start + marker.size();
  if (json[end] == '"') {
    end = json.find('"', end + 1) + 1;
  } else if (json[end] == '[') {
    end = json.rfind(']') + 1;
  } else {
    end = json.find_first_of(",}", end);
  }
  return json.substr(start + marker.size(), end - start - marker.size());
}

}  // namespace tbt::clitest

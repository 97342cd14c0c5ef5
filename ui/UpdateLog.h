#pragma once

// The window's record of its runs: one entry per update, appended to a log in the
// user's state folder, so that what happened can be read after the window is gone.

#include <filesystem>
#include <functional>
#include <string>

#include "update/ResultCodes.h"
#include "update/UpdateWorker.h"

namespace tbt::ui {

/// $XDG_STATE_HOME/tbt-fwupdate/updates.log, else ~/.local/state/tbt-fwupdate/
/// updates.log; empty when neither variable gives an absolute folder. `getEnv`
/// returns nullptr for an unset variable.
std::filesystem::path UpdateLogPath(const std::function<const char*(const char*)>& getEnv);

/// What one entry records.
struct UpdateLogEntry {
  /// When the update started, as UTC "YYYY-MM-DDTHH:MM:SSZ".
  std::string started;
  /// True on the emulated platform, where no hardware was touched.
  bool emulated = false;
  /// What the worker learnt (versions, image, whether it wrote).
  UpdateReport report;
  UpdateResult result = TBU_OK;
  /// The message the window showed, in UTF-8.
  std::string message;
};

/// The entry as lines of text: the start, the versions, each step's outcome and the
/// result code with its name and reason.
std::string FormatUpdateLogEntry(const UpdateLogEntry& entry);

/// Appends `text` to the log, creating its folder; false when it cannot be written.
bool AppendUpdateLog(const std::filesystem::path& path, const std::string& text);

/// The current UTC time as "YYYY-MM-DDTHH:MM:SSZ".
std::string UtcTimestampNow();

}  // namespace tbt::ui

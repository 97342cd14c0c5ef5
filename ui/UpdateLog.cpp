#include "ui/UpdateLog.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string_view>
#include <system_error>

namespace tbt::ui {

namespace {

constexpr std::string_view kToolFolder = "tbt-fwupdate";
constexpr std::string_view kLogName = "updates.log";

// The steps of an update in the order the worker takes them.
constexpr std::array<std::string_view, 7> kSteps = {
    "platform device switched on",
    "Thunderbolt service started",
    "controller reached and installed version read",
    "image found and read",
    "image checked against the controller",
    "downgrade check",
    "image written",
};
constexpr int kStepNone = -1;

// The step a result code stops at; kSteps.size() when every step succeeded and
// kStepNone when the update was refused before its first step.
int FailedStep(UpdateResult result) {
  switch (result) {
    case TBU_OK:
      return static_cast<int>(kSteps.size());
    case TBU_E_BUSY:
    case TBU_E_ON_BATTERY:
      return kStepNone;
    case TBU_E_NO_ACPI_DEVICE:
      return 0;
    case TBU_E_NO_CONTROLLER:
    case TBU_E_WMI_FAILED:
      return 2;
    case TBU_E_NO_IMAGE:
    case TBU_E_NO_MEMORY:
      return 3;
    case TBU_E_UNKNOWN_DEVICE:
    case TBU_E_REGION_MISMATCH:
    case TBU_E_UNSUPPORTED_CONTROLLER:
    case TBU_E_KIND_MISMATCH:
    case TBU_E_VARIANT_MISMATCH:
    case TBU_E_HEADER_LEVEL:
      return 4;
    case TBU_E_DOWNGRADE:
      return 5;
    default:
      return 6;  // a value the provider's write returned
  }
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

bool IsAbsolute(const char* folder) {
  return folder != nullptr && folder[0] == '/';
}

}  // namespace

std::filesystem::path UpdateLogPath(const std::function<const char*(const char*)>& getEnv) {
  // A relative XDG_STATE_HOME is not valid and is ignored, as the XDG rules say.
  const char* stateHome = getEnv("XDG_STATE_HOME");
  if (IsAbsolute(stateHome)) {
    return std::filesystem::path(stateHome) / kToolFolder / kLogName;
  }
  const char* home = getEnv("HOME");
  if (IsAbsolute(home)) {
    return std::filesystem::path(home) / ".local" / "state" / kToolFolder / kLogName;
  }
  return {};
}

std::string FormatUpdateLogEntry(const UpdateLogEntry& entry) {
  std::string text = "[" + entry.started + "] update";
  text += entry.emulated ? " on the EMULATED platform (no real hardware)\n" : "\n";
  const int failed = FailedStep(entry.result);
  if (failed > 2 || entry.report.installedVersion != 0) {
    text += "  installed NVM version: " + Hex(entry.report.installedVersion) + "\n";
  }
  if (!entry.report.imagePath.empty()) {
    text += "  image: " + entry.report.imagePath.string() + ", version " +
            Hex(entry.report.imageVersion) + "\n";
  }
  for (int step = 0; step < static_cast<int>(kSteps.size()); ++step) {
    const char* outcome = failed == kStepNone ? "not run"
                          : step < failed     ? "done"
                          : step == failed    ? "FAILED"
                                              : "not run";
    text += "  " + std::string(kSteps[static_cast<size_t>(step)]) + ": " + outcome + "\n";
  }
  text += "  result: " + Hex(entry.result) + " " + std::string(ResultCodeName(entry.result)) +
          " (" + std::string(ResultCodeDescription(entry.result)) + ")\n";
  text += "  message: " + entry.message + "\n";
  return text;
}

bool AppendUpdateLog(const std::filesystem::path& path, const std::string& text) {
  if (path.empty()) {
    return false;
  }
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  if (error) {
    return false;
  }
  std::ofstream log(path, std::ios::binary | std::ios::app);
  log << text;
  log.flush();
  return static_cast<bool>(log);
}

std::string UtcTimestampNow() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace tbt::ui

#include "platform/emulated/EmulatedCallLog.h"

#include <algorithm>
#include <cstdio>

namespace tbt::emulated {

const char* CallKindName(CallKind kind) {
  switch (kind) {
    case CallKind::kOpenDevice:
      return "OpenDevice";
    case CallKind::kDeviceControl:
      return "DeviceControl";
    case CallKind::kCloseDevice:
      return "CloseDevice";
    case CallKind::kOpenServiceManager:
      return "OpenServiceManager";
    case CallKind::kOpenService:
      return "OpenService";
    case CallKind::kStartService:
      return "StartService";
    case CallKind::kCloseServiceHandle:
      return "CloseServiceHandle";
    case CallKind::kSleep:
      return "Sleep";
    case CallKind::kWmiReachable:
      return "WmiReachable";
    case CallKind::kProviderMethod:
      return "ProviderMethod";
    case CallKind::kBatteryQuery:
      return "BatteryQuery";
    case CallKind::kShutdownPrivilege:
      return "ShutdownPrivilege";
    case CallKind::kPowerOff:
      return "PowerOff";
  }
  return "Unknown";
}

std::string MethodTagText(uint32_t tag) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    const char letter = static_cast<char>((tag >> (8 * i)) & 0xFF);
    // Unprintable tags show as '?' so a log line stays readable.
    text.push_back(letter >= 0x20 && letter < 0x7F ? letter : '?');
  }
  return text;
}

std::string CallRecord::ToString() const {
  std::string text = CallKindName(kind);
  if (!name.empty()) {
    text += ' ';
    text += name;
  }
  for (size_t i = 0; i < args.size(); ++i) {
    char number[24];
    // The first argument of a device control is a device id, easier to read in hex.
    if (kind == CallKind::kDeviceControl && i == 0) {
      std::snprintf(number, sizeof number, " 0x%llX", static_cast<unsigned long long>(args[i]));
    } else {
      std::snprintf(number, sizeof number, " %llu", static_cast<unsigned long long>(args[i]));
    }
    text += number;
  }
  return text;
}

void EmulatedCallLog::Record(CallKind kind, std::string name, std::vector<uint64_t> args) {
  std::lock_guard lock(mutex_);
  entries_.push_back(CallRecord{kind, std::move(name), std::move(args)});
}

std::vector<CallRecord> EmulatedCallLog::Entries() const {
  std::lock_guard lock(mutex_);
  return entries_;
}

std::vector<std::string> EmulatedCallLog::Lines() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> lines;
  lines.reserve(entries_.size());
  for (const CallRecord& entry : entries_) {
    lines.push_back(entry.ToString());
  }
  return lines;
}

size_t EmulatedCallLog::Count(CallKind kind) const {
  std::lock_guard lock(mutex_);
  return static_cast<size_t>(std::count_if(entries_.begin(), entries_.end(),
                                           [kind](const CallRecord& e) { return e.kind == kind; }));
}

size_t EmulatedCallLog::Count(CallKind kind, const std::string& name) const {
  std::lock_guard lock(mutex_);
  return static_cast<size_t>(
      std::count_if(entries_.begin(), entries_.end(),
                    [&](const CallRecord& e) { return e.kind == kind && e.name == name; }));
}

void EmulatedCallLog::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

}  // namespace tbt::emulated

#pragma once

// The little JSON the sub-commands print: one object per line, fields in a fixed order.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace tbt::cli {

/// `text` as a JSON string literal, quotes included: control characters escaped and
/// invalid UTF-8 replaced, so any bytes give valid JSON (platform::JsonStringLiteral).
std::string JsonString(std::string_view text);

/// Builds one JSON object field by field, in the order they are added.
class JsonObject {
 public:
  /// Adds a number field.
  JsonObject& Number(std::string_view key, uint64_t value);
  /// Adds a number field, or null when there is no value.
  template <typename T>
  JsonObject& Number(std::string_view key, const std::optional<T>& value) {
    static_assert(std::is_unsigned_v<T>, "JSON numbers here are unsigned");
    return value.has_value() ? Number(key, static_cast<uint64_t>(*value)) : Raw(key, "null");
  }
  /// Adds a string field, or null when there is no value.
  JsonObject& String(std::string_view key, std::optional<std::string_view> value);
  /// Adds "result", "code" ("0x%08X") and "name" for an update result code.
  JsonObject& Result(uint32_t code);
  /// Adds a field whose value is already JSON (an array or object).
  JsonObject& Raw(std::string_view key, std::string_view json);
  /// The object's text, without a line end.
  std::string Text() const { return "{" + body_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string body_;
};

}  // namespace tbt::cli

#include "cli/Json.h"

#include "cli/CliFiles.h"
#include "platform/PrintableText.h"
#include "update/ResultCodes.h"

namespace tbt::cli {

std::string JsonString(std::string_view text) {
  return platform::JsonStringLiteral(text);
}

void JsonObject::Key(std::string_view key) {
  if (!body_.empty()) {
    body_ += ", ";
  }
  body_ += JsonString(key) + ": ";
}

JsonObject& JsonObject::Number(std::string_view key, uint64_t value) {
  Key(key);
  body_ += std::to_string(value);
  return *this;
}

JsonObject& JsonObject::Result(uint32_t code) {
  return Number("result", code).String("code", Hex32(code)).String("name", ResultCodeName(code));
}

JsonObject& JsonObject::String(std::string_view key, std::optional<std::string_view> value) {
  Key(key);
  body_ += value.has_value() ? JsonString(*value) : "null";
  return *this;
}

JsonObject& JsonObject::Raw(std::string_view key, std::string_view json) {
  Key(key);
  body_ += json;
  return *this;
}

}  // namespace tbt::cli

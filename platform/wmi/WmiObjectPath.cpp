#include "platform/wmi/Wmi.h"

#include <string>

namespace tbt::wmi {
namespace {

// Names in object paths and queries are made of these units only.
bool IsNameUnit(char16_t unit) {
  return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z') ||
         (unit >= u'0' && unit <= u'9') || unit == u'_';
}

// Reads a run of name units starting at *pos; false when there is none.
bool ReadName(std::u16string_view text, size_t* pos, std::u16string* name) {
  const size_t start = *pos;
  while (*pos < text.size() && IsNameUnit(text[*pos])) {
    ++*pos;
  }
  if (*pos == start) {
    return false;
  }
  name->assign(text.substr(start, *pos - start));
  return true;
}

// Reads a quoted key value at *pos (on the opening quote), undoing the escapes.
bool ReadQuotedValue(std::u16string_view text, size_t* pos, std::u16string* value) {
  ++*pos;  // the opening quote
  value->clear();
  while (*pos < text.size()) {
    const char16_t unit = text[*pos];
    if (unit == u'"') {
      ++*pos;
      return true;
    }
    if (unit == u'\\') {
      // Only an escaped backslash or quote is valid; a lone backslash is not.
      if (text.size() - *pos < 2 || (text[*pos + 1] != u'\\' && text[*pos + 1] != u'"')) {
        return false;
      }
      value->push_back(text[*pos + 1]);
      *pos += 2;
      continue;
    }
    value->push_back(unit);
    ++*pos;
  }
  return false;  // no closing quote
}

// Reads an unquoted integer key value (`Key=5`, `Key=-1`).
bool ReadNumberValue(std::u16string_view text, size_t* pos, std::u16string* value) {
  const size_t start = *pos;
  if (*pos < text.size() && text[*pos] == u'-') {
    ++*pos;
  }
  const size_t digits = *pos;
  while (*pos < text.size() && text[*pos] >= u'0' && text[*pos] <= u'9') {
    ++*pos;
  }
  if (*pos == digits) {
    return false;
  }
  value->assign(text.substr(start, *pos - start));
  return true;
}

}  // namespace

bool ParseObjectPath(std::u16string_view text, ObjectPath* path) {
  if (path == nullptr) {
    return false;
  }
  path->className.clear();
  path->keys.clear();
  size_t pos = 0;
  if (!ReadName(text, &pos, &path->className)) {
    return false;
  }
  if (pos == text.size()) {
    return true;  // a class path
  }
  if (text[pos] != u'.') {
    return false;
  }
  ++pos;
  while (true) {
    std::u16string key;
    std::u16string value;
    if (!ReadName(text, &pos, &key) || pos == text.size() || text[pos] != u'=') {
      return false;
    }
    ++pos;
    const bool read = pos < text.size() && text[pos] == u'"' ? ReadQuotedValue(text, &pos, &value)
                                                             : ReadNumberValue(text, &pos, &value);
    if (!read) {
      return false;
    }
    path->keys.emplace_back(std::move(key), std::move(value));
    if (pos == text.size()) {
      return true;
    }
    if (text[pos] != u',') {
      return false;
    }
    ++pos;
  }
}

std::u16string FormatObjectPath(const ObjectPath& path) {
  std::u16string text = path.className;
  for (size_t i = 0; i < path.keys.size(); ++i) {
    text += i == 0 ? u'.' : u',';
    text += path.keys[i].first;
    text += u"=\"";
    for (const char16_t unit : path.keys[i].second) {
      if (unit == u'\\' || unit == u'"') {
        text += u'\\';
      }
      text += unit;
    }
    text += u'"';
  }
  return text;
}

}  // namespace tbt::wmi

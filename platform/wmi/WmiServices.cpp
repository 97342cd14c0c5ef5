#include "platform/wmi/Wmi.h"

#include <algorithm>
#include <string>
#include <utility>

#include "platform/Utf16.h"

namespace tbt::wmi {
namespace {

bool IsBlank(char16_t unit) {
  return unit == u' ' || unit == u'\t' || unit == u'\r' || unit == u'\n';
}

// Splits a query into blank-separated words.
std::vector<std::u16string_view> SplitWords(std::u16string_view text) {
  std::vector<std::u16string_view> words;
  size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && IsBlank(text[pos])) {
      ++pos;
    }
    const size_t start = pos;
    while (pos < text.size() && !IsBlank(text[pos])) {
      ++pos;
    }
    if (pos > start) {
      words.push_back(text.substr(start, pos - start));
    }
  }
  return words;
}

// Whether an instance carries the key value (strings exactly, numbers by value).
bool KeyMatches(const WbemClassObject& instance, const std::u16string& name,
                const std::u16string& expected) {
  Variant actual;
  if (Failed(instance.Get(name, &actual))) {
    return false;
  }
  if (actual.vt == VT_BSTR) {
    return actual.bstrVal == expected;
  }
  if (actual.vt == VT_I4) {
    return ToUtf16(std::to_string(actual.lVal)) == expected;
  }
  return false;
}

// A client names a handful of paths; more than this means it builds them freely, and
// the kept ones are dropped rather than let grow.
constexpr size_t kMaxKeptPaths = 16;

}  // namespace

void NamespaceRegistry::Register(std::u16string nameSpace,
                                 std::shared_ptr<IWbemProvider> provider) {
  std::lock_guard lock(mutex_);
  for (auto& entry : providers_) {
    if (EqualsIgnoreAsciiCase(entry.first, nameSpace)) {
      entry.second = std::move(provider);
      return;
    }
  }
  providers_.emplace_back(std::move(nameSpace), std::move(provider));
}

void NamespaceRegistry::Unregister(std::u16string_view nameSpace) {
  std::lock_guard lock(mutex_);
  std::erase_if(providers_,
                [&](const auto& entry) { return EqualsIgnoreAsciiCase(entry.first, nameSpace); });
}

std::shared_ptr<IWbemProvider> NamespaceRegistry::Find(std::u16string_view nameSpace) const {
  std::lock_guard lock(mutex_);
  for (const auto& entry : providers_) {
    if (EqualsIgnoreAsciiCase(entry.first, nameSpace)) {
      return entry.second;
    }
  }
  return nullptr;
}

EnumWbemClassObject::EnumWbemClassObject(std::vector<ObjectPtr> objects)
    : objects_(std::move(objects)) {}

HRESULT EnumWbemClassObject::Next(int32_t /*timeout*/, uint32_t count, ObjectPtr* objects,
                                  uint32_t* returned) {
  if (returned == nullptr || (count > 0 && objects == nullptr)) {
    return WBEM_E_INVALID_PARAMETER;
  }
  // The whole result is at hand, so no time-out can run out.
  uint32_t given = 0;
  while (given < count && position_ < objects_.size()) {
    objects[given++] = objects_[position_++];
  }
  *returned = given;
  return given == count ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
}

WbemServices::WbemServices(std::shared_ptr<IWbemProvider> provider)
    : provider_(std::move(provider)) {}

std::shared_ptr<const ObjectPath> WbemServices::ParsedPath(std::u16string_view text) {
  std::lock_guard lock(pathMutex_);
  if (const auto kept = parsedPaths_.find(text); kept != parsedPaths_.end()) {
    return kept->second;
  }
  auto parsed = std::make_shared<ObjectPath>();
  if (!ParseObjectPath(text, parsed.get())) {
    return nullptr;
  }
  if (parsedPaths_.size() >= kMaxKeptPaths) {
    parsedPaths_.clear();
  }
  parsedPaths_.emplace(std::u16string(text), parsed);
  return parsed;
}

HRESULT WbemServices::ExecQuery(std::u16string_view language, std::u16string_view query,
                                int32_t flags, std::shared_ptr<EnumWbemClassObject>* enumerator) {
  if (enumerator == nullptr) {
    return WBEM_E_INVALID_PARAMETER;
  }
  *enumerator = nullptr;
  if ((flags & ~(WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY)) != 0) {
    return WBEM_E_INVALID_PARAMETER;
  }
  if (!EqualsIgnoreAsciiCase(language, u"WQL")) {
    return WBEM_E_INVALID_QUERY_TYPE;
  }
  const std::vector<std::u16string_view> words = SplitWords(query);
  if (words.size() != 4 || !EqualsIgnoreAsciiCase(words[0], u"select") || words[1] != u"*" ||
      !EqualsIgnoreAsciiCase(words[2], u"from")) {
    return WBEM_E_INVALID_QUERY;
  }
  // The class is named as in a class path: a name with no keys.
  ObjectPath classPath;
  if (!ParseObjectPath(words[3], &classPath) || !classPath.keys.empty()) {
    return WBEM_E_INVALID_QUERY;
  }
  const std::u16string& className = classPath.className;
  if (!provider_->IsReachable()) {
    return WBEM_E_TRANSPORT_FAILURE;
  }
  if (provider_->GetClass(className) == nullptr) {
    return WBEM_E_INVALID_CLASS;
  }
  *enumerator = std::make_shared<EnumWbemClassObject>(provider_->EnumerateInstances(className));
  return WBEM_S_NO_ERROR;
}

HRESULT WbemServices::FetchObject(std::u16string_view path, int32_t /*flags*/, ObjectPtr* object) {
  if (object == nullptr) {
    return WBEM_E_INVALID_PARAMETER;
  }
  *object = nullptr;
  const std::shared_ptr<const ObjectPath> parsedPath = ParsedPath(path);
  if (parsedPath == nullptr) {
    return WBEM_E_INVALID_OBJECT_PATH;
  }
  // The provider's service may have stopped since the connection was made.
  if (!provider_->IsReachable()) {
    return WBEM_E_TRANSPORT_FAILURE;
  }
  const ObjectPath& parsed = *parsedPath;
  ObjectPtr classObject = provider_->GetClass(parsed.className);
  if (classObject == nullptr) {
    return WBEM_E_NOT_FOUND;
  }
  if (parsed.keys.empty()) {
    *object = std::move(classObject);
    return WBEM_S_NO_ERROR;
  }
  for (ObjectPtr& instance : provider_->EnumerateInstances(parsed.className)) {
    bool matches = instance != nullptr;
    for (const auto& [key, value] : parsed.keys) {
      matches = matches && KeyMatches(*instance, key, value);
    }
    if (matches) {
      *object = std::move(instance);
      return WBEM_S_NO_ERROR;
    }
  }
  return WBEM_E_NOT_FOUND;
}

HRESULT WbemServices::ExecMethod(std::u16string_view objectPath, std::u16string_view method,
                                 int32_t /*flags*/, const WbemClassObject* inParams,
                                 ObjectPtr* outParams) {
  if (outParams != nullptr) {
    *outParams = nullptr;
  }
  if (method.empty()) {
    return WBEM_E_INVALID_PARAMETER;
  }
  const std::shared_ptr<const ObjectPath> parsed = ParsedPath(objectPath);
  if (parsed == nullptr) {
    return WBEM_E_INVALID_OBJECT_PATH;
  }
  if (!provider_->IsReachable()) {
    return WBEM_E_TRANSPORT_FAILURE;
  }
  ObjectPtr out;
  const HRESULT hr = provider_->ExecMethod(*parsed, method, inParams, &out);
  if (Succeeded(hr) && outParams != nullptr) {
    *outParams = std::move(out);
  }
  return hr;
}

WbemLocator::WbemLocator(const NamespaceRegistry& registry) : registry_(registry) {}

HRESULT WbemLocator::ConnectServer(std::u16string_view nameSpace,
                                   std::shared_ptr<WbemServices>* services) {
  if (services == nullptr) {
    return WBEM_E_INVALID_PARAMETER;
  }
  *services = nullptr;
  std::shared_ptr<IWbemProvider> provider = registry_.Find(nameSpace);
  if (provider == nullptr) {
    return WBEM_E_INVALID_NAMESPACE;
  }
  if (const HRESULT connected = provider->Connect(); Failed(connected)) {
    return connected;
  }
  *services = std::make_shared<WbemServices>(std::move(provider));
  return WBEM_S_NO_ERROR;
}

}  // namespace tbt::wmi

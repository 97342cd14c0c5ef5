#include "platform/wmi/Wmi.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>

#include "platform/Utf16.h"

namespace tbt::wmi {
namespace {

// Names in object paths and queries are made of these units only.
bool IsNameUnit(char16_t unit) {
  return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z') ||
         (unit >= u'0' && unit <= u'9') || unit == u'_';
}

bool IsBlank(char16_t unit) {
  return unit == u' ' || unit == u'\t' || unit == u'\r' || unit == u'\n';
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

// Values leave and enter objects as copies, so that clearing or freeing the caller's
// array never changes what an object holds.
Variant DeepCopy(const Variant& value) {
  Variant copy = value;
  if (value.parray) {
    copy.parray = std::make_shared<SafeArray>(*value.parray);
  }
  return copy;
}

Variant NullVariant() {
  Variant value;
  value.vt = VT_NULL;
  return value;
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

// The element position of `index`, or false when it lies outside the array.
bool ElementPosition(const SafeArray& array, int32_t index, size_t* position) {
  const int64_t relative = static_cast<int64_t>(index) - array.lowerBound;
  if (relative < 0 || static_cast<uint64_t>(relative) >= array.elements.size()) {
    return false;
  }
  *position = static_cast<size_t>(relative);
  return true;
}

// A client names a handful of paths; more than this means it builds them freely, and
// the kept ones are dropped rather than let grow.
constexpr size_t kMaxKeptPaths = 16;

}  // namespace

std::shared_ptr<SafeArray> SafeArrayCreateVector(int32_t lowerBound, uint32_t count) {
  // Allocation failure is a null array, as the system call reports it.
  try {
    auto array = std::make_shared<SafeArray>();
    array->lowerBound = lowerBound;
    array->elements.resize(count);
    return array;
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::length_error&) {
    return nullptr;
  }
}

HRESULT SafeArrayPutElement(SafeArray* array, int32_t index, uint8_t value) {
  if (array == nullptr) {
    return WBEM_E_INVALID_PARAMETER;
  }
  size_t position = 0;
  if (!ElementPosition(*array, index, &position)) {
    return DISP_E_BADINDEX;
  }
  array->elements[position] = value;
  return WBEM_S_NO_ERROR;
}

HRESULT SafeArrayGetElement(const SafeArray* array, int32_t index, uint8_t* value) {
  if (array == nullptr || value == nullptr) {
    return WBEM_E_INVALID_PARAMETER;
  }
  size_t position = 0;
  if (!ElementPosition(*array, index, &position)) {
    return DISP_E_BADINDEX;
  }
  *value = array->elements[position];
  return WBEM_S_NO_ERROR;
}

HRESULT SafeArrayDestroyData(SafeArray* array) {
  if (array == nullptr) {
    return WBEM_E_INVALID_PARAMETER;
  }
  std::vector<uint8_t>().swap(array->elements);
  return WBEM_S_NO_ERROR;
}

Variant Variant::Int32(int32_t value) {
  Variant variant;
  variant.vt = VT_I4;
  variant.lVal = value;
  return variant;
}

Variant Variant::String(std::u16string value) {
  Variant variant;
  variant.vt = VT_BSTR;
  variant.bstrVal = std::move(value);
  return variant;
}

Variant Variant::Bytes(std::shared_ptr<SafeArray> array) {
  Variant variant;
  variant.vt = VT_ARRAY_UI1;
  variant.parray = std::move(array);
  return variant;
}

void VariantClear(Variant* value) {
  if (value != nullptr) {
    *value = Variant{};
  }
}

WbemClassObject::WbemClassObject(std::u16string className)
    : className_(std::make_shared<const std::u16string>(std::move(className))) {}

const WbemClassObject::Property* WbemClassObject::FindProperty(std::u16string_view name) const {
  for (const Property& property : properties_) {
    if (EqualsIgnoreAsciiCase(property.name, name)) {
      return &property;
    }
  }
  return nullptr;
}

WbemClassObject::Property* WbemClassObject::FindProperty(std::u16string_view name) {
  const auto* self = this;
  return const_cast<Property*>(self->FindProperty(name));
}

HRESULT WbemClassObject::Get(std::u16string_view name, Variant* value) const {
  if (value == nullptr) {
    return WBEM_E_INVALID_PARAMETER;
  }
  VariantClear(value);
  const Property* property = FindProperty(name);
  if (property == nullptr) {
    return WBEM_E_NOT_FOUND;
  }
  *value = DeepCopy(property->value);
  return WBEM_S_NO_ERROR;
}

HRESULT WbemClassObject::Put(std::u16string_view name, const Variant& value) {
  return PutOwned(name, DeepCopy(value));
}

HRESULT WbemClassObject::Put(std::u16string_view name, Variant&& value) {
  // An array someone else still holds is copied, so their changes never reach the object.
  const bool soleOwner = value.parray == nullptr || value.parray.use_count() == 1;
  return PutOwned(name, soleOwner ? std::move(value) : DeepCopy(value));
}

HRESULT WbemClassObject::PutOwned(std::u16string_view name, Variant value) {
  if (name.empty()) {
    return WBEM_E_INVALID_PARAMETER;
  }
  const bool hasDeclarations = std::any_of(properties_.begin(), properties_.end(),
                                           [](const Property& p) { return p.declared; });
  Property* property = FindProperty(name);
  if (property == nullptr) {
    if (hasDeclarations) {
      return WBEM_E_NOT_FOUND;
    }
    properties_.push_back(Property{std::u16string(name), VT_EMPTY, false, NullVariant()});
    property = &properties_.back();
  }
  // An empty value resets the property like a null one.
  if (value.vt == VT_NULL || value.vt == VT_EMPTY) {
    property->value = NullVariant();
    return WBEM_S_NO_ERROR;
  }
  if (property->declared && value.vt != property->declaredType) {
    return WBEM_E_TYPE_MISMATCH;
  }
  property->value = std::move(value);
  return WBEM_S_NO_ERROR;
}

HRESULT WbemClassObject::GetMethod(std::u16string_view name, ObjectPtr* inSignature,
                                   ObjectPtr* outSignature) const {
  for (const Method& method : methods_) {
    if (!EqualsIgnoreAsciiCase(method.name, name)) {
      continue;
    }
    // Callers get their own copies, so a caller's Put never reaches the class.
    if (inSignature != nullptr) {
      *inSignature =
          method.inSignature ? std::make_shared<WbemClassObject>(*method.inSignature) : nullptr;
    }
    if (outSignature != nullptr) {
      *outSignature =
          method.outSignature ? std::make_shared<WbemClassObject>(*method.outSignature) : nullptr;
    }
    return WBEM_S_NO_ERROR;
  }
  return WBEM_E_NOT_FOUND;
}

HRESULT WbemClassObject::SpawnInstance(ObjectPtr* instance) const {
  if (instance == nullptr) {
    return WBEM_E_INVALID_PARAMETER;
  }
  // A copy shares the class name; then only the declared properties stay, all unset.
  auto spawned = std::make_shared<WbemClassObject>(*this);
  std::erase_if(spawned->properties_, [](const Property& property) { return !property.declared; });
  for (Property& property : spawned->properties_) {
    property.value = NullVariant();
  }
  *instance = std::move(spawned);
  return WBEM_S_NO_ERROR;
}

void WbemClassObject::DeclareProperty(std::u16string name, uint16_t type) {
  if (Property* existing = FindProperty(name)) {
    existing->declared = true;
    existing->declaredType = type;
    existing->value = NullVariant();
    return;
  }
  properties_.push_back(Property{std::move(name), type, true, NullVariant()});
}

void WbemClassObject::DeclareMethod(std::u16string name, ObjectPtr inSignature,
                                    ObjectPtr outSignature) {
  for (Method& method : methods_) {
    if (EqualsIgnoreAsciiCase(method.name, name)) {
      method.inSignature = std::move(inSignature);
      method.outSignature = std::move(outSignature);
      return;
    }
  }
  methods_.push_back(Method{std::move(name), std::move(inSignature), std::move(outSignature)});
}

std::vector<std::u16string> WbemClassObject::PropertyNames() const {
  std::vector<std::u16string> names;
  names.reserve(properties_.size());
  for (const Property& property : properties_) {
    names.push_back(property.name);
  }
  return names;
}

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
  std::u16string className;
  size_t pos = 0;
  if (!ReadName(words[3], &pos, &className) || pos != words[3].size()) {
    return WBEM_E_INVALID_QUERY;
  }
  if (!provider_->IsReachable()) {
    return WBEM_E_TRANSPORT_FAILURE;
  }
  if (provider_->GetClass(className) == nullptr) {
    return WBEM_E_INVALID_CLASS;
  }
  *enumerator = std::make_shared<EnumWbemClassObject>(provider_->EnumerateInstances(className));
  return WBEM_S_NO_ERROR;
}

HRESULT WbemServices::GetObject(std::u16string_view path, int32_t /*flags*/, ObjectPtr* object) {
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
  if (!provider->IsReachable()) {
    return WBEM_E_TRANSPORT_FAILURE;
  }
  *services = std::make_shared<WbemServices>(std::move(provider));
  return WBEM_S_NO_ERROR;
}

}  // namespace tbt::wmi

#include "platform/wmi/Wmi.h"

#include <algorithm>
#include <new>
#include <string>
#include <utility>

#include "platform/Utf16.h"

namespace tbt::wmi {
namespace {

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

// The element position of `index`, or false when it lies outside the array.
bool ElementPosition(const SafeArray& array, int32_t index, size_t* position) {
  const int64_t relative = static_cast<int64_t>(index) - array.lowerBound;
  if (relative < 0 || static_cast<uint64_t>(relative) >= array.elements.size()) {
    return false;
  }
  *position = static_cast<size_t>(relative);
  return true;
}

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
    return kBadIndex;
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
    return kBadIndex;
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

std::vector<std::u16string> WbemClassObject::PropertyNames() const {
  std::vector<std::u16string> names;
  names.reserve(properties_.size());
  for (const Property& property : properties_) {
    names.push_back(property.name);
  }
  return names;
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

}  // namespace tbt::wmi

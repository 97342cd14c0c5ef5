#pragma once

// Values between COM/WMI and the project's management object model: strings, variants,
// byte arrays and whole class objects. Included only by the Windows backend's sources.

#include <wbemidl.h>

#include <string>
#include <string_view>

#include "platform/wmi/Wmi.h"

namespace tbt::platform::windows_backend {

/// A BSTR owned by one object.
class ScopedBstr {
 public:
  explicit ScopedBstr(std::u16string_view text);
  ~ScopedBstr();
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;

  /// Null when there was no memory for the string.
  BSTR Get() const { return text_; }

 private:
  BSTR text_;
};

/// A VARIANT cleared when its owner goes.
class ScopedVariant {
 public:
  ScopedVariant() { ::VariantInit(&value_); }
  ~ScopedVariant() { ::VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;

  VARIANT* Get() { return &value_; }
  const VARIANT& Value() const { return value_; }

 private:
  VARIANT value_;
};

/// A BSTR's text (empty for a null BSTR).
std::u16string FromBstr(BSTR text);

/// The model's value for a COM value. Integers of any width and booleans become
/// 32-bit integers, strings strings, one-dimensional byte arrays byte arrays; any
/// other type reads as VT_NULL.
wmi::Variant ToModelVariant(const VARIANT& value);

/// Fills *out (initialised, empty) with the COM value for a model value: S_OK,
/// E_OUTOFMEMORY, or WBEM_E_TYPE_MISMATCH for a type the model does not carry.
HRESULT ToComVariant(const wmi::Variant& value, VARIANT* out);

/// The model's copy of a COM object: its class name, its non-system properties with
/// their declared types and values, and, when `withMethods`, every method with its in-
/// and out-signatures.
wmi::ObjectPtr ToModelObject(IWbemClassObject* object, bool withMethods);

}  // namespace tbt::platform::windows_backend

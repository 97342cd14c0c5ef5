#include "platform/windows/ComValues.h"

#include <cstring>
#include <memory>
#include <utility>

#include "platform/windows/ComRef.h"

namespace tbt::platform::windows_backend {

namespace {

wmi::Variant NullVariant() {
  wmi::Variant value;
  value.vt = wmi::VT_NULL;
  return value;
}

// The type a property keeps in the model, from its CIM type. Types the model does not
// carry stay undeclared and read as VT_NULL.
uint16_t ModelTypeOf(CIMTYPE type) {
  switch (type) {
    case CIM_SINT8:
    case CIM_UINT8:
    case CIM_SINT16:
    case CIM_UINT16:
    case CIM_SINT32:
    case CIM_UINT32:
    case CIM_BOOLEAN:
      return wmi::VT_I4;
    case CIM_STRING:
    case CIM_SINT64:  // 64-bit integers travel as decimal strings
    case CIM_UINT64:
    case CIM_DATETIME:
    case CIM_REFERENCE:
      return wmi::VT_BSTR;
    case CIM_UINT8 | CIM_FLAG_ARRAY:
      return wmi::VT_ARRAY_UI1;
    default:
      return wmi::VT_EMPTY;
  }
}

wmi::Variant ToModelBytes(SAFEARRAY* array) {
  LONG lower = 0;
  LONG upper = -1;
  if (array == nullptr || ::SafeArrayGetDim(array) != 1 ||
      FAILED(::SafeArrayGetLBound(array, 1, &lower)) ||
      FAILED(::SafeArrayGetUBound(array, 1, &upper)) || upper < lower - 1) {
    return NullVariant();
  }
  auto bytes = std::make_shared<wmi::SafeArray>();
  bytes->lowerBound = lower;
  bytes->elements.resize(static_cast<size_t>(static_cast<int64_t>(upper) - lower + 1));
  void* data = nullptr;
  if (!bytes->elements.empty()) {
    if (FAILED(::SafeArrayAccessData(array, &data))) {
      return NullVariant();
    }
    std::memcpy(bytes->elements.data(), data, bytes->elements.size());
    ::SafeArrayUnaccessData(array);
  }
  return wmi::Variant::Bytes(std::move(bytes));
}

HRESULT ToComBytes(const wmi::SafeArray* bytes, VARIANT* out) {
  const size_t count = bytes == nullptr ? 0 : bytes->elements.size();
  if (count > 0x7FFFFFFF) {
    return E_OUTOFMEMORY;
  }
  SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, bytes == nullptr ? 0 : bytes->lowerBound,
                                             static_cast<ULONG>(count));
  if (array == nullptr) {
    return E_OUTOFMEMORY;
  }
  if (count > 0) {
    void* data = nullptr;
    if (FAILED(::SafeArrayAccessData(array, &data))) {
      ::SafeArrayDestroy(array);
      return E_OUTOFMEMORY;
    }
    std::memcpy(data, bytes->elements.data(), count);
    ::SafeArrayUnaccessData(array);
  }
  out->vt = VT_ARRAY | VT_UI1;
  out->parray = array;
  return S_OK;
}

// Copies every non-system property of the COM object into the model object.
void CopyProperties(IWbemClassObject* object, wmi::WbemClassObject* model) {
  if (FAILED(object->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY))) {
    return;
  }
  for (;;) {
    BSTR name = nullptr;
    ScopedVariant value;
    CIMTYPE type = CIM_EMPTY;
    if (object->Next(0, &name, value.Get(), &type, nullptr) != WBEM_S_NO_ERROR) {
      break;
    }
    const std::u16string propertyName = FromBstr(name);
    ::SysFreeString(name);
    model->DeclareProperty(propertyName, ModelTypeOf(type));
    model->Put(propertyName, ToModelVariant(value.Value()));
  }
  object->EndEnumeration();
}

void CopyMethods(IWbemClassObject* object, wmi::WbemClassObject* model) {
  if (FAILED(object->BeginMethodEnumeration(0))) {
    return;
  }
  for (;;) {
    BSTR name = nullptr;
    ComRef<IWbemClassObject> in;
    ComRef<IWbemClassObject> out;
    if (object->NextMethod(0, &name, in.Out(), out.Out()) != WBEM_S_NO_ERROR) {
      break;
    }
    const std::u16string methodName = FromBstr(name);
    ::SysFreeString(name);
    model->DeclareMethod(methodName, in ? ToModelObject(in.Get(), false) : nullptr,
                         out ? ToModelObject(out.Get(), false) : nullptr);
  }
  object->EndMethodEnumeration();
}

}  // namespace

ScopedBstr::ScopedBstr(std::u16string_view text)
    : text_(::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                static_cast<UINT>(text.size()))) {}

ScopedBstr::~ScopedBstr() {
  ::SysFreeString(text_);
}

std::u16string FromBstr(BSTR text) {
  if (text == nullptr) {
    return {};
  }
  return std::u16string(reinterpret_cast<const char16_t*>(text), ::SysStringLen(text));
}

wmi::Variant ToModelVariant(const VARIANT& value) {
  switch (value.vt) {
    case VT_BSTR:
      return wmi::Variant::String(FromBstr(value.bstrVal));
    case VT_I1:
      return wmi::Variant::Int32(value.cVal);
    case VT_UI1:
      return wmi::Variant::Int32(value.bVal);
    case VT_I2:
      return wmi::Variant::Int32(value.iVal);
    case VT_UI2:
      return wmi::Variant::Int32(value.uiVal);
    case VT_I4:
      return wmi::Variant::Int32(value.lVal);
    case VT_UI4:
      return wmi::Variant::Int32(static_cast<int32_t>(value.ulVal));
    case VT_INT:
      return wmi::Variant::Int32(value.intVal);
    case VT_UINT:
      return wmi::Variant::Int32(static_cast<int32_t>(value.uintVal));
    case VT_BOOL:
      return wmi::Variant::Int32(value.boolVal != VARIANT_FALSE ? 1 : 0);
    case VT_ARRAY | VT_UI1:
      return ToModelBytes(value.parray);
    default:
      return NullVariant();
  }
}

HRESULT ToComVariant(const wmi::Variant& value, VARIANT* out) {
  switch (value.vt) {
    case wmi::VT_EMPTY:
      out->vt = VT_EMPTY;
      return S_OK;
    case wmi::VT_NULL:
      out->vt = VT_NULL;
      return S_OK;
    case wmi::VT_I4:
      out->vt = VT_I4;
      out->lVal = value.lVal;
      return S_OK;
    case wmi::VT_UI1:
      out->vt = VT_UI1;
      out->bVal = static_cast<BYTE>(value.lVal);
      return S_OK;
    case wmi::VT_BSTR:
      out->bstrVal = ::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(value.bstrVal.data()),
                                         static_cast<UINT>(value.bstrVal.size()));
      if (out->bstrVal == nullptr) {
        return E_OUTOFMEMORY;
      }
      out->vt = VT_BSTR;
      return S_OK;
    case wmi::VT_ARRAY_UI1:
      return ToComBytes(value.parray.get(), out);
    default:
      return wmi::WBEM_E_TYPE_MISMATCH;
  }
}

wmi::ObjectPtr ToModelObject(IWbemClassObject* object, bool withMethods) {
  ScopedVariant className;
  const bool named = SUCCEEDED(object->Get(L"__CLASS", 0, className.Get(), nullptr, nullptr)) &&
                     className.Value().vt == VT_BSTR;
  auto model =
      std::make_shared<wmi::WbemClassObject>(named ? FromBstr(className.Value().bstrVal) : u"");
  CopyProperties(object, model.get());
  if (withMethods) {
    CopyMethods(object, model.get());
  }
  return model;
}

}  // namespace tbt::platform::windows_backend

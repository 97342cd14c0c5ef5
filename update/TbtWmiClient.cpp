#include "update/TbtWmiClient.h"

#include <string>
#include <string_view>

#include "platform/TbtProviderNames.h"

namespace tbt {
namespace {

constexpr std::u16string_view kControllerQuery = u"select * from SdkTbtController";
constexpr int32_t kQueryFlags = wmi::WBEM_FLAG_FORWARD_ONLY | wmi::WBEM_FLAG_RETURN_IMMEDIATELY;

// The longest path the fixed buffer holds, leaving room for the terminator.
constexpr size_t kMaxPathUnits = kControllerPathCapacity - 1;

// `SdkTbtController.ControllerId="<id>"`. The id ends at its first 0 unit, as a C string
// would.
std::u16string FormatControllerPath(const std::u16string& controllerId) {
  const std::u16string_view id(controllerId.c_str());
  std::u16string path;
  path.append(kTbtClass).append(u".").append(kTbtKey).append(u"=\"").append(id).append(u"\"");
  return path;
}

size_t EscapedLength(std::u16string_view text) {
  size_t length = text.size();
  for (char16_t unit : text) {
    length += unit == u'\\' ? 1 : 0;
  }
  return length;
}

// Puts one 32-bit in-parameter; the provider reads offsets and sizes as signed.
void PutInt32(wmi::WbemClassObject& in, std::u16string_view name, uint32_t number) {
  wmi::Variant value = wmi::Variant::Int32(static_cast<int32_t>(number));
  in.Put(name, value);
  wmi::VariantClear(&value);
}

}  // namespace

CTbtWmiClient::CTbtWmiClient(const wmi::NamespaceRegistry& registry) : registry_(registry) {}

bool CTbtWmiClient::ConnectWmi() {
  // Constructing the locator stands for creating it; it cannot fail.
  wmi::WbemLocator locator(registry_);
  std::shared_ptr<wmi::WbemServices> services;
  const wmi::HRESULT hr = locator.ConnectServer(kTbtNamespace, &services);
  // Each connect replaces the held services, a failed one with none.
  services_ = std::move(services);
  return wmi::Succeeded(hr);
}

bool CTbtWmiClient::FindControllerPath() {
  if (services_ == nullptr) {
    return false;
  }
  std::shared_ptr<wmi::EnumWbemClassObject> enumerator;
  if (wmi::Succeeded(services_->ExecQuery(u"WQL", kControllerQuery, kQueryFlags, &enumerator)) &&
      enumerator != nullptr) {
    // Only the first controller the query returns is ever addressed.
    wmi::ObjectPtr object;
    uint32_t returned = 0;
    if (wmi::Succeeded(enumerator->Next(wmi::WBEM_INFINITE, 1, &object, &returned)) &&
        returned == 1 && object != nullptr) {
      wmi::Variant id;
      if (wmi::Succeeded(object->Get(kTbtKey, &id)) && id.vt == wmi::VT_BSTR) {
        // A path that does not fit is refused rather than cut: a cut path would
        // address another instance or none.
        const std::u16string path = FormatControllerPath(id.bstrVal);
        if (EscapedLength(path) <= kMaxPathUnits) {
          EscapeObjectPath(path.c_str(), controllerPath_, kControllerPathCapacity);
        }
      }
      wmi::VariantClear(&id);
    }
  }
  return controllerPath_[0] != 0;
}

void CTbtWmiClient::EscapeObjectPath(const char16_t* source, char16_t* destination,
                                     size_t capacity) {
  if (source == nullptr || destination == nullptr || capacity == 0) {
    return;
  }
  const size_t limit = capacity - 1;
  size_t written = 0;
  for (const char16_t* unit = source; *unit != 0 && written < limit; ++unit) {
    destination[written++] = *unit;
    // Backslashes reach the object path doubled; the limit may fall between the two.
    if (*unit == u'\\' && written < limit) {
      destination[written++] = u'\\';
    }
  }
  destination[written] = 0;
}

UpdateResult CTbtWmiClient::CallMethod(std::u16string_view method, const InParamWriter& writeIn,
                                       const OutParamReader& readOut) {
  UpdateResult result = TBU_E_WMI_FAILED;
  if (services_ == nullptr) {
    return result;
  }
  if (controllerPath_[0] == 0 && !FindControllerPath()) {
    return TBU_E_NO_CONTROLLER;
  }
  wmi::ObjectPtr classObject;
  if (wmi::Failed(services_->FetchObject(kTbtClass, 0, &classObject)) || classObject == nullptr) {
    return result;
  }
  // A method without in-parameters is only asked whether it exists.
  wmi::ObjectPtr inSignature;
  if (wmi::Failed(classObject->GetMethod(method, writeIn ? &inSignature : nullptr, nullptr))) {
    return result;
  }
  wmi::ObjectPtr inParams;
  if (writeIn) {
    if (inSignature == nullptr || wmi::Failed(inSignature->SpawnInstance(&inParams)) ||
        inParams == nullptr) {
      return result;
    }
    writeIn(*inParams);
  }
  wmi::ObjectPtr outParams;
  const wmi::HRESULT hr =
      services_->ExecMethod(controllerPath_, method, 0, inParams.get(), &outParams);
  if (wmi::Succeeded(hr) && outParams != nullptr) {
    wmi::Variant returnValue;
    // Only an exact success counts; the value is taken whatever its type.
    if (outParams->Get(u"ReturnValue", &returnValue) == wmi::WBEM_S_NO_ERROR) {
      result = static_cast<UpdateResult>(returnValue.lVal);
    }
    wmi::VariantClear(&returnValue);
    if (readOut) {
      readOut(*outParams);
    }
  }
  return result;
}

UpdateResult CTbtWmiClient::GetCurrentNvmVersion(uint32_t* version) {
  return CallMethod(u"GetCurrentNvmVersion", nullptr, [version](const wmi::WbemClassObject& out) {
    wmi::Variant value;
    if (out.Get(u"NvmVersion", &value) == wmi::WBEM_S_NO_ERROR && version != nullptr) {
      *version = static_cast<uint32_t>(value.lVal);
    }
    wmi::VariantClear(&value);
  });
}

UpdateResult CTbtWmiClient::ReadFirmware(uint32_t offset, uint32_t length, uint8_t* destination) {
  if (destination == nullptr && length > 0) {
    return TBU_E_WMI_FAILED;
  }
  const auto writeIn = [offset, length](wmi::WbemClassObject& in) {
    PutInt32(in, u"offset", offset);
    PutInt32(in, u"length", length);
  };
  const auto readOut = [length, destination](const wmi::WbemClassObject& out) {
    wmi::Variant data;
    if (wmi::Succeeded(out.Get(u"data", &data)) && data.vt == wmi::VT_ARRAY_UI1 &&
        data.parray != nullptr) {
      // Elements the array lacks leave their destination bytes as they were. Past
      // the array's last index no later element can exist, so the loop stops there.
      const int64_t lastIndex = static_cast<int64_t>(data.parray->lowerBound) +
                                static_cast<int64_t>(data.parray->elements.size()) - 1;
      for (uint32_t i = 0; i < length && static_cast<int64_t>(i) <= lastIndex; ++i) {
        wmi::SafeArrayGetElement(data.parray.get(), static_cast<int32_t>(i), &destination[i]);
      }
      wmi::SafeArrayDestroyData(data.parray.get());
    }
    wmi::VariantClear(&data);
  };
  return CallMethod(u"ReadFirmware", writeIn, readOut);
}

UpdateResult CTbtWmiClient::UpdateFirmware(const uint8_t* image, uint32_t size) {
  if (image == nullptr && size > 0) {
    return TBU_E_WMI_FAILED;
  }
  const auto writeIn = [image, size](wmi::WbemClassObject& in) {
    PutInt32(in, u"BufferSize", size);
    // Without an array "Buffer" still goes out, typed but empty; the provider refuses it.
    std::shared_ptr<wmi::SafeArray> array = wmi::SafeArrayCreateVector(0, size);
    if (array != nullptr) {
      for (uint32_t i = 0; i < size; ++i) {
        wmi::SafeArrayPutElement(array.get(), static_cast<int32_t>(i), image[i]);
      }
    }
    wmi::Variant value = wmi::Variant::Bytes(std::move(array));
    in.Put(u"Buffer", value);
    wmi::VariantClear(&value);
  };
  return CallMethod(u"UpdateFirmware", writeIn, nullptr);
}

}  // namespace tbt

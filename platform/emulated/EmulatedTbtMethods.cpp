// The provider's three methods, run on a controller under the provider's lock.

#include "platform/emulated/EmulatedTbtProvider.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "platform/NvmImageFormat.h"
#include "platform/NvmSectionLayout.h"

namespace tbt::emulated {
namespace {

using wmi::HRESULT;
using wmi::Variant;
using wmi::WbemClassObject;

// Reads a required in-parameter: absent or null is a missing parameter.
HRESULT GetInParameter(const WbemClassObject* inParams, std::u16string_view name, Variant* value) {
  if (inParams == nullptr || wmi::Failed(inParams->Get(name, value)) || value->vt == wmi::VT_NULL ||
      value->vt == wmi::VT_EMPTY) {
    return wmi::WBEM_E_INVALID_METHOD_PARAMETERS;
  }
  return wmi::WBEM_S_NO_ERROR;
}

Variant ReturnValueVariant(uint32_t value) {
  return Variant::Int32(static_cast<int32_t>(value));
}

}  // namespace

HRESULT EmulatedTbtProvider::RunGetCurrentNvmVersionLocked(const EmulatedController& controller,
                                                           std::vector<OutParameter>* out) {
  int32_t version = 0;
  if (nvmVersion_.has_value()) {
    version = *nvmVersion_;
  } else {
    version =
        static_cast<int32_t>(ReadLittleEndianAt(controller.nvm, kVersionOffset, 1).value_or(0));
  }
  out->push_back({u"ReturnValue", wmi::VT_I4, ReturnValueVariant(kTbtReturnOk)});
  out->push_back({u"NvmVersion", wmi::VT_I4, Variant::Int32(version)});
  return wmi::WBEM_S_NO_ERROR;
}

HRESULT EmulatedTbtProvider::RunReadFirmwareLocked(const EmulatedController& controller,
                                                   const WbemClassObject* inParams,
                                                   std::vector<OutParameter>* out) {
  Variant offset;
  Variant length;
  if (wmi::Failed(GetInParameter(inParams, u"offset", &offset)) ||
      wmi::Failed(GetInParameter(inParams, u"length", &length))) {
    return wmi::WBEM_E_INVALID_METHOD_PARAMETERS;
  }
  // A refused read still carries "data", as null.
  const auto refuse = [out](uint32_t returnValue) {
    Variant noData;
    noData.vt = wmi::VT_NULL;
    out->push_back({u"ReturnValue", wmi::VT_I4, ReturnValueVariant(returnValue)});
    out->push_back({u"data", wmi::VT_ARRAY_UI1, noData});
    return wmi::WBEM_S_NO_ERROR;
  };
  if (offset.vt != wmi::VT_I4 || length.vt != wmi::VT_I4) {
    return refuse(kTbtReturnBadParameters);
  }
  readOffsets_.push_back(offset.lVal);
  const size_t size = controller.nvm.size();
  if (offset.lVal < 0 || length.lVal < 0 || static_cast<size_t>(offset.lVal) >= size) {
    return refuse(kTbtReturnOutOfRange);
  }
  // A read that runs past the end delivers the bytes that exist.
  const size_t start = static_cast<size_t>(offset.lVal);
  const size_t count = std::min(static_cast<size_t>(length.lVal), size - start);
  auto data = wmi::SafeArrayCreateVector(0, static_cast<uint32_t>(count));
  if (data == nullptr) {
    return wmi::kOutOfMemory;
  }
  std::copy_n(controller.nvm.begin() + static_cast<std::ptrdiff_t>(start), count,
              data->elements.begin());
  out->push_back({u"ReturnValue", wmi::VT_I4, ReturnValueVariant(kTbtReturnOk)});
  out->push_back({u"data", wmi::VT_ARRAY_UI1, Variant::Bytes(std::move(data))});
  return wmi::WBEM_S_NO_ERROR;
}

HRESULT EmulatedTbtProvider::RunUpdateFirmwareLocked(EmulatedController& controller,
                                                     const WbemClassObject* inParams,
                                                     bool applyImage,
                                                     std::vector<OutParameter>* out) {
  Variant bufferSize;
  Variant buffer;
  if (wmi::Failed(GetInParameter(inParams, u"BufferSize", &bufferSize)) ||
      wmi::Failed(GetInParameter(inParams, u"Buffer", &buffer))) {
    return wmi::WBEM_E_INVALID_METHOD_PARAMETERS;
  }
  const bool wellFormed = bufferSize.vt == wmi::VT_I4 && bufferSize.lVal >= 0 &&
                          buffer.vt == wmi::VT_ARRAY_UI1 && buffer.parray != nullptr &&
                          buffer.parray->lowerBound == 0 &&
                          buffer.parray->elements.size() == static_cast<size_t>(bufferSize.lVal);
  if (!wellFormed) {
    out->push_back({u"ReturnValue", wmi::VT_I4, ReturnValueVariant(kTbtReturnBadParameters)});
    return wmi::WBEM_S_NO_ERROR;
  }
  const std::vector<uint8_t>& image = buffer.parray->elements;
  lastWrittenImage_ = image;
  std::optional<std::vector<uint8_t>> space = NvmSpaceFromImage(image);
  if (!space || space->empty()) {
    out->push_back({u"ReturnValue", wmi::VT_I4, ReturnValueVariant(kTbtReturnNoSectionPointer)});
    return wmi::WBEM_S_NO_ERROR;
  }
  if (applyImage) {
    controller.nvm = std::move(*space);
  }
  out->push_back({u"ReturnValue", wmi::VT_I4, ReturnValueVariant(kTbtReturnOk)});
  return wmi::WBEM_S_NO_ERROR;
}

}  // namespace tbt::emulated

#include "platform/emulated/EmulatedTbtProvider.h"

#include <array>
#include <utility>

#include "platform/TbtProviderNames.h"
#include "platform/Utf16.h"

namespace tbt::emulated {
namespace {

using wmi::HRESULT;
using wmi::ObjectPtr;
using wmi::Variant;
using wmi::WbemClassObject;

constexpr std::u16string_view kGetCurrentNvmVersion = u"GetCurrentNvmVersion";
constexpr std::u16string_view kReadFirmware = u"ReadFirmware";
constexpr std::u16string_view kUpdateFirmware = u"UpdateFirmware";
constexpr std::array<std::u16string_view, 3> kMethods = {kGetCurrentNvmVersion, kReadFirmware,
                                                         kUpdateFirmware};

// Method names compare without regard to case; the known spelling is used for the
// counters and the failure tables so that tests need not match the caller's case.
std::u16string_view CanonicalMethodName(std::u16string_view method) {
  for (std::u16string_view known : kMethods) {
    if (EqualsIgnoreAsciiCase(known, method)) {
      return known;
    }
  }
  return method;
}

ObjectPtr Signature(std::u16string_view className,
                    std::initializer_list<std::pair<std::u16string_view, uint16_t>> params) {
  auto signature = std::make_shared<WbemClassObject>(std::u16string(className));
  for (const auto& [name, type] : params) {
    signature->DeclareProperty(std::u16string(name), type);
  }
  return signature;
}

}  // namespace

EmulatedTbtProvider::EmulatedTbtProvider() = default;

size_t EmulatedTbtProvider::AddController(EmulatedController controller) {
  std::lock_guard lock(mutex_);
  controllers_.push_back(std::move(controller));
  return controllers_.size() - 1;
}

EmulatedController EmulatedTbtProvider::Controller(size_t index) const {
  std::lock_guard lock(mutex_);
  return index < controllers_.size() ? controllers_[index] : EmulatedController{};
}

void EmulatedTbtProvider::SetAvailability(std::function<bool()> reachable,
                                          std::function<bool()> present) {
  std::lock_guard lock(mutex_);
  reachable_ = std::move(reachable);
  present_ = std::move(present);
}

void EmulatedTbtProvider::FailMethod(std::u16string method, wmi::HRESULT hr) {
  std::lock_guard lock(mutex_);
  failedMethods_[std::u16string(CanonicalMethodName(method))] = hr;
}

void EmulatedTbtProvider::ForceReturnValue(std::u16string method, uint32_t value) {
  std::lock_guard lock(mutex_);
  forcedReturnValues_[std::u16string(CanonicalMethodName(method))] = value;
}

void EmulatedTbtProvider::OmitOutParameter(std::u16string method, std::u16string parameter) {
  std::lock_guard lock(mutex_);
  omittedOutParameters_.emplace(CanonicalMethodName(method), std::move(parameter));
  outParamTemplates_.clear();
}

void EmulatedTbtProvider::FailGetClass(bool fail) {
  std::lock_guard lock(mutex_);
  failGetClass_ = fail;
}

void EmulatedTbtProvider::SetNvmVersion(std::optional<int32_t> version) {
  std::lock_guard lock(mutex_);
  nvmVersion_ = version;
}

void EmulatedTbtProvider::ClearInjections() {
  std::lock_guard lock(mutex_);
  failedMethods_.clear();
  forcedReturnValues_.clear();
  omittedOutParameters_.clear();
  failGetClass_ = false;
  nvmVersion_.reset();
  classCache_.reset();
  outParamTemplates_.clear();
}

void EmulatedTbtProvider::SetCallObserver(std::function<void(std::u16string_view)> observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

size_t EmulatedTbtProvider::CallCount(std::u16string_view method) const {
  std::lock_guard lock(mutex_);
  const auto found = callCounts_.find(CanonicalMethodName(method));
  return found == callCounts_.end() ? 0 : found->second;
}

size_t EmulatedTbtProvider::EnumerationCount() const {
  std::lock_guard lock(mutex_);
  return enumerationCount_;
}

std::vector<int32_t> EmulatedTbtProvider::ReadOffsets() const {
  std::lock_guard lock(mutex_);
  return readOffsets_;
}

std::vector<uint8_t> EmulatedTbtProvider::LastWrittenImage() const {
  std::lock_guard lock(mutex_);
  return lastWrittenImage_;
}

std::u16string EmulatedTbtProvider::LastAddressedControllerId() const {
  std::lock_guard lock(mutex_);
  return lastAddressedControllerId_;
}

bool EmulatedTbtProvider::IsReachable() {
  std::function<bool()> reachable;
  {
    std::lock_guard lock(mutex_);
    reachable = reachable_;
  }
  // The condition may ask other emulated services, which take their own locks.
  return !reachable || reachable();
}

bool EmulatedTbtProvider::IsPresent() {
  std::function<bool()> present;
  {
    std::lock_guard lock(mutex_);
    present = present_;
  }
  return !present || present();
}

const ObjectPtr& EmulatedTbtProvider::ClassLocked() {
  if (classCache_ != nullptr) {
    return classCache_;
  }
  auto classObject = std::make_shared<WbemClassObject>(std::u16string(kTbtClass));
  classObject->DeclareProperty(std::u16string(kTbtKey), wmi::VT_BSTR);
  const std::pair<std::u16string_view, std::pair<ObjectPtr, ObjectPtr>> methods[] = {
      {kGetCurrentNvmVersion,
       {nullptr,
        Signature(u"__PARAMETERS", {{u"ReturnValue", wmi::VT_I4}, {u"NvmVersion", wmi::VT_I4}})}},
      {kReadFirmware,
       {Signature(u"__PARAMETERS", {{u"offset", wmi::VT_I4}, {u"length", wmi::VT_I4}}),
        Signature(u"__PARAMETERS", {{u"ReturnValue", wmi::VT_I4}, {u"data", wmi::VT_ARRAY_UI1}})}},
      {kUpdateFirmware,
       {Signature(u"__PARAMETERS", {{u"BufferSize", wmi::VT_I4}, {u"Buffer", wmi::VT_ARRAY_UI1}}),
        Signature(u"__PARAMETERS", {{u"ReturnValue", wmi::VT_I4}})}},
  };
  for (const auto& [name, signatures] : methods) {
    classObject->DeclareMethod(std::u16string(name), signatures.first, signatures.second);
  }
  classCache_ = std::move(classObject);
  return classCache_;
}

ObjectPtr EmulatedTbtProvider::GetClass(std::u16string_view className) {
  std::lock_guard lock(mutex_);
  if (failGetClass_ || !EqualsIgnoreAsciiCase(className, kTbtClass)) {
    return nullptr;
  }
  // The definition is shared: callers read it, and GetMethod hands out copies of the
  // signatures that they fill in.
  return ClassLocked();
}

std::vector<ObjectPtr> EmulatedTbtProvider::EnumerateInstances(std::u16string_view className) {
  const bool present = IsPresent();
  std::lock_guard lock(mutex_);
  ++enumerationCount_;
  std::vector<ObjectPtr> instances;
  if (!present || !EqualsIgnoreAsciiCase(className, kTbtClass)) {
    return instances;
  }
  for (const EmulatedController& controller : controllers_) {
    auto instance = std::make_shared<WbemClassObject>(std::u16string(kTbtClass));
    instance->DeclareProperty(std::u16string(kTbtKey), wmi::VT_BSTR);
    instance->Put(kTbtKey, Variant::String(controller.controllerId));
    instances.push_back(std::move(instance));
  }
  return instances;
}

EmulatedController* EmulatedTbtProvider::FindControllerLocked(const wmi::ObjectPath& path,
                                                              HRESULT* hr) {
  if (!EqualsIgnoreAsciiCase(path.className, kTbtClass)) {
    *hr = wmi::WBEM_E_INVALID_CLASS;
    return nullptr;
  }
  // An instance method needs exactly the one key.
  if (path.keys.size() != 1 || !EqualsIgnoreAsciiCase(path.keys[0].first, kTbtKey)) {
    *hr = wmi::WBEM_E_INVALID_OBJECT_PATH;
    return nullptr;
  }
  lastAddressedControllerId_ = path.keys[0].second;
  for (EmulatedController& controller : controllers_) {
    if (controller.controllerId == path.keys[0].second) {
      return &controller;
    }
  }
  *hr = wmi::WBEM_E_NOT_FOUND;
  return nullptr;
}

ObjectPtr EmulatedTbtProvider::BuildOutParamsLocked(std::u16string_view method,
                                                    std::vector<OutParameter> values) {
  const auto omitted = [&](std::u16string_view parameter) {
    return !omittedOutParameters_.empty() &&
           omittedOutParameters_.contains({std::u16string(method), std::u16string(parameter)});
  };
  auto found = outParamTemplates_.find(method);
  if (found == outParamTemplates_.end()) {
    auto empty = std::make_shared<WbemClassObject>(u"__PARAMETERS");
    for (const OutParameter& parameter : values) {
      if (!omitted(parameter.name)) {
        empty->DeclareProperty(std::u16string(parameter.name), parameter.type);
      }
    }
    found = outParamTemplates_.emplace(std::u16string(method), std::move(empty)).first;
  }
  auto out = std::make_shared<WbemClassObject>(*found->second);
  for (OutParameter& parameter : values) {
    if (!omitted(parameter.name)) {
      out->Put(parameter.name, std::move(parameter.value));
    }
  }
  return out;
}

HRESULT EmulatedTbtProvider::ExecMethod(const wmi::ObjectPath& path, std::u16string_view method,
                                        const WbemClassObject* inParams, ObjectPtr* outParams) {
  if (outParams == nullptr) {
    return wmi::WBEM_E_INVALID_PARAMETER;
  }
  *outParams = nullptr;
  std::function<void(std::u16string_view)> observer;
  {
    std::lock_guard lock(mutex_);
    observer = observer_;
  }
  if (observer) {
    observer(method);
  }
  if (!IsReachable()) {
    return wmi::WBEM_E_TRANSPORT_FAILURE;
  }
  const bool present = IsPresent();

  std::lock_guard lock(mutex_);
  const std::u16string_view name = CanonicalMethodName(method);
  if (auto count = callCounts_.find(name); count != callCounts_.end()) {
    ++count->second;
  } else {
    callCounts_.emplace(std::u16string(name), 1);
  }
  if (const auto failure = failedMethods_.find(name); failure != failedMethods_.end()) {
    return failure->second;
  }
  const bool known =
      name == kGetCurrentNvmVersion || name == kReadFirmware || name == kUpdateFirmware;
  if (!known) {
    return wmi::WBEM_E_INVALID_METHOD;
  }
  HRESULT hr = wmi::WBEM_E_NOT_FOUND;
  EmulatedController* controller = FindControllerLocked(path, &hr);
  if (controller == nullptr) {
    return hr;
  }
  if (!present) {
    return wmi::WBEM_E_NOT_FOUND;
  }

  const auto forced = forcedReturnValues_.find(name);
  const bool forcedFailure = forced != forcedReturnValues_.end() && forced->second != kTbtReturnOk;
  std::vector<OutParameter> values;
  values.reserve(2);
  if (name == kGetCurrentNvmVersion) {
    hr = RunGetCurrentNvmVersionLocked(*controller, &values);
  } else if (name == kReadFirmware) {
    hr = RunReadFirmwareLocked(*controller, inParams, &values);
  } else {
    hr = RunUpdateFirmwareLocked(*controller, inParams, !forcedFailure, &values);
  }
  if (wmi::Failed(hr)) {
    return hr;
  }
  if (forced != forcedReturnValues_.end()) {
    values.front().value = Variant::Int32(static_cast<int32_t>(forced->second));
  }
  *outParams = BuildOutParamsLocked(name, std::move(values));
  return wmi::WBEM_S_NO_ERROR;
}

void RegisterEmulatedTbtProvider(wmi::NamespaceRegistry& registry,
                                 std::shared_ptr<EmulatedTbtProvider> provider) {
  registry.Register(std::u16string(kTbtNamespace), std::move(provider));
}

}  // namespace tbt::emulated

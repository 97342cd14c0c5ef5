#include "platform/linux/SysfsTbtProvider.h"

#include <cerrno>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/TbtProviderNames.h"
#include "platform/Utf16.h"
#include "platform/linux/KernelImageRules.h"
#include "platform/linux/LinuxReturnValues.h"

namespace tbt::platform::linux_backend {

namespace fs = std::filesystem;
using wmi::ObjectPtr;
using wmi::Variant;
using wmi::WbemClassObject;

namespace {

ObjectPtr MakeSignature(std::initializer_list<std::pair<std::u16string, uint16_t>> properties) {
  auto signature = std::make_shared<WbemClassObject>(u"__PARAMETERS");
  for (const auto& [name, type] : properties) {
    signature->DeclareProperty(name, type);
  }
  return signature;
}

ObjectPtr MakeClass() {
  auto cls = std::make_shared<WbemClassObject>(std::u16string(kTbtClass));
  cls->DeclareProperty(std::u16string(kTbtKey), wmi::VT_BSTR);
  cls->DeclareMethod(u"GetCurrentNvmVersion", MakeSignature({}),
                     MakeSignature({{u"ReturnValue", wmi::VT_I4},
                                    {u"NvmVersion", wmi::VT_I4},
                                    {u"NvmVersionMinor", wmi::VT_I4}}));
  cls->DeclareMethod(u"ReadFirmware",
                     MakeSignature({{u"offset", wmi::VT_I4}, {u"length", wmi::VT_I4}}),
                     MakeSignature({{u"ReturnValue", wmi::VT_I4}, {u"data", wmi::VT_ARRAY_UI1}}));
  cls->DeclareMethod(u"UpdateFirmware",
                     MakeSignature({{u"BufferSize", wmi::VT_I4}, {u"Buffer", wmi::VT_ARRAY_UI1}}),
                     MakeSignature({{u"ReturnValue", wmi::VT_I4}}));
  return cls;
}

std::optional<int32_t> GetInt32(const WbemClassObject* object, std::u16string_view name) {
  if (object == nullptr) {
    return std::nullopt;
  }
  Variant value;
  if (wmi::Failed(object->Get(name, &value)) || value.vt != wmi::VT_I4) {
    return std::nullopt;
  }
  return value.lVal;
}

}  // namespace

SysfsTbtProvider::SysfsTbtProvider(const SysfsTree& tree, IPrivilegedOps& privileged, IClock& clock,
                                   AttributeReader readStatus)
    : tree_(tree),
      privileged_(privileged),
      clock_(clock),
      readStatus_(std::move(readStatus)),
      class_(MakeClass()) {}

ObjectPtr SysfsTbtProvider::GetClass(std::u16string_view className) {
  if (!EqualsIgnoreAsciiCase(className, kTbtClass)) {
    return nullptr;
  }
  return class_;
}

std::vector<ObjectPtr> SysfsTbtProvider::EnumerateInstances(std::u16string_view className) {
  std::vector<ObjectPtr> instances;
  if (!EqualsIgnoreAsciiCase(className, kTbtClass)) {
    return instances;
  }
  for (const std::string& router : tree_.HostRouters()) {
    ObjectPtr instance;
    if (wmi::Failed(class_->SpawnInstance(&instance))) {
      continue;
    }
    instance->Put(kTbtKey, Variant::String(ToUtf16(router)));
    instances.push_back(std::move(instance));
  }
  return instances;
}

wmi::HRESULT SysfsTbtProvider::ExecMethod(const wmi::ObjectPath& path, std::u16string_view method,
                                          const WbemClassObject* inParams, ObjectPtr* outParams) {
  if (!EqualsIgnoreAsciiCase(path.className, kTbtClass)) {
    return wmi::WBEM_E_INVALID_CLASS;
  }
  std::string router;
  for (const auto& [key, value] : path.keys) {
    if (EqualsIgnoreAsciiCase(key, kTbtKey)) {
      router = ToUtf8(value);
    }
  }
  bool known = false;
  for (const std::string& candidate : tree_.HostRouters()) {
    known = known || candidate == router;
  }
  if (!known) {
    return wmi::WBEM_E_NOT_FOUND;
  }
  ObjectPtr outSignature;
  if (wmi::Failed(class_->GetMethod(method, nullptr, &outSignature)) || !outSignature) {
    return wmi::WBEM_E_INVALID_METHOD;
  }
  ObjectPtr out;
  if (wmi::Failed(outSignature->SpawnInstance(&out))) {
    return wmi::WBEM_E_FAILED;
  }
  uint32_t returnValue = kTbtOk;
  if (EqualsIgnoreAsciiCase(method, u"GetCurrentNvmVersion")) {
    returnValue = GetCurrentNvmVersion(router, *out);
  } else if (EqualsIgnoreAsciiCase(method, u"ReadFirmware")) {
    returnValue = ReadFirmware(router, inParams, *out);
  } else {
    returnValue = UpdateFirmware(router, inParams);
  }
  out->Put(u"ReturnValue", Variant::Int32(static_cast<int32_t>(returnValue)));
  if (outParams != nullptr) {
    *outParams = std::move(out);
  }
  return wmi::WBEM_S_NO_ERROR;
}

uint32_t SysfsTbtProvider::GetCurrentNvmVersion(const std::string& router, WbemClassObject& out) {
  const FileResult text = SysfsTree::ReadText(tree_.RouterDir(router) / "nvm_version");
  if (!text.ok()) {
    return kTbtNvmVersionUnreadable;
  }
  const auto version = ParseNvmVersion(text.text);
  if (!version) {
    return kTbtNvmVersionMalformed;
  }
  out.Put(u"NvmVersion", Variant::Int32(static_cast<int32_t>(version->major)));
  out.Put(u"NvmVersionMinor", Variant::Int32(static_cast<int32_t>(version->minor)));
  return kTbtOk;
}

uint32_t SysfsTbtProvider::ReadFirmware(const std::string& router, const WbemClassObject* in,
                                        WbemClassObject& out) {
  const auto offset = GetInt32(in, u"offset");
  const auto length = GetInt32(in, u"length");
  if (!offset || !length || *offset < 0 || *length < 0) {
    return kTbtReadOutOfRange;
  }
  const auto active = tree_.FindNvmem(router, "nvm_active");
  if (!active) {
    return kTbtActiveNvmMissing;
  }
  std::error_code ec;
  const uint64_t total = fs::file_size(*active, ec);
  if (ec) {
    return kTbtActiveNvmMissing;
  }
  const auto start = static_cast<uint64_t>(*offset);
  const auto count = static_cast<uint64_t>(*length);
  if (start > total || count > total - start) {
    return kTbtReadOutOfRange;
  }
  auto data = wmi::SafeArrayCreateVector(0, static_cast<uint32_t>(count));
  if (!data) {
    return kTbtReadFailed;
  }
  if (SysfsTree::ReadBytes(*active, start, data->elements) != 0) {
    return kTbtReadFailed;
  }
  out.Put(u"data", Variant::Bytes(std::move(data)));
  return kTbtOk;
}

uint32_t SysfsTbtProvider::UpdateFirmware(const std::string& router, const WbemClassObject* in) {
  const auto bufferSize = GetInt32(in, u"BufferSize");
  Variant buffer;
  if (!bufferSize || *bufferSize < 0 || in == nullptr || wmi::Failed(in->Get(u"Buffer", &buffer)) ||
      buffer.vt != wmi::VT_ARRAY_UI1 || !buffer.parray || buffer.parray->lowerBound != 0 ||
      buffer.parray->elements.size() != static_cast<uint64_t>(*bufferSize)) {
    return kTbtBufferMismatch;
  }
  const std::span<const uint8_t> image(buffer.parray->elements);

  const auto nonActive = tree_.FindNvmem(router, "nvm_non_active");
  std::error_code ec;
  if (!nonActive || !fs::exists(tree_.RouterDir(router) / "nvm_authenticate", ec)) {
    return kTbtUpgradeUnsupported;
  }
  const uint64_t nonActiveSize = fs::file_size(*nonActive, ec);
  if (ec) {
    return kTbtUpgradeUnsupported;
  }
  if (const uint32_t rule = CheckKernelImageRules(image, nonActiveSize); rule != kTbtOk) {
    return rule;
  }
  if (const uint32_t written = privileged_.WriteNvmAndAuthenticate(router, image);
      written != kTbtOk) {
    return written;
  }
  return WaitForAuthentication(router);
}

uint32_t SysfsTbtProvider::WaitForAuthentication(const std::string& router) {
  // The router drops off the bus while it restarts with the new NVM and comes back with
  // the authentication status in nvm_authenticate.
  const fs::path status = tree_.RouterDir(router) / "nvm_authenticate";
  const uint64_t start = clock_.NowMilliseconds();
  bool wentAway = false;
  while (clock_.NowMilliseconds() - start < kAuthenticateTimeoutMilliseconds) {
    clock_.Sleep(kAuthenticatePollMilliseconds);
    const FileResult text = readStatus_(status);
    // A file only root may read is there all the same: the router is back.
    const bool rootOnly = text.error == EACCES || text.error == EPERM;
    if (!text.ok() && !rootOnly) {
      wentAway = true;
      continue;
    }
    if (!wentAway && clock_.NowMilliseconds() - start < kAuthenticateSettleMilliseconds) {
      continue;
    }
    std::optional<uint32_t> value;
    if (rootOnly) {
      uint32_t privileged = 0;
      const uint32_t code = privileged_.ReadAuthenticationStatus(router, &privileged);
      if (code == kTbtAuthorizationRefused) {
        return code;
      }
      if (code == kTbtOk) {
        value = privileged;
      }
    } else {
      value = ParseHexStatus(text.text);
    }
    if (!value) {
      continue;
    }
    lastAuthenticationStatus_ = *value;
    return *value == 0 ? kTbtOk : kTbtAuthenticationFailed;
  }
  return kTbtRouterDidNotReturn;
}

void RegisterSysfsTbtProvider(wmi::NamespaceRegistry& registry,
                              std::shared_ptr<SysfsTbtProvider> provider) {
  registry.Register(std::u16string(kTbtNamespace), std::move(provider));
}

}  // namespace tbt::platform::linux_backend

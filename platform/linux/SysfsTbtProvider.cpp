#include "platform/linux/SysfsTbtProvider.h"

#include <sys/stat.h>

#include <cerrno>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/NvmImageFormat.h"
#include "platform/NvmSectionLayout.h"
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

// The version an image makes the router report: nvm_version prints the major and minor
// bytes of the section the pointer at offset 0 names (the kernel never reads the copy).
std::optional<NvmVersion> ImageNvmVersion(std::span<const uint8_t> image) {
  const std::optional<uint32_t> pointer =
      ReadLittleEndianAt(image, kSectionPointerOffset, kSectionPointerSize);
  if (!pointer) {
    return std::nullopt;
  }
  const std::optional<uint32_t> major =
      ReadLittleEndianAt(image, uint64_t{*pointer} + kVersionOffset, 1);
  const std::optional<uint32_t> minor =
      ReadLittleEndianAt(image, uint64_t{*pointer} + kVersionMinorOffset, 1);
  if (!major || !minor) {
    return std::nullopt;
  }
  return NvmVersion{*major, *minor};
}

}  // namespace

SysfsTbtProvider::SysfsTbtProvider(const SysfsTree& tree, IPrivilegedOps& privileged, IClock& clock,
                                   ForcePowerHold& hold, AttributeReader readStatus)
    : tree_(tree),
      privileged_(privileged),
      clock_(clock),
      hold_(hold),
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
  if (const auto renamed = renamed_.find(router); renamed != renamed_.end()) {
    router = renamed->second;
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
  // Without the image's version the outcome could not be told from a router that kept
  // its old NVM, so such an image is not written.
  const auto expected = ImageNvmVersion(image);
  const auto before = Identify(router);
  if (!expected) {
    return kTbtImageBadSectionPointer;
  }
  if (!before) {
    return kTbtNvmVersionUnreadable;
  }
  hold_.Release();
  if (const uint32_t written = privileged_.WriteNvmAndAuthenticate(router, image);
      written != kTbtOk) {
    return written;
  }
  return WaitForNewNvm(*before, *expected);
}

std::optional<SysfsTbtProvider::RouterIdentity> SysfsTbtProvider::Identify(
    const std::string& router) const {
  struct stat info {};
  if (::stat(tree_.RouterDir(router).c_str(), &info) != 0) {
    return std::nullopt;
  }
  return RouterIdentity{router, SysfsTree::ReadAttribute(tree_.RouterDir(router) / "unique_id"),
                        static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

std::optional<std::string> SysfsTbtProvider::FindAgain(const RouterIdentity& identity) const {
  for (const std::string& candidate : tree_.HostRouters()) {
    const bool same = identity.uniqueId.empty()
                          ? candidate == identity.name
                          : SysfsTree::ReadAttribute(tree_.RouterDir(candidate) / "unique_id") ==
                                identity.uniqueId;
    if (same) {
      return candidate;
    }
  }
  return std::nullopt;
}

std::optional<uint32_t> SysfsTbtProvider::ReadStatus(const std::string& router, uint32_t* failure) {
  const FileResult text = readStatus_(tree_.RouterDir(router) / "nvm_authenticate");
  if (text.ok()) {
    return ParseHexStatus(text.text);
  }
  if (text.error != EACCES && text.error != EPERM) {
    return std::nullopt;
  }
  // Where only root may read the status, the helper reads it.
  uint32_t status = 0;
  const uint32_t code = privileged_.ReadAuthenticationStatus(router, &status);
  if (code == kTbtAuthorizationRefused || code == kTbtHelperFailed) {
    *failure = code;
  }
  return code == kTbtOk ? std::optional<uint32_t>(status) : std::nullopt;
}

uint32_t SysfsTbtProvider::WaitForNewNvm(const RouterIdentity& before, NvmVersion expected) {
  // The kernel clears nvm_authenticate before it starts, so "0x0" alone proves nothing:
  // the router has to leave the bus, come back, and report the image's version.
  const uint64_t start = clock_.NowMilliseconds();
  bool left = false;
  while (clock_.NowMilliseconds() - start < kAuthenticateTimeoutMilliseconds) {
    clock_.Sleep(kAuthenticatePollMilliseconds);
    const auto found = FindAgain(before);
    if (!found) {
      left = true;
      continue;
    }
    if (!left) {
      // A new folder means it left and came back between two looks.
      const auto now = Identify(*found);
      if (!now || (now->device == before.device && now->inode == before.inode)) {
        continue;
      }
      left = true;
    }
    uint32_t failure = kTbtOk;
    const auto status = ReadStatus(*found, &failure);
    if (failure != kTbtOk) {
      hold_.Hold();
      return failure;
    }
    if (!status) {
      continue;
    }
    if (*status != 0) {
      return RefusedImageReturnValue(*status);
    }
    const auto version =
        ParseNvmVersion(SysfsTree::ReadText(tree_.RouterDir(*found) / "nvm_version").text);
    if (!version) {
      continue;  // the kernel adds the NVM files a little after the router
    }
    if (version->major != expected.major || version->minor != expected.minor) {
      return kTbtVersionNotTaken;
    }
    if (*found != before.name) {
      renamed_[before.name] = *found;
    }
    return kTbtOk;
  }
  hold_.Hold();
  return left ? kTbtRouterDidNotReturn : kTbtRouterDidNotRestart;
}

void RegisterSysfsTbtProvider(wmi::NamespaceRegistry& registry,
                              std::shared_ptr<SysfsTbtProvider> provider) {
  registry.Register(std::u16string(kTbtNamespace), std::move(provider));
}

}  // namespace tbt::platform::linux_backend

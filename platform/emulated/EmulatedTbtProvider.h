#pragma once

// An in-memory stand-in for the Thunderbolt controller's management provider: class
// SdkTbtController (key "ControllerId") with the methods GetCurrentNvmVersion,
// ReadFirmware and UpdateFirmware over controllers whose NVM lives in memory. Tests
// can make it unreachable, inject failures, count calls and look at what was written.
//
// ReturnValue codes of the methods:
//   0 success
//   1 the read starts at or past the end of the NVM, or offset/length is negative
//   2 bad parameters: an in-parameter of the wrong type, or "Buffer" not a byte array
//     of exactly "BufferSize" elements starting at index 0
//   3 the image holds no usable section pointer (neither at 0 nor at 0x1000, or it
//     points outside the image)
// A missing in-parameter is WBEM_E_INVALID_METHOD_PARAMETERS, not a ReturnValue.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wmi/Wmi.h"

namespace tbt::emulated {

/// One controller: its instance key and its active NVM.
struct EmulatedController {
  std::u16string controllerId;
  std::vector<uint8_t> nvm;
};

/// ReturnValue of a successful method.
inline constexpr uint32_t kTbtReturnOk = 0;
/// ReturnValue of a read outside the NVM.
inline constexpr uint32_t kTbtReturnOutOfRange = 1;
/// ReturnValue of a call with malformed parameters.
inline constexpr uint32_t kTbtReturnBadParameters = 2;
/// ReturnValue of an update whose image has no usable section pointer.
inline constexpr uint32_t kTbtReturnNoSectionPointer = 3;

/// The emulated Thunderbolt provider. Every member is safe to call from any thread.
class EmulatedTbtProvider : public wmi::IWbemProvider {
 public:
  EmulatedTbtProvider();

  /// Adds a controller after the existing ones; returns its index.
  size_t AddController(EmulatedController controller);
  /// A copy of controller `index` as it is now (its NVM after any update); an empty
  /// controller for an index past the end.
  EmulatedController Controller(size_t index) const;

  /// Decides when the namespace can be reached and when controller instances exist;
  /// an empty function means "always". Called without the provider's lock held.
  void SetAvailability(std::function<bool()> reachable, std::function<bool()> present);

  /// Makes ExecMethod of `method` fail with `hr` before doing anything.
  void FailMethod(std::u16string method, wmi::HRESULT hr);
  /// Makes `method` report `value` as its ReturnValue. A forced non-zero value stands
  /// for a provider that failed: UpdateFirmware then leaves the NVM as it was.
  void ForceReturnValue(std::u16string method, uint32_t value);
  /// Leaves out-parameter `parameter` out of the out-parameter object of `method`.
  void OmitOutParameter(std::u16string method, std::u16string parameter);
  /// Makes GetClass answer "unknown class" while `fail` is true.
  void FailGetClass(bool fail);
  /// Reports `version` from GetCurrentNvmVersion instead of the NVM's byte 0x0A;
  /// std::nullopt returns to the byte.
  void SetNvmVersion(std::optional<int32_t> version);
  /// Undoes every FailMethod, ForceReturnValue, OmitOutParameter, FailGetClass and
  /// SetNvmVersion; counters and logs stay.
  void ClearInjections();
  /// Called with the method's name at the start of every ExecMethod, outside the lock.
  void SetCallObserver(std::function<void(std::u16string_view method)> observer);

  /// How many times ExecMethod was asked for `method` (unknown names included).
  size_t CallCount(std::u16string_view method) const;
  /// How many times the controller instances were enumerated.
  size_t EnumerationCount() const;
  /// The offsets of every ReadFirmware whose parameters were readable, in order.
  std::vector<int32_t> ReadOffsets() const;
  /// The bytes of the last "Buffer" UpdateFirmware accepted as parameters (empty before).
  std::vector<uint8_t> LastWrittenImage() const;
  /// The ControllerId named by the last ExecMethod's object path (as unescaped).
  std::u16string LastAddressedControllerId() const;

  bool IsReachable() override;
  wmi::ObjectPtr GetClass(std::u16string_view className) override;
  std::vector<wmi::ObjectPtr> EnumerateInstances(std::u16string_view className) override;
  wmi::HRESULT ExecMethod(const wmi::ObjectPath& path, std::u16string_view method,
                          const wmi::WbemClassObject* inParams, wmi::ObjectPtr* outParams) override;

 private:
  struct OutParameter {
    std::u16string_view name;  // one of the provider's own names, which live for ever
    uint16_t type;
    wmi::Variant value;
  };
  // Names compared as views, so that looking a method up allocates nothing.
  template <typename Value>
  using ByMethod = std::map<std::u16string, Value, std::less<>>;

  bool IsPresent();
  const wmi::ObjectPtr& ClassLocked();
  wmi::ObjectPtr BuildOutParamsLocked(std::u16string_view method, std::vector<OutParameter> values);
  EmulatedController* FindControllerLocked(const wmi::ObjectPath& path, wmi::HRESULT* hr);
  wmi::HRESULT RunGetCurrentNvmVersionLocked(const EmulatedController& controller,
                                             std::vector<OutParameter>* out);
  wmi::HRESULT RunReadFirmwareLocked(const EmulatedController& controller,
                                     const wmi::WbemClassObject* inParams,
                                     std::vector<OutParameter>* out);
  wmi::HRESULT RunUpdateFirmwareLocked(EmulatedController& controller,
                                       const wmi::WbemClassObject* inParams, bool applyImage,
                                       std::vector<OutParameter>* out);

  mutable std::mutex mutex_;
  std::vector<EmulatedController> controllers_;
  std::function<bool()> reachable_;
  std::function<bool()> present_;
  std::function<void(std::u16string_view)> observer_;
  ByMethod<wmi::HRESULT> failedMethods_;
  ByMethod<uint32_t> forcedReturnValues_;
  std::set<std::pair<std::u16string, std::u16string>> omittedOutParameters_;
  // The class definition and each method's empty out-parameter object, built once and
  // copied per call; the injections that shape them drop them.
  wmi::ObjectPtr classCache_;
  ByMethod<wmi::ObjectPtr> outParamTemplates_;
  bool failGetClass_ = false;
  std::optional<int32_t> nvmVersion_;
  ByMethod<size_t> callCounts_;
  size_t enumerationCount_ = 0;
  std::vector<int32_t> readOffsets_;
  std::vector<uint8_t> lastWrittenImage_;
  std::u16string lastAddressedControllerId_;
};

/// Registers the provider under the Thunderbolt namespace of `registry`.
void RegisterEmulatedTbtProvider(wmi::NamespaceRegistry& registry,
                                 std::shared_ptr<EmulatedTbtProvider> provider);

}  // namespace tbt::emulated

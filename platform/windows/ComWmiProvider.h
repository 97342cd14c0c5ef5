#pragma once

// The management namespaces of the real machine: serves the project's object model
// from COM/WMI (IWbemLocator and IWbemServices), so that the controller client runs
// unchanged against the controller's own provider.

#include <string>
#include <string_view>
#include <vector>

#include "platform/wmi/Wmi.h"

namespace tbt::platform::windows_backend {

/// One WMI namespace of this machine. Every call joins COM on the calling thread and
/// connects anew: a connection belongs to the apartment of the thread that made it,
/// and the engine's worker and the window call from different threads. HRESULTs of
/// the connection and of methods are passed through unchanged.
class ComWmiProvider final : public wmi::IWbemProvider {
 public:
  /// `nameSpace` as ConnectServer takes it ("ROOT\\CIMV2").
  explicit ComWmiProvider(std::u16string nameSpace);

  /// The HRESULT of joining COM or of ConnectServer (WBEM_E_INVALID_NAMESPACE for a
  /// namespace this machine does not have).
  wmi::HRESULT Connect() override;
  /// Always true: each call connects and fails with the connection's HRESULT.
  bool IsReachable() override;
  /// The class with its properties and methods; null when WMI does not give it.
  wmi::ObjectPtr GetClass(std::u16string_view className) override;
  /// `select * from <class>`, forward-only; empty when the query fails.
  std::vector<wmi::ObjectPtr> EnumerateInstances(std::u16string_view className) override;
  /// Runs the method with the in-parameters copied onto a fresh instance of the
  /// method's COM signature; the out-parameters come back as a model object.
  wmi::HRESULT ExecMethod(const wmi::ObjectPath& path, std::u16string_view method,
                          const wmi::WbemClassObject* inParams, wmi::ObjectPtr* outParams) override;

 private:
  std::u16string nameSpace_;
};

}  // namespace tbt::platform::windows_backend

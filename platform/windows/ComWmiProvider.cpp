#include "platform/windows/ComWmiProvider.h"

#include <objbase.h>
#include <wbemidl.h>

#include <utility>

#include "platform/windows/ComRef.h"
#include "platform/windows/ComValues.h"

namespace tbt::platform::windows_backend {

namespace {

// COM for the calling thread for as long as one provider call runs. A thread that
// already joined COM (in any apartment) keeps what it had.
class ComOnThisThread {
 public:
  ComOnThisThread() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComOnThisThread() {
    if (SUCCEEDED(result_)) {
      ::CoUninitialize();
    }
  }
  ComOnThisThread(const ComOnThisThread&) = delete;
  ComOnThisThread& operator=(const ComOnThisThread&) = delete;

  // RPC_E_CHANGED_MODE: the thread is in another apartment, where COM works as well.
  HRESULT Result() const { return result_ == RPC_E_CHANGED_MODE ? S_OK : result_; }

 private:
  HRESULT result_;
};

HRESULT ConnectTo(std::u16string_view nameSpace, ComRef<IWbemServices>* services) {
  ComRef<IWbemLocator> locator;
  HRESULT hr = ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWbemLocator, reinterpret_cast<void**>(locator.Out()));
  if (FAILED(hr)) {
    return hr;
  }
  const ScopedBstr resource(nameSpace);
  if (resource.Get() == nullptr) {
    return E_OUTOFMEMORY;
  }
  hr = locator->ConnectServer(resource.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                              services->Out());
  if (FAILED(hr)) {
    return hr;
  }
  // The provider acts for this user. An in-process object has no proxy to set, which
  // is not an error.
  ::CoSetProxyBlanket(services->Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                      RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
  return S_OK;
}

// Copies the model's in-parameters onto a fresh instance of the method's COM signature.
HRESULT ComInParameters(IWbemServices* services, const wmi::ObjectPath& path,
                        std::u16string_view method, const wmi::WbemClassObject& model,
                        ComRef<IWbemClassObject>* in) {
  const ScopedBstr className(path.className);
  const ScopedBstr methodName(method);
  ComRef<IWbemClassObject> classObject;
  HRESULT hr = services->GetObject(className.Get(), 0, nullptr, classObject.Out(), nullptr);
  if (FAILED(hr)) {
    return hr;
  }
  ComRef<IWbemClassObject> signature;
  hr = classObject->GetMethod(methodName.Get(), 0, signature.Out(), nullptr);
  if (FAILED(hr) || !signature) {
    return FAILED(hr) ? hr : wmi::WBEM_E_INVALID_METHOD_PARAMETERS;
  }
  hr = signature->SpawnInstance(0, in->Out());
  if (FAILED(hr)) {
    return hr;
  }
  for (const std::u16string& name : model.PropertyNames()) {
    wmi::Variant value;
    model.Get(name, &value);
    ScopedVariant comValue;
    hr = ToComVariant(value, comValue.Get());
    if (SUCCEEDED(hr)) {
      hr = (*in)->Put(reinterpret_cast<LPCWSTR>(name.c_str()), 0, comValue.Get(), 0);
    }
    if (FAILED(hr)) {
      return hr;
    }
  }
  return S_OK;
}

}  // namespace

ComWmiProvider::ComWmiProvider(std::u16string nameSpace) : nameSpace_(std::move(nameSpace)) {}

wmi::HRESULT ComWmiProvider::Connect() {
  const ComOnThisThread com;
  if (FAILED(com.Result())) {
    return com.Result();
  }
  ComRef<IWbemServices> services;
  return ConnectTo(nameSpace_, &services);
}

bool ComWmiProvider::IsReachable() {
  // Every call below connects anew and reports its own failure; asking first would
  // only connect twice.
  return true;
}

wmi::ObjectPtr ComWmiProvider::GetClass(std::u16string_view className) {
  const ComOnThisThread com;
  ComRef<IWbemServices> services;
  if (FAILED(com.Result()) || FAILED(ConnectTo(nameSpace_, &services))) {
    return nullptr;
  }
  const ScopedBstr name(className);
  ComRef<IWbemClassObject> classObject;
  if (FAILED(services->GetObject(name.Get(), 0, nullptr, classObject.Out(), nullptr)) ||
      !classObject) {
    return nullptr;
  }
  return ToModelObject(classObject.Get(), true);
}

std::vector<wmi::ObjectPtr> ComWmiProvider::EnumerateInstances(std::u16string_view className) {
  std::vector<wmi::ObjectPtr> instances;
  const ComOnThisThread com;
  ComRef<IWbemServices> services;
  if (FAILED(com.Result()) || FAILED(ConnectTo(nameSpace_, &services))) {
    return instances;
  }
  const ScopedBstr language(u"WQL");
  const ScopedBstr query(u"select * from " + std::u16string(className));
  ComRef<IEnumWbemClassObject> enumerator;
  if (FAILED(services->ExecQuery(language.Get(), query.Get(),
                                 WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                 enumerator.Out()))) {
    return instances;
  }
  for (;;) {
    ComRef<IWbemClassObject> object;
    ULONG returned = 0;
    if (FAILED(enumerator->Next(wmi::WBEM_INFINITE, 1, object.Out(), &returned)) || returned == 0) {
      break;
    }
    instances.push_back(ToModelObject(object.Get(), false));
  }
  return instances;
}

wmi::HRESULT ComWmiProvider::ExecMethod(const wmi::ObjectPath& path, std::u16string_view method,
                                        const wmi::WbemClassObject* inParams,
                                        wmi::ObjectPtr* outParams) {
  const ComOnThisThread com;
  if (FAILED(com.Result())) {
    return com.Result();
  }
  ComRef<IWbemServices> services;
  HRESULT hr = ConnectTo(nameSpace_, &services);
  if (FAILED(hr)) {
    return hr;
  }
  ComRef<IWbemClassObject> in;
  if (inParams != nullptr) {
    hr = ComInParameters(services.Get(), path, method, *inParams, &in);
    if (FAILED(hr)) {
      return hr;
    }
  }
  const ScopedBstr objectPath(wmi::FormatObjectPath(path));
  const ScopedBstr methodName(method);
  ComRef<IWbemClassObject> out;
  hr = services->ExecMethod(objectPath.Get(), methodName.Get(), 0, nullptr, in.Get(), out.Out(),
                            nullptr);
  if (SUCCEEDED(hr) && out && outParams != nullptr) {
    *outParams = ToModelObject(out.Get(), false);
  }
  return hr;
}

}  // namespace tbt::platform::windows_backend

#pragma once

// An in-process management object model with the operations of COM/WMI that the
// controller client uses: a locator connects to a namespace, whose services run
// WQL queries, fetch class objects, hand out method signatures and execute methods
// on object paths. Providers register per namespace. Status codes follow HRESULT:
// 0 success, negative failure.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tbt::wmi {

using HRESULT = int32_t;

inline constexpr HRESULT WBEM_S_NO_ERROR = 0;
/// Next: fewer objects than asked for were left.
inline constexpr HRESULT WBEM_S_FALSE = 1;
inline constexpr HRESULT WBEM_E_FAILED = static_cast<int32_t>(0x80041001);
inline constexpr HRESULT WBEM_E_NOT_FOUND = static_cast<int32_t>(0x80041002);
inline constexpr HRESULT WBEM_E_TYPE_MISMATCH = static_cast<int32_t>(0x80041005);
inline constexpr HRESULT WBEM_E_INVALID_PARAMETER = static_cast<int32_t>(0x80041008);
inline constexpr HRESULT WBEM_E_INVALID_NAMESPACE = static_cast<int32_t>(0x8004100E);
inline constexpr HRESULT WBEM_E_INVALID_CLASS = static_cast<int32_t>(0x80041010);
inline constexpr HRESULT WBEM_E_INVALID_QUERY = static_cast<int32_t>(0x80041017);
inline constexpr HRESULT WBEM_E_INVALID_QUERY_TYPE = static_cast<int32_t>(0x80041018);
inline constexpr HRESULT WBEM_E_INVALID_METHOD = static_cast<int32_t>(0x8004102E);
inline constexpr HRESULT WBEM_E_INVALID_METHOD_PARAMETERS = static_cast<int32_t>(0x8004102F);
inline constexpr HRESULT WBEM_E_INVALID_OBJECT_PATH = static_cast<int32_t>(0x8004103A);
/// The namespace's host (its service) is not running.
inline constexpr HRESULT WBEM_E_TRANSPORT_FAILURE = static_cast<int32_t>(0x80041015);
/// SafeArrayGetElement / PutElement: index outside the array (DISP_E_BADINDEX).
inline constexpr HRESULT kBadIndex = static_cast<int32_t>(0x8002000B);
/// No memory for the answer (E_OUTOFMEMORY).
inline constexpr HRESULT kOutOfMemory = static_cast<int32_t>(0x8007000E);

constexpr bool Succeeded(HRESULT hr) {
  return hr >= 0;
}
constexpr bool Failed(HRESULT hr) {
  return hr < 0;
}

/// ExecQuery flags.
inline constexpr int32_t WBEM_FLAG_RETURN_IMMEDIATELY = 0x10;
inline constexpr int32_t WBEM_FLAG_FORWARD_ONLY = 0x20;
/// Next: wait without limit.
inline constexpr int32_t WBEM_INFINITE = -1;

/// Variant types the model carries.
enum VarType : uint16_t {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I4 = 3,
  VT_BSTR = 8,
  VT_UI1 = 17,
  VT_ARRAY = 0x2000,
};
/// An array of unsigned bytes, as "data" and "Buffer" travel.
inline constexpr uint16_t VT_ARRAY_UI1 = VT_ARRAY | VT_UI1;

/// A one-dimensional array of unsigned bytes with a lower bound.
struct SafeArray {
  int32_t lowerBound = 0;
  std::vector<uint8_t> elements;
};

/// Creates a one-dimensional byte array of `count` zero elements; null when it cannot.
std::shared_ptr<SafeArray> SafeArrayCreateVector(int32_t lowerBound, uint32_t count);
/// Stores element `index`; kBadIndex outside the bounds.
HRESULT SafeArrayPutElement(SafeArray* array, int32_t index, uint8_t value);
/// Reads element `index`; kBadIndex outside the bounds (*value untouched).
HRESULT SafeArrayGetElement(const SafeArray* array, int32_t index, uint8_t* value);
/// Frees the elements; the array stays, empty.
HRESULT SafeArrayDestroyData(SafeArray* array);

/// A typed value. `lVal` is the 32-bit value field, which readers of integer
/// out-parameters take whatever the type says.
struct Variant {
  uint16_t vt = VT_EMPTY;
  int32_t lVal = 0;
  std::u16string bstrVal;
  std::shared_ptr<SafeArray> parray;

  static Variant Int32(int32_t value);
  static Variant String(std::u16string value);
  static Variant Bytes(std::shared_ptr<SafeArray> array);
};

/// Empties the variant (type VT_EMPTY, value fields cleared).
void VariantClear(Variant* value);

/// A class definition, an instance, or a method's parameter object. Properties keep
/// their declared type; a class's methods keep their in- and out-signatures.
class WbemClassObject {
 public:
  explicit WbemClassObject(std::u16string className);

  const std::u16string& ClassName() const { return *className_; }

  /// Copies the named property (an array as a copy of its own) into *value (cleared first).
  /// WBEM_E_NOT_FOUND when the object has no such property; a declared property that was never set
  /// reads as VT_NULL.
  HRESULT Get(std::u16string_view name, Variant* value) const;

  /// Sets a property. On an object with declared properties an undeclared name is
  /// WBEM_E_NOT_FOUND and a value of another type WBEM_E_TYPE_MISMATCH (VT_NULL or
  /// VT_EMPTY is always accepted and unsets it); on an object without declarations any
  /// name is taken. The object keeps its own copy of an array.
  HRESULT Put(std::u16string_view name, const Variant& value);
  /// Put of a value the caller gives up: an array only it holds is taken, not copied.
  HRESULT Put(std::u16string_view name, Variant&& value);

  /// For a class object: the method's in- and out-signatures (either pointer may be
  /// null). WBEM_E_NOT_FOUND for an unknown method.
  HRESULT GetMethod(std::u16string_view name, std::shared_ptr<WbemClassObject>* inSignature,
                    std::shared_ptr<WbemClassObject>* outSignature) const;

  /// The names of the object's properties, in the order they were declared or first set.
  std::vector<std::u16string> PropertyNames() const;

  /// A fresh object with the same class and declared properties, all unset.
  HRESULT SpawnInstance(std::shared_ptr<WbemClassObject>* instance) const;

  /// Declares a property of the given type (provider side).
  void DeclareProperty(std::u16string name, uint16_t type);
  /// Declares a method with its signatures (provider side).
  void DeclareMethod(std::u16string name, std::shared_ptr<WbemClassObject> inSignature,
                     std::shared_ptr<WbemClassObject> outSignature);

 private:
  struct Property {
    std::u16string name;
    uint16_t declaredType = VT_EMPTY;  // VT_EMPTY: undeclared, any type
    bool declared = false;
    Variant value;  // VT_NULL until set
  };
  struct Method {
    std::u16string name;
    std::shared_ptr<WbemClassObject> inSignature;
    std::shared_ptr<WbemClassObject> outSignature;
  };

  const Property* FindProperty(std::u16string_view name) const;
  Property* FindProperty(std::u16string_view name);
  // Put of a value that is already the object's own.
  HRESULT PutOwned(std::u16string_view name, Variant value);

  // Shared by the copies of an object and the instances it spawns; never changed.
  std::shared_ptr<const std::u16string> className_;
  std::vector<Property> properties_;
  std::vector<Method> methods_;
};

using ObjectPtr = std::shared_ptr<WbemClassObject>;

/// A parsed object path: `Class` or `Class.Key="value"[,Key2="value"]`. Inside the
/// quotes `\\` is one backslash and `\"` a quote; any other backslash is malformed.
/// An integer key may go unquoted (`Key=-5`). No blanks and no namespace prefix.
struct ObjectPath {
  std::u16string className;
  std::vector<std::pair<std::u16string, std::u16string>> keys;
};

/// Parses an object path; false (and *path partly filled) when it is malformed.
bool ParseObjectPath(std::u16string_view text, ObjectPath* path);
/// Writes a path back as text, every key value quoted and escaped, so that
/// ParseObjectPath gives the same path again.
std::u16string FormatObjectPath(const ObjectPath& path);

/// What a provider serves for one namespace.
class IWbemProvider {
 public:
  virtual ~IWbemProvider() = default;
  /// Whether the namespace can be reached now (its hosting service runs).
  virtual bool IsReachable() { return true; }
  /// Connects a client to the namespace: WBEM_S_NO_ERROR, or why it cannot be reached.
  virtual HRESULT Connect() { return IsReachable() ? WBEM_S_NO_ERROR : WBEM_E_TRANSPORT_FAILURE; }
  /// The class definition (with its methods), or null for an unknown class.
  virtual ObjectPtr GetClass(std::u16string_view className) = 0;
  /// Every instance of the class, in the provider's order.
  virtual std::vector<ObjectPtr> EnumerateInstances(std::u16string_view className) = 0;
  /// Runs a method on the instance the path names. Returns WBEM_E_NOT_FOUND when no
  /// instance matches the path's keys, WBEM_E_INVALID_METHOD for an unknown method;
  /// on success *outParams holds the out-parameter object.
  virtual HRESULT ExecMethod(const ObjectPath& path, std::u16string_view method,
                             const WbemClassObject* inParams, ObjectPtr* outParams) = 0;
};

/// Providers by namespace name (matched without regard to case). Thread-safe.
class NamespaceRegistry {
 public:
  /// Registers (or replaces) the provider of a namespace.
  void Register(std::u16string nameSpace, std::shared_ptr<IWbemProvider> provider);
  /// Removes a namespace; nothing happens when it is not registered.
  void Unregister(std::u16string_view nameSpace);
  /// The provider of the namespace, or null.
  std::shared_ptr<IWbemProvider> Find(std::u16string_view nameSpace) const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::pair<std::u16string, std::shared_ptr<IWbemProvider>>> providers_;
};

/// A forward-only enumerator over a query's result.
class EnumWbemClassObject {
 public:
  explicit EnumWbemClassObject(std::vector<ObjectPtr> objects);
  /// Hands out up to `count` objects into objects[0..]; *returned says how many.
  /// WBEM_S_NO_ERROR when all were given, WBEM_S_FALSE when fewer were left.
  HRESULT Next(int32_t timeout, uint32_t count, ObjectPtr* objects, uint32_t* returned);

 private:
  std::vector<ObjectPtr> objects_;
  size_t position_ = 0;
};

/// The services of one connected namespace.
class WbemServices {
 public:
  explicit WbemServices(std::shared_ptr<IWbemProvider> provider);

  /// Runs a WQL query; only `select * from <class>` (keywords in any case) is
  /// understood. WBEM_E_INVALID_QUERY_TYPE for another language, WBEM_E_INVALID_QUERY
  /// for another query, WBEM_E_INVALID_CLASS for an unknown class,
  /// WBEM_E_INVALID_PARAMETER for flags other than forward-only and return-immediately,
  /// WBEM_E_TRANSPORT_FAILURE when the provider cannot be reached now.
  HRESULT ExecQuery(std::u16string_view language, std::u16string_view query, int32_t flags,
                    std::shared_ptr<EnumWbemClassObject>* enumerator);

  /// WMI's GetObject (named apart from the Windows macro): fetches a class by name, or
  /// an instance by its object path (string keys match exactly).
  /// WBEM_E_INVALID_OBJECT_PATH for a malformed path, WBEM_E_NOT_FOUND for an
  /// unknown class or instance, WBEM_E_TRANSPORT_FAILURE when the provider cannot be
  /// reached now.
  HRESULT FetchObject(std::u16string_view path, int32_t flags, ObjectPtr* object);

  /// Executes a method on the object the path names. The path is parsed with the
  /// escaping rules above, so an unescaped backslash in a key does not find the
  /// instance (WBEM_E_INVALID_OBJECT_PATH). WBEM_E_TRANSPORT_FAILURE when the provider
  /// cannot be reached any more; otherwise the provider's answer.
  HRESULT ExecMethod(std::u16string_view objectPath, std::u16string_view method, int32_t flags,
                     const WbemClassObject* inParams, ObjectPtr* outParams);

 private:
  // Parses a path once and keeps it: a client names the same few paths on every call.
  // Null for a malformed path.
  std::shared_ptr<const ObjectPath> ParsedPath(std::u16string_view text);

  std::shared_ptr<IWbemProvider> provider_;
  std::mutex pathMutex_;
  std::map<std::u16string, std::shared_ptr<const ObjectPath>, std::less<>> parsedPaths_;
};

/// The locator: connects to a namespace of a registry.
class WbemLocator {
 public:
  explicit WbemLocator(const NamespaceRegistry& registry);
  /// Connects; WBEM_E_INVALID_NAMESPACE when none is registered under the name, else
  /// the provider's Connect answer (WBEM_E_TRANSPORT_FAILURE when it cannot be reached now).
  HRESULT ConnectServer(std::u16string_view nameSpace, std::shared_ptr<WbemServices>* services);

 private:
  const NamespaceRegistry& registry_;
};

}  // namespace tbt::wmi

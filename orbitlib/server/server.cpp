// The server side of MarnSatLib: the class factory, the count of live objects and locks, the
// version text, registration in the registry file, and the four exported entry points.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "satellites.h"
#include "velmar_registry.h"

#define MARNSAT_EXPORT extern "C" __attribute__((visibility("default")))

namespace marnsat {
namespace {

std::atomic<long> gServerCount{0};

// ---- version -----------------------------------------------------------------------------

// The version record embedded by the build (MARNSATLIB_VERSION_* from the project version).
struct VersionRecord {
  bool present;
  unsigned major, minor, patch, build;
};

constexpr VersionRecord kVersion =
#if defined(MARNSATLIB_VERSION_MAJOR) && defined(MARNSATLIB_VERSION_MINOR) && defined(MARNSATLIB_VERSION_PATCH) && \
    defined(MARNSATLIB_VERSION_BUILD)
    {true, MARNSATLIB_VERSION_MAJOR, MARNSATLIB_VERSION_MINOR, MARNSATLIB_VERSION_PATCH, MARNSATLIB_VERSION_BUILD};
#else
    {false, 0, 0, 0, 0};
#endif

std::string FormatVersion(const VersionRecord& v) {
  if (!v.present) return std::string();
  return std::to_string(v.major & 0xFFFF) + "." + std::to_string(v.minor & 0xFFFF) + "." +
         std::to_string(v.patch & 0xFFFF) + "." + std::to_string(v.build & 0xFFFF);
}

// Made once when the library is loaded.
const std::string gVersionText = FormatVersion(kVersion);

// ---- the class factory -------------------------------------------------------------------

class TSatellitesFactory final : public IClassFactory {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!(riid == IID_IUnknown || riid == IID_IClassFactory)) return E_NOINTERFACE;
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  // The factory lives as long as the library; references are not counted.
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }

  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer && !(riid == IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    TSatellites* object = nullptr;
    try {
      object = new TSatellites(outer);
    } catch (const std::exception& e) {
      ShowCreationError(e.what());
      return E_UNEXPECTED;
    } catch (...) {
      ShowCreationError("Unknown failure");
      return E_UNEXPECTED;
    }
    IUnknown* inner = object->Inner();
    inner->AddRef();
    if (outer) {
      *ppv = inner;  // the aggregating object keeps this reference
      return S_OK;
    }
    HRESULT hr = inner->QueryInterface(riid, ppv);
    inner->Release();  // frees the object when the query failed
    return hr;
  }

  HRESULT LockServer(BOOL lock) override {
    if (lock)
      ServerAddRef();
    else
      ServerRelease();
    return S_OK;
  }

 private:
  static void ShowCreationError(const std::string& message) {
    std::string text = message;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
    VcomMessageBox(text.c_str(), "DAX Error", MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
  }
};

TSatellitesFactory gFactory;

// ---- registration ------------------------------------------------------------------------

const std::string kErrorCreatingEntry = "Error creating system registry entry";

std::string ModulePath() {
  Dl_info info{};
  if (!::dladdr(reinterpret_cast<void*>(&FormatVersion), &info) || !info.dli_fname)
    throw EComError(E_FAIL, "The library's own file name is not known");
  char resolved[PATH_MAX];
  if (::realpath(info.dli_fname, resolved)) return resolved;
  return info.dli_fname;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A registry failure's text followed, on a line of its own, by why the file failed (which names
// the file or its lock).
std::string WithReason(const std::string& text, const std::string& reason) {
  return reason.empty() ? text : text + "\n" + reason;
}

void Set(const std::string& key, const std::string& name, const std::string& value) {
  using velmar::registry::Status;
  const Status s = velmar::registry::SetValue(key, name, value);
  if (s == Status::Ok) return;
  const std::string reason = s == Status::InvalidName ? std::string() : velmar::registry::LastErrorText();
  throw EComError(E_FAIL, WithReason(kErrorCreatingEntry, reason));
}

// Deletes a key; a key that is missing or still has sub-keys is passed over, a file that cannot
// be read or written fails.
void Delete(const std::string& key) {
  using velmar::registry::Status;
  Status s = velmar::registry::DeleteKey(key);
  if (s == Status::Ok || s == Status::NotFound || s == Status::HasSubKeys) return;
  const std::string text = std::string("Error removing system registry entry: ") + velmar::registry::StatusText(s);
  throw EComError(E_FAIL, WithReason(text, velmar::registry::LastErrorText()));
}

// The system's text for a failed type-library registration, with the runtime's reason (its
// error information) when it gave one.
std::string TypeLibraryErrorText(HRESULT hr) {
  std::string reason;
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    Bstr description;
    if (SUCCEEDED(info->GetDescription(description.out()))) reason = description.str();
    info->Release();
  }
  if (hr == TYPE_E_REGISTRYACCESS) return WithReason("Error accessing the OLE registry.", reason);
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
  return WithReason(std::string("Error registering the type library: ") + code, reason);
}

// What registration takes from the type library: the server name (the library's name), the
// class name and description (the coclass's), and the library's identity.
struct Names {
  std::string server, className, description;
  TLIBATTR lib{};
};

Names FromTypeLibrary(ITypeLib* lib) {
  Names n;
  Bstr text, help;
  HRESULT hr = lib->GetDocumentation(-1, text.out(), nullptr, nullptr, nullptr);
  if (FAILED(hr)) throw EComError(hr, "The type library cannot be read");
  n.server = text.str();
  ITypeInfo* coclass = nullptr;
  hr = lib->GetTypeInfoOfGuid(CLSID_Satellites, &coclass);
  if (FAILED(hr)) throw EComError(hr, "The type library does not describe the class");
  hr = coclass->GetDocumentation(MEMBERID_NIL, text.out(), help.out(), nullptr, nullptr);
  coclass->Release();
  if (FAILED(hr)) throw EComError(hr, "The type library cannot be read");
  n.className = text.str();
  n.description = help.str();
  TLIBATTR* attr = nullptr;
  hr = lib->GetLibAttr(&attr);
  if (FAILED(hr)) throw EComError(hr, "The type library cannot be read");
  n.lib = *attr;
  lib->ReleaseTLibAttr(attr);
  return n;
}

// The library's type library, released at the end of the scope.
struct TypeLibrary {
  ITypeLib* lib = nullptr;
  TypeLibrary() {
    HRESULT hr = GetTypeLibrary(&lib);
    if (FAILED(hr)) throw EComError(hr, "The type library cannot be loaded");
  }
  ~TypeLibrary() { lib->Release(); }
  TypeLibrary(const TypeLibrary&) = delete;
  TypeLibrary& operator=(const TypeLibrary&) = delete;
};

struct Keys {
  explicit Keys(const Names& n)
      : p(n.server + "." + n.className),
        version(std::to_string(n.lib.wMajorVerNum) + "." + std::to_string(n.lib.wMinorVerNum)),
        libid(GuidToString(n.lib.guid)) {}
  std::string clsid = GuidToString(CLSID_Satellites);
  std::string k = "CLSID\\" + clsid;
  std::string p;
  std::string version;
  std::string libid;
};

template <class F>
HRESULT Registering(F&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (const std::exception& e) {
    VcomSetErrorInfo(nullptr, marnsatlib::kProgId, e.what(), nullptr, 0);
    return E_FAIL;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace

void ServerAddRef() { ++gServerCount; }
void ServerRelease() { --gServerCount; }
long ServerLockCount() { return gServerCount.load(); }
const std::string& LibraryVersionText() { return gVersionText; }

}  // namespace marnsat

using namespace marnsat;

MARNSAT_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!(rclsid == CLSID_Satellites)) return CLASS_E_CLASSNOTAVAILABLE;
  return gFactory.QueryInterface(riid, ppv);
}

MARNSAT_EXPORT HRESULT DllCanUnloadNow() { return ServerLockCount() > 0 ? S_FALSE : S_OK; }

MARNSAT_EXPORT HRESULT DllRegisterServer() {
  return Registering([] {
    const TypeLibrary library;
    const Names names = FromTypeLibrary(library.lib);
    const Keys keys(names);
    const std::string path = ModulePath();
    HRESULT hr = RegisterTypeLib(library.lib, path.c_str(), FolderOf(path).c_str());
    if (FAILED(hr)) throw EComError(hr, TypeLibraryErrorText(hr));
    Set(keys.k, "", names.description);
    Set(keys.k + "\\InprocServer32", "", path);  // stored as it is, blanks included
    Set(keys.k + "\\InprocServer32", "ThreadingModel", "Apartment");
    Set(keys.p, "", names.description);
    Set(keys.p + "\\Clsid", "", keys.clsid);
    Set(keys.k + "\\ProgID", "", keys.p);
    Set(keys.k + "\\Version", "", keys.version);
    Set(keys.k + "\\TypeLib", "", keys.libid);
  });
}

MARNSAT_EXPORT HRESULT DllUnregisterServer() {
  return Registering([] {
    const TypeLibrary library;
    const Names names = FromTypeLibrary(library.lib);
    const Keys keys(names);
    // A library that is not registered has nothing to remove.
    HRESULT hr = UnRegisterTypeLib(names.lib.guid, names.lib.wMajorVerNum, names.lib.wMinorVerNum, names.lib.lcid,
                                   names.lib.syskind);
    if (FAILED(hr) && hr != TYPE_E_LIBNOTREGISTERED) throw EComError(hr, TypeLibraryErrorText(hr));
    Delete(keys.k + "\\TypeLib");
    Delete(keys.k + "\\Version");
    Delete(keys.k + "\\ProgID");
    Delete(keys.p + "\\Clsid");
    Delete(keys.p);
    Delete(keys.k + "\\InprocServer32");
    Delete(keys.k);
  });
}

// Error information, apartments, creation by class identifier and the message-box hook.
#include <dlfcn.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <mutex>
#include <new>
#include <string>

#include "modules.h"
#include "velmar_registry.h"
#include "velmarcom.h"

namespace {

// ---- error information -------------------------------------------------------------------

class ErrorObject final : public ICreateErrorInfo, public IErrorInfo {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid == IID_IUnknown || riid == IID_IErrorInfo)
      *ppv = static_cast<IErrorInfo*>(this);
    else if (riid == IID_ICreateErrorInfo)
      *ppv = static_cast<ICreateErrorInfo*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  // ICreateErrorInfo
  HRESULT SetGUID(REFGUID g) override {
    guid_ = g;
    return S_OK;
  }
  HRESULT SetSource(LPOLESTR s) override { return Assign(source_, s); }
  HRESULT SetDescription(LPOLESTR s) override { return Assign(description_, s); }
  HRESULT SetHelpFile(LPOLESTR s) override { return Assign(helpFile_, s); }
  HRESULT SetHelpContext(DWORD c) override {
    helpContext_ = c;
    return S_OK;
  }
  // IErrorInfo
  HRESULT GetGUID(GUID* g) override {
    if (!g) return E_POINTER;
    *g = guid_;
    return S_OK;
  }
  HRESULT GetSource(BSTR* s) override { return Give(source_, s); }
  HRESULT GetDescription(BSTR* s) override { return Give(description_, s); }
  HRESULT GetHelpFile(BSTR* s) override { return Give(helpFile_, s); }
  HRESULT GetHelpContext(DWORD* c) override {
    if (!c) return E_POINTER;
    *c = helpContext_;
    return S_OK;
  }

 private:
  static HRESULT Assign(std::string& field, const char* s) {
    try {
      field = s ? s : "";
      return S_OK;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  static HRESULT Give(const std::string& field, BSTR* out) {
    if (!out) return E_POINTER;
    *out = StringToBstr(field);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

  std::atomic<ULONG> refs_{1};
  GUID guid_{};
  std::string source_, description_, helpFile_;
  DWORD helpContext_ = 0;
};

struct ErrorSlot {
  IErrorInfo* info = nullptr;
  ~ErrorSlot() {
    if (info) info->Release();
  }
};
thread_local ErrorSlot tErrorSlot;

// ---- apartments --------------------------------------------------------------------------

struct Apartment {
  int count = 0;
  DWORD model = 0;
};
thread_local Apartment tApartment;

// ---- loaded server libraries -------------------------------------------------------------

std::mutex gLibraryMutex;
std::map<std::string, void*>& Libraries() {
  static auto* libraries = new std::map<std::string, void*>();  // never unloaded
  return *libraries;
}

}  // namespace

void* velmarcom_internal::LoadModule(const std::string& path) {
  std::lock_guard<std::mutex> lock(gLibraryMutex);
  auto& libs = Libraries();
  auto it = libs.find(path);
  if (it != libs.end()) return it->second;
  // Only a regular file is loaded: opening a pipe or a device would wait or read without end.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle) libs.emplace(path, handle);
  return handle;
}

namespace {

// ---- message box hook --------------------------------------------------------------------

std::mutex gHookMutex;
VcomMessageBoxHook gHook = nullptr;
void* gHookUser = nullptr;

}  // namespace

// ---- error information -------------------------------------------------------------------

VELMARCOM_API HRESULT CreateErrorInfo(ICreateErrorInfo** pp) {
  if (!pp) return E_POINTER;
  *pp = new (std::nothrow) ErrorObject();
  return *pp ? S_OK : E_OUTOFMEMORY;
}

VELMARCOM_API HRESULT SetErrorInfo(DWORD, IErrorInfo* info) {
  if (info) info->AddRef();
  IErrorInfo* old = tErrorSlot.info;
  tErrorSlot.info = info;
  if (old) old->Release();
  return S_OK;
}

VELMARCOM_API HRESULT GetErrorInfo(DWORD, IErrorInfo** pp) {
  if (!pp) return E_POINTER;
  *pp = tErrorSlot.info;
  tErrorSlot.info = nullptr;
  return *pp ? S_OK : S_FALSE;
}

VELMARCOM_API HRESULT VcomSetErrorInfo(const IID* iid, const char* source, const char* description,
                                       const char* helpFile, DWORD helpContext) {
  ICreateErrorInfo* create = nullptr;
  HRESULT hr = CreateErrorInfo(&create);
  if (FAILED(hr)) return hr;
  if (iid) create->SetGUID(*iid);
  create->SetSource(const_cast<LPOLESTR>(source));
  create->SetDescription(const_cast<LPOLESTR>(description));
  create->SetHelpFile(const_cast<LPOLESTR>(helpFile));
  create->SetHelpContext(helpContext);
  IErrorInfo* info = nullptr;
  hr = create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
  create->Release();
  if (FAILED(hr)) return hr;
  SetErrorInfo(0, info);
  info->Release();
  return S_OK;
}

// ---- apartments --------------------------------------------------------------------------

VELMARCOM_API HRESULT CoInitializeEx(void*, DWORD coInit) {
  DWORD model = (coInit & COINIT_APARTMENTTHREADED) ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
  if (tApartment.count > 0) {
    if (tApartment.model != model) return RPC_E_CHANGED_MODE;
    ++tApartment.count;
    return S_FALSE;
  }
  tApartment.count = 1;
  tApartment.model = model;
  return S_OK;
}

VELMARCOM_API HRESULT CoInitialize(void* reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

VELMARCOM_API void CoUninitialize() {
  if (tApartment.count > 0) --tApartment.count;
}

// ---- creation ----------------------------------------------------------------------------

HRESULT velmarcom_internal::RegistryFailure(HRESULT hr) {
  const std::string text = velmar::registry::LastErrorText();
  if (!text.empty()) VcomSetErrorInfo(nullptr, velmarcom_internal::kRuntimeSource, text.c_str(), nullptr, 0);
  return hr;
}

VELMARCOM_API HRESULT CoGetClassObject(REFCLSID rclsid, DWORD, void*, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (tApartment.count <= 0) return CO_E_NOTINITIALIZED;
  try {
    std::string key = "CLSID\\" + GuidToString(rclsid) + "\\InprocServer32";
    std::string path;
    using velmar::registry::Status;
    Status s = velmar::registry::GetValue(key, "", path);
    if (s == Status::NotFound) return REGDB_E_CLASSNOTREG;
    if (s != Status::Ok) return velmarcom_internal::RegistryFailure(REGDB_E_READREGDB);
    if (path.empty()) return REGDB_E_CLASSNOTREG;

    void* handle = velmarcom_internal::LoadModule(path);
    if (!handle) {
      const std::string text = "The library " + path + " cannot be loaded";
      VcomSetErrorInfo(nullptr, velmarcom_internal::kRuntimeSource, text.c_str(), nullptr, 0);
      return CO_E_DLLNOTFOUND;
    }
    auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(::dlsym(handle, "DllGetClassObject"));
    if (!getClassObject) return CO_E_ERRORINDLL;
    HRESULT hr = getClassObject(rclsid, riid, ppv);
    if (FAILED(hr)) *ppv = nullptr;
    return hr;
  } catch (...) {
    *ppv = nullptr;
    return E_UNEXPECTED;
  }
}

VELMARCOM_API HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* outer, DWORD ctx, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(rclsid, ctx, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  if (!factory) return E_UNEXPECTED;
  hr = factory->CreateInstance(outer, riid, ppv);
  factory->Release();
  if (FAILED(hr)) *ppv = nullptr;
  return hr;
}

VELMARCOM_API HRESULT CLSIDFromProgID(const OLECHAR* progId, CLSID* clsid) {
  if (!progId || !clsid) return E_POINTER;
  try {
    std::string text;
    using velmar::registry::Status;
    Status s = velmar::registry::GetValue(std::string(progId) + "\\Clsid", "", text);
    if (s == Status::NotFound || s == Status::InvalidName) return REGDB_E_CLASSNOTREG;
    if (s != Status::Ok) return velmarcom_internal::RegistryFailure(REGDB_E_READREGDB);
    return VcomGuidFromText(text.c_str(), clsid);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// ---- message box -------------------------------------------------------------------------

VELMARCOM_API VcomMessageBoxHook VcomSetMessageBoxHook(VcomMessageBoxHook hook, void* user) {
  std::lock_guard<std::mutex> lock(gHookMutex);
  VcomMessageBoxHook old = gHook;
  gHook = hook;
  gHookUser = user;
  return old;
}

VELMARCOM_API int VcomMessageBox(const char* text, const char* caption, UINT type) {
  VcomMessageBoxHook hook;
  void* user;
  {
    std::lock_guard<std::mutex> lock(gHookMutex);
    hook = gHook;
    user = gHookUser;
  }
  if (hook) {
    try {
      return hook(text ? text : "", caption ? caption : "", type, user);
    } catch (...) {
      return IDOK;
    }
  }
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  std::fflush(stderr);
  return IDOK;
}

// The component-object runtime of Velmar: result codes, class and interface identifiers,
// the base interfaces, automation strings and values, per-thread error information,
// apartment initialisation, creation of objects by class identifier through the registry
// file, and a replaceable message-box hook.
//
// Everything is exported from the one shared library `velmarcom` with C linkage, so every
// module of a process shares one error slot per thread and one message hook. No function of
// this library throws.
//
// Conventions:
// - Interfaces are pure virtual classes whose slots follow the published order exactly; they
//   declare no destructor. Objects are freed by their own Release.
// - BSTR is an automation string: a pointer to bytes of 8-bit text (NUL-terminated, possibly
//   holding embedded NULs) preceded by a 32-bit byte count. A null BSTR stands for the empty
//   text. Whoever passes a BSTR keeps owning it; whoever receives one frees it with
//   SysFreeString. The bytes cross unchanged (no code-page conversion).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#define VELMARCOM_API extern "C" __attribute__((visibility("default")))

// ---------------------------------------------------------------------------------------------
// Basic types
using HRESULT = int32_t;
using ULONG = uint32_t;
using DWORD = uint32_t;
using WORD = uint16_t;
using UINT = uint32_t;
using LCID = uint32_t;
using DISPID = int32_t;
using BOOL = int32_t;
using VARIANT_BOOL = int16_t;
using OLECHAR = char;
using LPOLESTR = OLECHAR*;
using BSTR = OLECHAR*;

inline constexpr VARIANT_BOOL VARIANT_TRUE = -1;
inline constexpr VARIANT_BOOL VARIANT_FALSE = 0;

inline constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// Result codes (the values of the original platform).
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT REGDB_E_READREGDB = static_cast<HRESULT>(0x80040150u);
inline constexpr HRESULT REGDB_E_WRITEREGDB = static_cast<HRESULT>(0x80040151u);
inline constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
inline constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8u);
inline constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);
inline constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
inline constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106u);
inline constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
inline constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
inline constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
inline constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
inline constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
inline constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
inline constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = static_cast<HRESULT>(0x8002000Fu);
inline constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);

// ---------------------------------------------------------------------------------------------
// GUID with its "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" text form
struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}

namespace velmarcom_detail {
constexpr int HexDigit(char c) {
  return (c >= '0' && c <= '9') ? c - '0'
       : (c >= 'a' && c <= 'f') ? c - 'a' + 10
       : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                : -1;
}
// Parses exactly "{8-4-4-4-12}" (hex digits in either case). Returns false on any other text.
constexpr bool ParseGuid(std::string_view s, GUID& g) {
  if (s.size() != 38 || s[0] != '{' || s[37] != '}' || s[9] != '-' || s[14] != '-' || s[19] != '-' ||
      s[24] != '-')
    return false;
  auto hex = [&](size_t pos, int n, uint64_t& out) {
    out = 0;
    for (int i = 0; i < n; ++i) {
      int d = HexDigit(s[pos + static_cast<size_t>(i)]);
      if (d < 0) return false;
      out = out * 16 + static_cast<uint64_t>(d);
    }
    return true;
  };
  uint64_t v = 0;
  if (!hex(1, 8, v)) return false;
  g.Data1 = static_cast<uint32_t>(v);
  if (!hex(10, 4, v)) return false;
  g.Data2 = static_cast<uint16_t>(v);
  if (!hex(15, 4, v)) return false;
  g.Data3 = static_cast<uint16_t>(v);
  if (!hex(20, 2, v)) return false;
  g.Data4[0] = static_cast<uint8_t>(v);
  if (!hex(22, 2, v)) return false;
  g.Data4[1] = static_cast<uint8_t>(v);
  for (int i = 0; i < 6; ++i) {
    if (!hex(25 + static_cast<size_t>(2 * i), 2, v)) return false;
    g.Data4[2 + i] = static_cast<uint8_t>(v);
  }
  return true;
}
}  // namespace velmarcom_detail

// A GUID constant from its text form; a malformed text fails to compile in a constant expression.
consteval GUID MakeGuid(std::string_view text) {
  GUID g{};
  if (!velmarcom_detail::ParseGuid(text, g)) throw "malformed GUID text";
  return g;
}

inline constexpr GUID GUID_NULL{};
inline constexpr IID IID_IUnknown = MakeGuid("{00000000-0000-0000-C000-000000000046}");
inline constexpr IID IID_IDispatch = MakeGuid("{00020400-0000-0000-C000-000000000046}");
inline constexpr IID IID_IClassFactory = MakeGuid("{00000001-0000-0000-C000-000000000046}");
inline constexpr IID IID_ISupportErrorInfo = MakeGuid("{DF0B3D60-548F-101B-8E65-08002B2BD119}");
inline constexpr IID IID_IErrorInfo = MakeGuid("{1CF2B120-547D-101B-8E65-08002B2BD119}");
inline constexpr IID IID_ICreateErrorInfo = MakeGuid("{22F03340-547D-101B-8E65-08002B2BD119}");
// The proxy/stub class of automation-compatible (dual) interfaces.
inline constexpr CLSID CLSID_PSOAInterface = MakeGuid("{00020424-0000-0000-C000-000000000046}");

// Text form "{...}" with upper-case hex digits; `buffer` must hold 39 bytes (38 + NUL).
VELMARCOM_API void VcomGuidToText(const GUID* guid, char* buffer);
// Parses "{...}" (either case); S_OK, E_POINTER, or CO_E_CLASSSTRING for a malformed text.
VELMARCOM_API HRESULT VcomGuidFromText(const char* text, GUID* guid);

inline std::string GuidToString(const GUID& g) {
  char buffer[39];
  VcomGuidToText(&g, buffer);
  return std::string(buffer, 38);
}
inline bool GuidFromString(std::string_view text, GUID& g) { return velmarcom_detail::ParseGuid(text, g); }

// ---------------------------------------------------------------------------------------------
// Automation strings (BSTR)
VELMARCOM_API BSTR SysAllocString(const OLECHAR* text);                   // null text -> null BSTR
VELMARCOM_API BSTR SysAllocStringLen(const OLECHAR* text, UINT length);   // text may be null: zeros
VELMARCOM_API void SysFreeString(BSTR s);                                 // null is fine
VELMARCOM_API UINT SysStringLen(BSTR s);                                  // bytes; 0 for null
VELMARCOM_API BOOL SysReAllocString(BSTR* s, const OLECHAR* text);        // frees the old one

// C++ helpers (header-only): copy a BSTR out to std::string, and a BSTR owned by a scope.
inline std::string BstrToString(BSTR s) { return s ? std::string(s, SysStringLen(s)) : std::string(); }
inline BSTR StringToBstr(std::string_view s) {
  return SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
}

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::string_view s) : s_(StringToBstr(s)) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  Bstr(Bstr&& o) noexcept : s_(o.s_) { o.s_ = nullptr; }
  Bstr& operator=(Bstr&& o) noexcept {
    if (this != &o) {
      SysFreeString(s_);
      s_ = o.s_;
      o.s_ = nullptr;
    }
    return *this;
  }
  ~Bstr() { SysFreeString(s_); }
  BSTR get() const { return s_; }
  BSTR* out() {  // frees the held string and gives the slot to a callee that returns a BSTR
    SysFreeString(s_);
    s_ = nullptr;
    return &s_;
  }
  BSTR release() {
    BSTR s = s_;
    s_ = nullptr;
    return s;
  }
  std::string str() const { return BstrToString(s_); }
  UINT length() const { return SysStringLen(s_); }

 private:
  BSTR s_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Base interfaces
struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};

struct ITypeInfo;  // type information is not provided by this runtime (GetTypeInfo answers E_NOTIMPL)

using VARTYPE = uint16_t;
enum : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_DATE = 7,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_BYREF = 0x4000,
};

struct IDispatch;

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    int32_t lVal;
    int16_t iVal;
    float fltVal;
    double dblVal;
    double date;
    VARIANT_BOOL boolVal;
    HRESULT scode;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    int32_t* plVal;
    int16_t* piVal;
    float* pfltVal;
    double* pdblVal;
    double* pdate;
    VARIANT_BOOL* pboolVal;
    BSTR* pbstrVal;
    VARIANT* pvarVal;
    void* byref;
  };
};
using VARIANTARG = VARIANT;

// Arguments in reverse order: rgvarg[cArgs - 1] is the first parameter.
struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
  HRESULT scode;
};

inline constexpr WORD DISPATCH_METHOD = 1;
inline constexpr WORD DISPATCH_PROPERTYGET = 2;
inline constexpr WORD DISPATCH_PROPERTYPUT = 4;
inline constexpr WORD DISPATCH_PROPERTYPUTREF = 8;
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_PROPERTYPUT = -3;
inline constexpr LCID LOCALE_USER_DEFAULT = 0x400;

struct IDispatch : IUnknown {
  virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
  virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
  virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) = 0;
  virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                         VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;
};

struct IClassFactory : IUnknown {
  virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
  virtual HRESULT LockServer(BOOL fLock) = 0;
};

struct ISupportErrorInfo : IUnknown {
  virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;
};

struct IErrorInfo : IUnknown {
  virtual HRESULT GetGUID(GUID* pGUID) = 0;
  virtual HRESULT GetSource(BSTR* pBstrSource) = 0;
  virtual HRESULT GetDescription(BSTR* pBstrDescription) = 0;
  virtual HRESULT GetHelpFile(BSTR* pBstrHelpFile) = 0;
  virtual HRESULT GetHelpContext(DWORD* pdwHelpContext) = 0;
};

struct ICreateErrorInfo : IUnknown {
  virtual HRESULT SetGUID(REFGUID rguid) = 0;
  virtual HRESULT SetSource(LPOLESTR szSource) = 0;
  virtual HRESULT SetDescription(LPOLESTR szDescription) = 0;
  virtual HRESULT SetHelpFile(LPOLESTR szHelpFile) = 0;
  virtual HRESULT SetHelpContext(DWORD dwHelpContext) = 0;
};

// ---------------------------------------------------------------------------------------------
// Automation values
VELMARCOM_API void VariantInit(VARIANT* v);
// Frees what the value owns (a BSTR, a reference to an interface) and leaves VT_EMPTY.
VELMARCOM_API HRESULT VariantClear(VARIANT* v);
// Deep copy (the BSTR is duplicated, interfaces are AddRef'd). `dest` is cleared first.
VELMARCOM_API HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// Converts between VT_EMPTY, VT_I2, VT_I4, VT_R4, VT_R8, VT_DATE, VT_BOOL and VT_BSTR; a
// reference source is read through. Numbers in texts use '.' whatever the locale. Results:
// S_OK, DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW, DISP_E_BADVARTYPE. `dest` may equal `src`.
VELMARCOM_API HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, WORD flags, VARTYPE vt);

// ---------------------------------------------------------------------------------------------
// Per-thread error information
VELMARCOM_API HRESULT CreateErrorInfo(ICreateErrorInfo** ppCreateErrInfo);
// Replaces the calling thread's error object (null clears it).
VELMARCOM_API HRESULT SetErrorInfo(DWORD reserved, IErrorInfo* perrinfo);
// Takes the calling thread's error object: S_OK with a reference, or S_FALSE and null when
// none is set. The slot is empty afterwards.
VELMARCOM_API HRESULT GetErrorInfo(DWORD reserved, IErrorInfo** pperrinfo);

// Convenience: make and set an error object in one call (the texts may be null).
VELMARCOM_API HRESULT VcomSetErrorInfo(const IID* iid, const char* source, const char* description,
                                       const char* helpFile, DWORD helpContext);

// ---------------------------------------------------------------------------------------------
// Apartments and object creation
inline constexpr DWORD COINIT_MULTITHREADED = 0x0;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_ALL = 0x17;

// S_OK on the first call of a thread, S_FALSE on a repeated one with the same model,
// RPC_E_CHANGED_MODE when the thread already runs the other model. Calls are counted.
VELMARCOM_API HRESULT CoInitializeEx(void* reserved, DWORD coInit);
VELMARCOM_API HRESULT CoInitialize(void* reserved);  // apartment model
VELMARCOM_API void CoUninitialize();

// Looks up HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 in the registry file, loads the
// library (dlopen, RTLD_NOW) and asks its DllGetClassObject. Results: the library's own,
// CO_E_NOTINITIALIZED when the thread has not initialised the runtime, REGDB_E_CLASSNOTREG
// when the class is not registered, CO_E_DLLNOTFOUND when the library cannot be loaded,
// CO_E_ERRORINDLL when it has no DllGetClassObject.
VELMARCOM_API HRESULT CoGetClassObject(REFCLSID rclsid, DWORD clsContext, void* reserved, REFIID riid, void** ppv);
// CoGetClassObject, IClassFactory::CreateInstance, then the factory's release. *ppv is nil on failure.
VELMARCOM_API HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD clsContext, REFIID riid,
                                       void** ppv);
// HKEY_CLASSES_ROOT\<progId>\Clsid. REGDB_E_CLASSNOTREG when missing, CO_E_CLASSSTRING when malformed.
VELMARCOM_API HRESULT CLSIDFromProgID(const OLECHAR* progId, CLSID* clsid);

// ---------------------------------------------------------------------------------------------
// Message boxes: a library never opens windows itself; it calls MessageBox, which hands the
// message to the installed hook. Without a hook the message goes to stderr as
// "<caption>: <text>" and the answer is IDOK.
inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_ICONSTOP = 0x10;
inline constexpr UINT MB_ICONERROR = 0x10;
inline constexpr UINT MB_ICONINFORMATION = 0x40;
inline constexpr UINT MB_SETFOREGROUND = 0x10000;
inline constexpr int IDOK = 1;

using VcomMessageBoxHook = int (*)(const char* text, const char* caption, UINT type, void* user);
// Installs a hook (null restores the stderr default); returns the previous one.
VELMARCOM_API VcomMessageBoxHook VcomSetMessageBoxHook(VcomMessageBoxHook hook, void* user);
VELMARCOM_API int VcomMessageBox(const char* text, const char* caption, UINT type);

// Signatures of the functions an in-process server library exports.
using DllGetClassObjectFn = HRESULT (*)(REFCLSID rclsid, REFIID riid, void** ppv);
using DllCanUnloadNowFn = HRESULT (*)();
using DllRegisterServerFn = HRESULT (*)();
using DllUnregisterServerFn = HRESULT (*)();

// The component-object runtime of Velmar: result codes, class and interface identifiers,
// the base interfaces, automation strings and values, per-thread error information,
// apartment initialisation, creation of objects by class identifier through the registry
// file, type libraries (built from a module's description, loaded by path or from the
// registry, registered and unregistered), and a replaceable message-box hook.
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

using SCODE = int32_t;
using SHORT = int16_t;
using USHORT = uint16_t;
using INT = int32_t;
using MEMBERID = DISPID;
using HREFTYPE = DWORD;

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
inline constexpr HRESULT TYPE_E_REGISTRYACCESS = static_cast<HRESULT>(0x8002801Cu);
inline constexpr HRESULT TYPE_E_LIBNOTREGISTERED = static_cast<HRESULT>(0x8002801Du);
inline constexpr HRESULT TYPE_E_WRONGTYPEKIND = static_cast<HRESULT>(0x8002802Au);
inline constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = static_cast<HRESULT>(0x8002802Bu);
inline constexpr HRESULT TYPE_E_BADMODULEKIND = static_cast<HRESULT>(0x800288BDu);
inline constexpr HRESULT TYPE_E_CANTLOADLIBRARY = static_cast<HRESULT>(0x80029C4Au);
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

struct ITypeInfo;
struct ITypeLib;
// Binding by name through a type compiler is not provided: GetTypeComp answers E_NOTIMPL.
struct ITypeComp;

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
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_PTR = 26,
  VT_USERDEFINED = 29,
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
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x800;

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
// Type information: type libraries and the descriptions of their types
enum TYPEKIND : int32_t {
  TKIND_ENUM = 0,
  TKIND_RECORD = 1,
  TKIND_MODULE = 2,
  TKIND_INTERFACE = 3,
  TKIND_DISPATCH = 4,
  TKIND_COCLASS = 5,
  TKIND_ALIAS = 6,
  TKIND_UNION = 7,
};
enum FUNCKIND : int32_t { FUNC_VIRTUAL = 0, FUNC_PUREVIRTUAL = 1, FUNC_NONVIRTUAL = 2, FUNC_STATIC = 3, FUNC_DISPATCH = 4 };
enum INVOKEKIND : int32_t {
  INVOKE_FUNC = 1,
  INVOKE_PROPERTYGET = 2,
  INVOKE_PROPERTYPUT = 4,
  INVOKE_PROPERTYPUTREF = 8,
};
enum CALLCONV : int32_t { CC_FASTCALL = 0, CC_CDECL = 1, CC_PASCAL = 2, CC_MACPASCAL = 3, CC_STDCALL = 4 };
// The platform of a registered library. This platform registers its 64-bit libraries under the
// sub-key "linux" (where the original one uses "win64").
enum SYSKIND : int32_t { SYS_WIN16 = 0, SYS_WIN32 = 1, SYS_MAC = 2, SYS_WIN64 = 3 };

inline constexpr MEMBERID MEMBERID_NIL = DISPID_UNKNOWN;

// TYPEATTR::wTypeFlags
inline constexpr WORD TYPEFLAG_FAPPOBJECT = 0x1;
inline constexpr WORD TYPEFLAG_FCANCREATE = 0x2;
inline constexpr WORD TYPEFLAG_FHIDDEN = 0x10;
inline constexpr WORD TYPEFLAG_FDUAL = 0x40;
inline constexpr WORD TYPEFLAG_FNONEXTENSIBLE = 0x80;
inline constexpr WORD TYPEFLAG_FOLEAUTOMATION = 0x100;
inline constexpr WORD TYPEFLAG_FDISPATCHABLE = 0x1000;
// PARAMDESC::wParamFlags
inline constexpr USHORT PARAMFLAG_NONE = 0x0;
inline constexpr USHORT PARAMFLAG_FIN = 0x1;
inline constexpr USHORT PARAMFLAG_FOUT = 0x2;
inline constexpr USHORT PARAMFLAG_FRETVAL = 0x8;
inline constexpr USHORT PARAMFLAG_FOPT = 0x10;
// GetImplTypeFlags
inline constexpr INT IMPLTYPEFLAG_FDEFAULT = 0x1;
// TLIBATTR::wLibFlags
inline constexpr WORD LIBFLAG_FRESTRICTED = 0x1;
inline constexpr WORD LIBFLAG_FCONTROL = 0x2;
inline constexpr WORD LIBFLAG_FHIDDEN = 0x4;
inline constexpr WORD LIBFLAG_FHASDISKIMAGE = 0x8;

struct ARRAYDESC;
struct PARAMDESCEX;
struct VARDESC;  // no type of this runtime has variables: GetVarDesc answers TYPE_E_ELEMENTNOTFOUND

struct TYPEDESC {
  union {
    TYPEDESC* lptdesc;  // VT_PTR: the type pointed to
    ARRAYDESC* lpadesc;
    HREFTYPE hreftype;  // VT_USERDEFINED
  };
  VARTYPE vt;
};

struct IDLDESC {
  uintptr_t dwReserved;
  USHORT wIDLFlags;
};

struct PARAMDESC {
  PARAMDESCEX* pparamdescex;
  USHORT wParamFlags;
};

struct ELEMDESC {
  TYPEDESC tdesc;
  union {
    IDLDESC idldesc;
    PARAMDESC paramdesc;
  };
};

struct TYPEATTR {
  GUID guid;
  LCID lcid;
  DWORD dwReserved;
  MEMBERID memidConstructor;
  MEMBERID memidDestructor;
  LPOLESTR lpstrSchema;
  ULONG cbSizeInstance;
  TYPEKIND typekind;
  WORD cFuncs;
  WORD cVars;
  WORD cImplTypes;
  WORD cbSizeVft;
  WORD cbAlignment;
  WORD wTypeFlags;
  WORD wMajorVerNum;
  WORD wMinorVerNum;
  TYPEDESC tdescAlias;
  IDLDESC idldescType;
};

struct FUNCDESC {
  MEMBERID memid;
  SCODE* lprgscode;
  ELEMDESC* lprgelemdescParam;  // cParams entries
  FUNCKIND funckind;
  INVOKEKIND invkind;
  CALLCONV callconv;
  SHORT cParams;
  SHORT cParamsOpt;
  SHORT oVft;
  SHORT cScodes;
  ELEMDESC elemdescFunc;  // the result
  WORD wFuncFlags;
};

struct TLIBATTR {
  GUID guid;
  LCID lcid;
  SYSKIND syskind;
  WORD wMajorVerNum;
  WORD wMinorVerNum;
  WORD wLibFlags;
};

inline constexpr IID IID_ITypeInfo = MakeGuid("{00020401-0000-0000-C000-000000000046}");
inline constexpr IID IID_ITypeLib = MakeGuid("{00020402-0000-0000-C000-000000000046}");

// Every record a type information or library hands out goes back through its Release...
// member (ReleaseTypeAttr, ReleaseFuncDesc, ReleaseTLibAttr), every BSTR through SysFreeString.
// The texts and help context of GetDocumentation are optional out-pointers (null when not
// wanted); every other null out-pointer gives E_POINTER. An index past the end gives
// TYPE_E_ELEMENTNOTFOUND.
struct ITypeInfo : IUnknown {
  virtual HRESULT GetTypeAttr(TYPEATTR** ppTypeAttr) = 0;
  virtual HRESULT GetTypeComp(ITypeComp** ppTComp) = 0;
  virtual HRESULT GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) = 0;
  virtual HRESULT GetVarDesc(UINT index, VARDESC** ppVarDesc) = 0;
  virtual HRESULT GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) = 0;
  virtual HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) = 0;
  virtual HRESULT GetImplTypeFlags(UINT index, INT* pImplTypeFlags) = 0;
  virtual HRESULT GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) = 0;
  virtual HRESULT Invoke(void* pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                         VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;
  virtual HRESULT GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                   BSTR* pBstrHelpFile) = 0;
  virtual HRESULT GetDllEntry(MEMBERID memid, INVOKEKIND invKind, BSTR* pBstrDllName, BSTR* pBstrName,
                              WORD* pwOrdinal) = 0;
  virtual HRESULT GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) = 0;
  virtual HRESULT AddressOfMember(MEMBERID memid, INVOKEKIND invKind, void** ppv) = 0;
  virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObj) = 0;
  virtual HRESULT GetMops(MEMBERID memid, BSTR* pBstrMops) = 0;
  virtual HRESULT GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) = 0;
  virtual void ReleaseTypeAttr(TYPEATTR* pTypeAttr) = 0;
  virtual void ReleaseFuncDesc(FUNCDESC* pFuncDesc) = 0;
  virtual void ReleaseVarDesc(VARDESC* pVarDesc) = 0;
};

struct ITypeLib : IUnknown {
  virtual UINT GetTypeInfoCount() = 0;
  virtual HRESULT GetTypeInfo(UINT index, ITypeInfo** ppTInfo) = 0;
  virtual HRESULT GetTypeInfoType(UINT index, TYPEKIND* pTKind) = 0;
  virtual HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** ppTinfo) = 0;
  virtual HRESULT GetLibAttr(TLIBATTR** ppTLibAttr) = 0;
  virtual HRESULT GetTypeComp(ITypeComp** ppTComp) = 0;
  // index -1 describes the library itself
  virtual HRESULT GetDocumentation(INT index, BSTR* pBstrName, BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                   BSTR* pBstrHelpFile) = 0;
  virtual HRESULT IsName(LPOLESTR szNameBuf, ULONG lHashVal, BOOL* pfName) = 0;
  virtual HRESULT FindName(LPOLESTR szNameBuf, ULONG lHashVal, ITypeInfo** ppTInfo, MEMBERID* rgMemId,
                           USHORT* pcFound) = 0;
  virtual void ReleaseTLibAttr(TLIBATTR* pTLibAttr) = 0;
};

// A type library as plain data: what a server module embeds as its type-library resource and
// what VcomCreateTypeLib turns into an ITypeLib. Only the types this runtime serves are
// described: dual interfaces (seen through their dispatch side, TKIND_DISPATCH, with IDispatch
// as the one inherited type) and coclasses.
struct VcomParamData {
  const char* name;  // null for the unnamed value of a property put
  VARTYPE vt;        // the value's type; an [out] parameter is a pointer to it
  USHORT flags;      // PARAMFLAG_FIN or PARAMFLAG_FOUT
};

struct VcomFuncData {
  const char* name;
  MEMBERID memid;
  INVOKEKIND invkind;
  const VcomParamData* params;
  UINT paramCount;
  VARTYPE result;  // the [out, retval] value's type; VT_VOID for none
  const char* help;  // null or "" for none
};

inline constexpr UINT kVcomMaxParams = 32;

struct VcomTypeData {
  TYPEKIND kind;  // TKIND_DISPATCH or TKIND_COCLASS
  const char* name;
  GUID guid;
  WORD majorVersion;
  WORD minorVersion;
  WORD typeFlags;
  const char* help;
  const VcomFuncData* funcs;  // TKIND_DISPATCH: the members in virtual-table order
  UINT funcCount;
  const UINT* implTypes;  // TKIND_COCLASS: indexes of the implemented types in the library, default first
  UINT implTypeCount;
};

struct VcomTypeLibData {
  const char* name;
  GUID libid;
  LCID lcid;
  WORD majorVersion;
  WORD minorVersion;
  WORD libFlags;
  const char* help;
  const VcomTypeData* types;
  UINT typeCount;
};

// The data symbol (extern "C", const VcomTypeLibData) by which a server module offers its type
// library to LoadTypeLib.
inline constexpr const char* kVcomTypeLibSymbol = "VcomTypeLibResource";

// Builds a type library from its description (copied; the data may go afterwards). E_POINTER,
// E_INVALIDARG for an inconsistent description (a coclass naming a missing type, too many
// parameters), E_OUTOFMEMORY.
VELMARCOM_API HRESULT VcomCreateTypeLib(const VcomTypeLibData* data, ITypeLib** ppTLib);
// Loads the type library of a server module file (the module is loaded and stays loaded).
// TYPE_E_CANTLOADLIBRARY when the file cannot be loaded or offers no type library.
VELMARCOM_API HRESULT LoadTypeLib(const OLECHAR* file, ITypeLib** ppTLib);
// The path registered for a library: the highest registered minor version not below `minor`
// with the same major version, for the locale (LOCALE_USER_DEFAULT and LOCALE_SYSTEM_DEFAULT
// stand for 0x409 on this platform), else its primary language, else the neutral locale 0.
// TYPE_E_LIBNOTREGISTERED when there is none, TYPE_E_REGISTRYACCESS when the registry file
// cannot be read.
VELMARCOM_API HRESULT QueryPathOfRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, BSTR* path);
// QueryPathOfRegTypeLib, then LoadTypeLib of that path.
VELMARCOM_API HRESULT LoadRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, ITypeLib** ppTLib);
// Writes the library's registry entries: TypeLib\{libid}\<major.minor> (hex) with the library's
// help text, \<lcid hex>\linux = fullPath, \FLAGS, \HELPDIR = helpDir (when given), and for each
// dual interface Interface\{iid} with its name, ProxyStubClsid32 and TypeLib (libid, Version).
// Registering again rewrites the same entries. TYPE_E_REGISTRYACCESS when a write fails.
VELMARCOM_API HRESULT RegisterTypeLib(ITypeLib* ptlib, const OLECHAR* fullPath, const OLECHAR* helpDir);
// Removes what RegisterTypeLib wrote for that version and locale: the interfaces registered as
// belonging to it, the locale's entry, and the version's and library's keys when nothing else is
// left under them. TYPE_E_LIBNOTREGISTERED when that version is not registered,
// TYPE_E_REGISTRYACCESS when the registry file cannot be written.
VELMARCOM_API HRESULT UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind);
// Late binding by name served from a type information: its GetIDsOfNames (E_INVALIDARG for a
// null type information).
VELMARCOM_API HRESULT DispGetIDsOfNames(ITypeInfo* ptinfo, LPOLESTR* rgszNames, UINT cNames, DISPID* rgdispid);

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

// Type libraries: the library built from a module's description, the type information of its
// types, loading from a module file and from the registry, and registration in the registry.
#include <dlfcn.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "modules.h"
#include "velmar_registry.h"
#include "velmarcom.h"

namespace {

namespace reg = velmar::registry;
using velmarcom_internal::RegistryFailure;

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char p = a[i], q = b[i];
    if (p >= 'a' && p <= 'z') p = static_cast<char>(p - 'a' + 'A');
    if (q >= 'a' && q <= 'z') q = static_cast<char>(q - 'a' + 'A');
    if (p != q) return false;
  }
  return true;
}

std::string Text(const char* s) { return s ? s : ""; }

// A text handed out as a BSTR into an optional out-pointer; an empty text gives a null BSTR.
HRESULT GiveOptional(const std::string& text, BSTR* out) {
  if (!out) return S_OK;
  *out = nullptr;
  if (text.empty()) return S_OK;
  *out = StringToBstr(text);
  return *out ? S_OK : E_OUTOFMEMORY;
}

std::string Hex(unsigned value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%x", value);
  return buffer;
}

std::string VersionText(WORD major, WORD minor) { return Hex(major) + "." + Hex(minor); }

struct Param {
  std::string name;  // empty: unnamed
  VARTYPE vt;
  USHORT flags;
};

struct Func {
  std::string name;
  MEMBERID memid;
  INVOKEKIND invkind;
  std::vector<Param> params;
  VARTYPE result;
  std::string help;
};

struct TypeRecord {
  TYPEKIND kind;
  std::string name;
  GUID guid;
  WORD major, minor, flags;
  std::string help;
  std::vector<Func> funcs;
  std::vector<UINT> implTypes;
};

// The reference type of the one type a dispatch interface inherits (IDispatch, from the
// standard automation library, which this platform does not carry).
constexpr HREFTYPE kDispatchBaseRef = 0xFFFF0000u;

// A function description with its parameter and pointed-to types in one block, so that
// ReleaseFuncDesc frees it with one delete.
struct FuncBlock {
  FUNCDESC desc;
  ELEMDESC params[kVcomMaxParams];
  TYPEDESC pointees[kVcomMaxParams];
};

class TypeLib;

class TypeInfo final : public ITypeInfo {
 public:
  TypeInfo(TypeLib* lib, UINT index, TypeRecord record) : lib_(lib), index_(index), t_(std::move(record)) {}
  const TypeRecord& record() const { return t_; }

  // References are those of the library: a type information lives as long as its library.
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!(riid == IID_IUnknown || riid == IID_ITypeInfo)) return E_NOINTERFACE;
    *ppv = static_cast<ITypeInfo*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetTypeAttr(TYPEATTR** pp) override {
    if (!pp) return E_POINTER;
    *pp = nullptr;
    auto* a = new (std::nothrow) TYPEATTR{};
    if (!a) return E_OUTOFMEMORY;
    a->guid = t_.guid;
    a->lcid = 0;
    a->memidConstructor = MEMBERID_NIL;
    a->memidDestructor = MEMBERID_NIL;
    a->cbSizeInstance = sizeof(void*);
    a->typekind = t_.kind;
    a->cFuncs = static_cast<WORD>(t_.funcs.size());
    a->cImplTypes = static_cast<WORD>(t_.kind == TKIND_COCLASS ? t_.implTypes.size() : 1);
    // IUnknown and IDispatch take the first seven slots of a dual interface.
    a->cbSizeVft = static_cast<WORD>(t_.kind == TKIND_COCLASS ? 0 : (7 + t_.funcs.size()) * sizeof(void*));
    a->cbAlignment = alignof(void*);
    a->wTypeFlags = t_.flags;
    a->wMajorVerNum = t_.major;
    a->wMinorVerNum = t_.minor;
    a->tdescAlias.vt = VT_EMPTY;
    *pp = a;
    return S_OK;
  }

  HRESULT GetTypeComp(ITypeComp** pp) override {
    if (!pp) return E_POINTER;
    *pp = nullptr;
    return E_NOTIMPL;
  }

  HRESULT GetFuncDesc(UINT index, FUNCDESC** pp) override {
    if (!pp) return E_POINTER;
    *pp = nullptr;
    if (index >= t_.funcs.size()) return TYPE_E_ELEMENTNOTFOUND;
    const Func& f = t_.funcs[index];
    auto* block = new (std::nothrow) FuncBlock{};
    if (!block) return E_OUTOFMEMORY;
    FUNCDESC& d = block->desc;
    d.memid = f.memid;
    d.funckind = FUNC_DISPATCH;
    d.invkind = f.invkind;
    d.callconv = CC_STDCALL;
    d.cParams = static_cast<SHORT>(f.params.size());
    d.cParamsOpt = 0;
    d.oVft = static_cast<SHORT>((7 + index) * sizeof(void*));
    d.lprgelemdescParam = f.params.empty() ? nullptr : block->params;
    for (size_t i = 0; i < f.params.size(); ++i) {
      ELEMDESC& e = block->params[i];
      const Param& p = f.params[i];
      e.paramdesc.wParamFlags = p.flags;
      if (p.flags & PARAMFLAG_FOUT) {
        block->pointees[i].vt = p.vt;
        e.tdesc.vt = VT_PTR;
        e.tdesc.lptdesc = &block->pointees[i];
      } else {
        e.tdesc.vt = p.vt;
      }
    }
    d.elemdescFunc.tdesc.vt = f.result;
    *pp = &block->desc;
    return S_OK;
  }

  HRESULT GetVarDesc(UINT, VARDESC** pp) override {
    if (!pp) return E_POINTER;
    *pp = nullptr;
    return TYPE_E_ELEMENTNOTFOUND;
  }

  HRESULT GetNames(MEMBERID memid, BSTR* names, UINT maxNames, UINT* count) override {
    if (!names || !count) return E_POINTER;
    *count = 0;
    const Func* f = Find(memid);
    if (!f) return TYPE_E_ELEMENTNOTFOUND;
    UINT n = 0;
    auto give = [&](const std::string& text) {
      if (n >= maxNames) return true;
      names[n] = StringToBstr(text);
      if (!names[n]) return false;
      ++n;
      return true;
    };
    bool ok = give(f->name);
    for (size_t p = 0; ok && p < f->params.size(); ++p)
      if (!f->params[p].name.empty()) ok = give(f->params[p].name);
    if (!ok) {
      for (UINT k = 0; k < n; ++k) SysFreeString(names[k]);
      return E_OUTOFMEMORY;
    }
    *count = n;
    return S_OK;
  }

  HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* ref) override {
    if (!ref) return E_POINTER;
    *ref = 0;
    if (t_.kind == TKIND_COCLASS) {
      if (index >= t_.implTypes.size()) return TYPE_E_ELEMENTNOTFOUND;
      *ref = t_.implTypes[index];
      return S_OK;
    }
    if (index != 0) return TYPE_E_ELEMENTNOTFOUND;
    *ref = kDispatchBaseRef;
    return S_OK;
  }

  HRESULT GetImplTypeFlags(UINT index, INT* flags) override {
    if (!flags) return E_POINTER;
    *flags = 0;
    const size_t count = t_.kind == TKIND_COCLASS ? t_.implTypes.size() : 1;
    if (index >= count) return TYPE_E_ELEMENTNOTFOUND;
    if (t_.kind == TKIND_COCLASS && index == 0) *flags = IMPLTYPEFLAG_FDEFAULT;
    return S_OK;
  }

  // The member for the first name (a property's get before its put), then the parameters of
  // that member for the others; names are compared without regard to ASCII case.
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = MEMBERID_NIL;
    if (!names[0]) return DISP_E_UNKNOWNNAME;
    const Func* found = nullptr;
    for (const Func& f : t_.funcs)
      if (EqualNoCase(f.name, names[0]) &&
          (!found || (found->invkind == INVOKE_PROPERTYPUT && f.invkind != INVOKE_PROPERTYPUT)))
        found = &f;
    if (!found) return DISP_E_UNKNOWNNAME;
    ids[0] = found->memid;
    HRESULT hr = S_OK;
    for (UINT i = 1; i < count; ++i) {
      for (size_t p = 0; p < found->params.size() && names[i]; ++p)
        if (!found->params[p].name.empty() && EqualNoCase(found->params[p].name, names[i]))
          ids[i] = static_cast<MEMBERID>(p);
      if (ids[i] == MEMBERID_NIL) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }

  // A dispatch interface is invoked through the instance's own IDispatch.
  HRESULT Invoke(void* instance, MEMBERID memid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excepInfo, UINT* argErr) override {
    if (t_.kind != TKIND_DISPATCH) return TYPE_E_WRONGTYPEKIND;
    if (!instance) return E_INVALIDARG;
    return static_cast<IDispatch*>(instance)->Invoke(memid, GUID_NULL, 0, flags, params, result, excepInfo, argErr);
  }

  HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) override {
    const std::string* n = &t_.name;
    const std::string* h = &t_.help;
    if (memid != MEMBERID_NIL) {
      const Func* f = Find(memid);
      if (!f) return TYPE_E_ELEMENTNOTFOUND;
      n = &f->name;
      h = &f->help;
    }
    return Document(*n, *h, name, doc, helpContext, helpFile);
  }

  static HRESULT Document(const std::string& n, const std::string& h, BSTR* name, BSTR* doc, DWORD* helpContext,
                          BSTR* helpFile) {
    if (helpContext) *helpContext = 0;
    if (helpFile) *helpFile = nullptr;  // no help file
    if (doc) *doc = nullptr;
    HRESULT hr = GiveOptional(n, name);
    if (FAILED(hr)) return hr;
    hr = GiveOptional(h, doc);
    if (FAILED(hr) && name) {
      SysFreeString(*name);
      *name = nullptr;
    }
    return hr;
  }

  HRESULT GetDllEntry(MEMBERID, INVOKEKIND, BSTR* dllName, BSTR* name, WORD* ordinal) override {
    if (dllName) *dllName = nullptr;
    if (name) *name = nullptr;
    if (ordinal) *ordinal = 0;
    return TYPE_E_BADMODULEKIND;
  }

  HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** pp) override;

  HRESULT AddressOfMember(MEMBERID, INVOKEKIND, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return TYPE_E_BADMODULEKIND;
  }

  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (t_.kind != TKIND_COCLASS) return TYPE_E_WRONGTYPEKIND;
    return CoCreateInstance(t_.guid, outer, CLSCTX_ALL, riid, ppv);
  }

  HRESULT GetMops(MEMBERID, BSTR* mops) override {
    if (!mops) return E_POINTER;
    *mops = nullptr;
    return S_OK;
  }

  HRESULT GetContainingTypeLib(ITypeLib** pp, UINT* index) override;

  void ReleaseTypeAttr(TYPEATTR* a) override { delete a; }
  void ReleaseFuncDesc(FUNCDESC* d) override { delete reinterpret_cast<FuncBlock*>(d); }
  void ReleaseVarDesc(VARDESC*) override {}

 private:
  const Func* Find(MEMBERID memid) const {
    for (const Func& f : t_.funcs)
      if (f.memid == memid) return &f;
    return nullptr;
  }

  TypeLib* lib_;
  UINT index_;
  TypeRecord t_;
};

class TypeLib final : public ITypeLib {
 public:
  // Throws std::bad_alloc; the description must have been checked.
  explicit TypeLib(const VcomTypeLibData& d)
      : name_(Text(d.name)),
        help_(Text(d.help)),
        libid_(d.libid),
        lcid_(d.lcid),
        major_(d.majorVersion),
        minor_(d.minorVersion),
        flags_(d.libFlags) {
    for (UINT i = 0; i < d.typeCount; ++i) {
      const VcomTypeData& td = d.types[i];
      TypeRecord t{td.kind, Text(td.name), td.guid, td.majorVersion, td.minorVersion, td.typeFlags, Text(td.help),
                   {}, {}};
      for (UINT k = 0; k < td.funcCount; ++k) {
        const VcomFuncData& fd = td.funcs[k];
        Func f{Text(fd.name), fd.memid, fd.invkind, {}, fd.result, Text(fd.help)};
        for (UINT p = 0; p < fd.paramCount; ++p)
          f.params.push_back(Param{Text(fd.params[p].name), fd.params[p].vt, fd.params[p].flags});
        t.funcs.push_back(std::move(f));
      }
      for (UINT k = 0; k < td.implTypeCount; ++k) t.implTypes.push_back(td.implTypes[k]);
      types_.push_back(std::make_unique<TypeInfo>(this, i, std::move(t)));
    }
  }

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!(riid == IID_IUnknown || riid == IID_ITypeLib)) return E_NOINTERFACE;
    *ppv = static_cast<ITypeLib*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

  UINT GetTypeInfoCount() override { return static_cast<UINT>(types_.size()); }

  HRESULT GetTypeInfo(UINT index, ITypeInfo** pp) override {
    if (!pp) return E_POINTER;
    *pp = nullptr;
    if (index >= types_.size()) return TYPE_E_ELEMENTNOTFOUND;
    *pp = types_[index].get();
    AddRef();
    return S_OK;
  }

  HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) override {
    if (!kind) return E_POINTER;
    if (index >= types_.size()) return TYPE_E_ELEMENTNOTFOUND;
    *kind = types_[index]->record().kind;
    return S_OK;
  }

  HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** pp) override {
    if (!pp) return E_POINTER;
    *pp = nullptr;
    for (auto& t : types_)
      if (t->record().guid == guid) {
        *pp = t.get();
        AddRef();
        return S_OK;
      }
    return TYPE_E_ELEMENTNOTFOUND;
  }

  HRESULT GetLibAttr(TLIBATTR** pp) override {
    if (!pp) return E_POINTER;
    *pp = new (std::nothrow) TLIBATTR{libid_, lcid_, SYS_WIN64, major_, minor_, flags_};
    return *pp ? S_OK : E_OUTOFMEMORY;
  }

  HRESULT GetTypeComp(ITypeComp** pp) override {
    if (!pp) return E_POINTER;
    *pp = nullptr;
    return E_NOTIMPL;
  }

  HRESULT GetDocumentation(INT index, BSTR* name, BSTR* doc, DWORD* helpContext, BSTR* helpFile) override {
    if (index == -1) return TypeInfo::Document(name_, help_, name, doc, helpContext, helpFile);
    if (index < 0 || static_cast<size_t>(index) >= types_.size()) return TYPE_E_ELEMENTNOTFOUND;
    return types_[static_cast<size_t>(index)]->GetDocumentation(MEMBERID_NIL, name, doc, helpContext, helpFile);
  }

  // Names of types, members and parameters; a match is written back in the library's spelling.
  HRESULT IsName(LPOLESTR buffer, ULONG, BOOL* found) override {
    if (!buffer || !found) return E_POINTER;
    *found = 0;
    auto match = [&](const std::string& n) {
      if (n.empty() || !EqualNoCase(n, buffer)) return false;
      std::memcpy(buffer, n.data(), n.size());
      *found = 1;
      return true;
    };
    for (auto& t : types_) {
      const TypeRecord& r = t->record();
      if (match(r.name)) return S_OK;
      for (const Func& f : r.funcs) {
        if (match(f.name)) return S_OK;
        for (const Param& p : f.params)
          if (match(p.name)) return S_OK;
      }
    }
    return S_OK;
  }

  // Types (member MEMBERID_NIL) and members of that name, each member once per type, up to
  // *found of them; *found is set to the number given back.
  HRESULT FindName(LPOLESTR buffer, ULONG, ITypeInfo** infos, MEMBERID* ids, USHORT* found) override {
    if (!buffer || !infos || !ids || !found) return E_POINTER;
    const USHORT max = *found;
    USHORT n = 0;
    auto add = [&](TypeInfo* t, MEMBERID id, const std::string& spelling) {
      if (n >= max) return;
      std::memcpy(buffer, spelling.data(), spelling.size());
      infos[n] = t;
      AddRef();
      ids[n] = id;
      ++n;
    };
    for (auto& t : types_) {
      const TypeRecord& r = t->record();
      if (EqualNoCase(r.name, buffer)) add(t.get(), MEMBERID_NIL, r.name);
      for (size_t i = 0; i < r.funcs.size(); ++i) {
        const Func& f = r.funcs[i];
        bool seen = false;
        for (size_t k = 0; k < i; ++k) seen = seen || r.funcs[k].memid == f.memid;
        if (!seen && EqualNoCase(f.name, buffer)) add(t.get(), f.memid, f.name);
      }
    }
    *found = n;
    return S_OK;
  }

  void ReleaseTLibAttr(TLIBATTR* a) override { delete a; }

  TypeInfo* Type(size_t index) { return index < types_.size() ? types_[index].get() : nullptr; }

 private:
  std::atomic<ULONG> refs_{1};
  std::string name_, help_;
  GUID libid_;
  LCID lcid_;
  WORD major_, minor_, flags_;
  std::vector<std::unique_ptr<TypeInfo>> types_;
};

ULONG TypeInfo::AddRef() { return lib_->AddRef(); }
ULONG TypeInfo::Release() { return lib_->Release(); }

HRESULT TypeInfo::GetRefTypeInfo(HREFTYPE ref, ITypeInfo** pp) {
  if (!pp) return E_POINTER;
  *pp = nullptr;
  if (ref == kDispatchBaseRef) return TYPE_E_CANTLOADLIBRARY;
  TypeInfo* t = lib_->Type(ref);
  if (!t) return TYPE_E_ELEMENTNOTFOUND;
  *pp = t;
  AddRef();
  return S_OK;
}

HRESULT TypeInfo::GetContainingTypeLib(ITypeLib** pp, UINT* index) {
  if (!pp) return E_POINTER;
  *pp = lib_;
  AddRef();
  if (index) *index = index_;
  return S_OK;
}

bool Valid(const VcomTypeLibData& d) {
  if (!d.name || (d.typeCount && !d.types)) return false;
  for (UINT i = 0; i < d.typeCount; ++i) {
    const VcomTypeData& t = d.types[i];
    if (!t.name || (t.funcCount && !t.funcs) || (t.implTypeCount && !t.implTypes)) return false;
    if (t.kind == TKIND_DISPATCH) {
      if (t.implTypeCount) return false;
      for (UINT k = 0; k < t.funcCount; ++k) {
        const VcomFuncData& f = t.funcs[k];
        if (!f.name || f.paramCount > kVcomMaxParams || (f.paramCount && !f.params)) return false;
      }
    } else if (t.kind == TKIND_COCLASS) {
      if (t.funcCount) return false;
      for (UINT k = 0; k < t.implTypeCount; ++k)
        if (t.implTypes[k] >= d.typeCount || d.types[t.implTypes[k]].kind != TKIND_DISPATCH) return false;
    } else {
      return false;
    }
  }
  return true;
}

// The registry's locale keys to try for a requested locale, best first.
std::vector<LCID> LocalesToTry(LCID lcid) {
  if (lcid == LOCALE_USER_DEFAULT || lcid == LOCALE_SYSTEM_DEFAULT) lcid = 0x409;  // no locales here
  std::vector<LCID> out{lcid};
  const LCID primary = lcid & 0x3FF;
  if (primary != lcid && primary != 0) out.push_back(primary);
  if (lcid != 0) out.push_back(0);
  return out;
}

bool ParseVersion(const std::string& text, unsigned& major, unsigned& minor) {
  char dot = 0, rest = 0;
  return std::sscanf(text.c_str(), "%x%c%x%c", &major, &dot, &minor, &rest) == 3 && dot == '.';
}

// Deletes a key; a missing key or one that still has sub-keys is passed over.
bool DeleteIfThere(const std::string& key) {
  reg::Status s = reg::DeleteKey(key);
  return s == reg::Status::Ok || s == reg::Status::NotFound || s == reg::Status::HasSubKeys;
}

}  // namespace

VELMARCOM_API HRESULT VcomCreateTypeLib(const VcomTypeLibData* data, ITypeLib** pp) {
  if (!pp) return E_POINTER;
  *pp = nullptr;
  if (!data) return E_POINTER;
  if (!Valid(*data)) return E_INVALIDARG;
  try {
    *pp = new TypeLib(*data);
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

VELMARCOM_API HRESULT LoadTypeLib(const OLECHAR* file, ITypeLib** pp) {
  if (!pp) return E_POINTER;
  *pp = nullptr;
  if (!file) return E_INVALIDARG;
  try {
    void* module = velmarcom_internal::LoadModule(file);
    if (!module) return TYPE_E_CANTLOADLIBRARY;
    auto* data = static_cast<const VcomTypeLibData*>(::dlsym(module, kVcomTypeLibSymbol));
    if (!data) return TYPE_E_CANTLOADLIBRARY;
    return VcomCreateTypeLib(data, pp);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

VELMARCOM_API HRESULT QueryPathOfRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, BSTR* path) {
  if (!path) return E_POINTER;
  *path = nullptr;
  try {
    const std::string libKey = "TypeLib\\" + GuidToString(libid);
    std::vector<std::string> versions;
    reg::Status s = reg::SubKeys(libKey, versions);
    if (s == reg::Status::NotFound) return TYPE_E_LIBNOTREGISTERED;
    if (s != reg::Status::Ok) return RegistryFailure(TYPE_E_REGISTRYACCESS);
    std::string best;
    unsigned bestMinor = 0;
    for (const std::string& v : versions) {
      unsigned ma = 0, mi = 0;
      if (!ParseVersion(v, ma, mi) || ma != major || mi < minor) continue;
      if (best.empty() || mi > bestMinor) {
        best = v;
        bestMinor = mi;
      }
    }
    if (best.empty()) return TYPE_E_LIBNOTREGISTERED;
    for (LCID l : LocalesToTry(lcid)) {
      std::string value;
      s = reg::GetValue(libKey + "\\" + best + "\\" + Hex(l) + "\\linux", "", value);
      if (s == reg::Status::Ok && !value.empty()) {
        *path = StringToBstr(value);
        return *path ? S_OK : E_OUTOFMEMORY;
      }
      if (s != reg::Status::Ok && s != reg::Status::NotFound) return RegistryFailure(TYPE_E_REGISTRYACCESS);
    }
    return TYPE_E_LIBNOTREGISTERED;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

VELMARCOM_API HRESULT LoadRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, ITypeLib** pp) {
  if (!pp) return E_POINTER;
  *pp = nullptr;
  BSTR path = nullptr;
  HRESULT hr = QueryPathOfRegTypeLib(libid, major, minor, lcid, &path);
  if (FAILED(hr)) return hr;
  hr = LoadTypeLib(path, pp);
  SysFreeString(path);
  return hr;
}

VELMARCOM_API HRESULT RegisterTypeLib(ITypeLib* lib, const OLECHAR* fullPath, const OLECHAR* helpDir) {
  if (!lib || !fullPath) return E_INVALIDARG;
  try {
    TLIBATTR* attr = nullptr;
    HRESULT hr = lib->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    const TLIBATTR a = *attr;
    lib->ReleaseTLibAttr(attr);
    Bstr name, doc;
    hr = lib->GetDocumentation(-1, name.out(), doc.out(), nullptr, nullptr);
    if (FAILED(hr)) return hr;

    const std::string libid = GuidToString(a.guid);
    const std::string version = VersionText(a.wMajorVerNum, a.wMinorVerNum);
    const std::string key = "TypeLib\\" + libid + "\\" + version;
    auto set = [](const std::string& k, const char* valueName, const std::string& value) {
      return reg::SetValue(k, valueName, value) == reg::Status::Ok;
    };
    if (!set(key, "", doc.length() ? doc.str() : name.str()) ||
        !set(key + "\\" + Hex(a.lcid) + "\\linux", "", fullPath) ||
        !set(key + "\\FLAGS", "", std::to_string(a.wLibFlags)) || (helpDir && !set(key + "\\HELPDIR", "", helpDir)))
      return RegistryFailure(TYPE_E_REGISTRYACCESS);

    // The interfaces automation clients reach through the standard marshaller.
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
      ITypeInfo* info = nullptr;
      hr = lib->GetTypeInfo(i, &info);
      if (FAILED(hr)) return hr;
      TYPEATTR* ta = nullptr;
      hr = info->GetTypeAttr(&ta);
      Bstr typeName;
      if (SUCCEEDED(hr)) hr = info->GetDocumentation(MEMBERID_NIL, typeName.out(), nullptr, nullptr, nullptr);
      TYPEKIND kind = TKIND_ENUM;
      WORD flags = 0;
      GUID iid{};
      if (ta) {
        kind = ta->typekind;
        flags = ta->wTypeFlags;
        iid = ta->guid;
        info->ReleaseTypeAttr(ta);
      }
      info->Release();
      if (FAILED(hr)) return hr;
      const bool automation =
          kind == TKIND_DISPATCH ||
          (kind == TKIND_INTERFACE && (flags & (TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL)) != 0);
      if (!automation) continue;
      const std::string k = "Interface\\" + GuidToString(iid);
      if (!set(k, "", typeName.str()) || !set(k + "\\ProxyStubClsid32", "", GuidToString(CLSID_PSOAInterface)) ||
          !set(k + "\\TypeLib", "", libid) || !set(k + "\\TypeLib", "Version", version))
        return RegistryFailure(TYPE_E_REGISTRYACCESS);
    }
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

VELMARCOM_API HRESULT UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind) {
  if (syskind != SYS_WIN64) return E_INVALIDARG;
  try {
    const std::string libText = GuidToString(libid);
    const std::string version = VersionText(major, minor);
    const std::string libKey = "TypeLib\\" + libText;
    const std::string key = libKey + "\\" + version;
    reg::Status s = reg::KeyExists(key);
    if (s == reg::Status::NotFound) return TYPE_E_LIBNOTREGISTERED;
    if (s != reg::Status::Ok) return RegistryFailure(TYPE_E_REGISTRYACCESS);

    // The interfaces registered as belonging to this version of the library.
    std::vector<std::string> interfaces;
    s = reg::SubKeys("Interface", interfaces);
    if (s != reg::Status::Ok && s != reg::Status::NotFound) return RegistryFailure(TYPE_E_REGISTRYACCESS);
    for (const std::string& name : interfaces) {
      const std::string k = "Interface\\" + name;
      std::string owner, ownerVersion;
      GUID ownerId{};
      if (reg::GetValue(k + "\\TypeLib", "", owner) != reg::Status::Ok || !GuidFromString(owner, ownerId) ||
          !(ownerId == libid))
        continue;
      if (reg::GetValue(k + "\\TypeLib", "Version", ownerVersion) != reg::Status::Ok) continue;
      unsigned ma = 0, mi = 0;
      if (!ParseVersion(ownerVersion, ma, mi) || ma != major || mi != minor) continue;
      if (!DeleteIfThere(k + "\\TypeLib") || !DeleteIfThere(k + "\\ProxyStubClsid32") ||
          !DeleteIfThere(k + "\\ProxyStubClsid") || !DeleteIfThere(k))
        return RegistryFailure(TYPE_E_REGISTRYACCESS);
    }

    const std::string locale = key + "\\" + Hex(lcid);
    if (!DeleteIfThere(locale + "\\linux") || !DeleteIfThere(locale)) return RegistryFailure(TYPE_E_REGISTRYACCESS);
    // The version's own entries go once no other locale is registered under it.
    std::vector<std::string> rest;
    s = reg::SubKeys(key, rest);
    if (s != reg::Status::Ok) return RegistryFailure(TYPE_E_REGISTRYACCESS);
    for (const std::string& r : rest)
      if (!EqualNoCase(r, "FLAGS") && !EqualNoCase(r, "HELPDIR")) return S_OK;
    if (!DeleteIfThere(key + "\\FLAGS") || !DeleteIfThere(key + "\\HELPDIR") || !DeleteIfThere(key) ||
        !DeleteIfThere(libKey))
      return RegistryFailure(TYPE_E_REGISTRYACCESS);
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

VELMARCOM_API HRESULT DispGetIDsOfNames(ITypeInfo* info, LPOLESTR* names, UINT count, DISPID* ids) {
  if (!info) return E_INVALIDARG;
  return info->GetIDsOfNames(names, count, ids);
}

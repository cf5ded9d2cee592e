// Late binding of TSatellites: GetIDsOfNames and Invoke over the members of ISatellites.
// Invoke converts the arguments, calls the same virtual-table member a client would call and
// converts a failure into DISP_E_EXCEPTION carrying the error information's texts.
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "satellites.h"

namespace marnsat {
namespace {

enum class Type : uint8_t { None, Bstr, R8, I4, Bool };

struct Param {
  const char* name;
  Type type;
  bool out;
};

struct Member {
  DISPID id;
  WORD kind;  // DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT or DISPATCH_METHOD
  const char* name;
  std::vector<Param> params;
  Type result;
};

using namespace marnsatlib;
constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;
constexpr WORD kMethod = DISPATCH_METHOD;

const std::vector<Member>& Members() {
  static const std::vector<Member> members = {
      {DISPID_VersionString, kGet, "VersionString", {}, Type::Bstr},
      {DISPID_KeplerPath, kGet, "KeplerPath", {}, Type::Bstr},
      {DISPID_KeplerPath, kPut, "KeplerPath", {{"Value", Type::Bstr, false}}, Type::None},
      {DISPID_SatCount, kGet, "SatCount", {}, Type::I4},
      {DISPID_SatNames, kGet, "SatNames", {}, Type::Bstr},
      {DISPID_ObsLat, kGet, "ObsLat", {}, Type::R8},
      {DISPID_ObsLat, kPut, "ObsLat", {{"Value", Type::R8, false}}, Type::None},
      {DISPID_ObsLon, kGet, "ObsLon", {}, Type::R8},
      {DISPID_ObsLon, kPut, "ObsLon", {{"Value", Type::R8, false}}, Type::None},
      {DISPID_ObsHeight, kGet, "ObsHeight", {}, Type::R8},
      {DISPID_ObsHeight, kPut, "ObsHeight", {{"Value", Type::R8, false}}, Type::None},
      {DISPID_PassListForPeriod,
       kMethod,
       "PassListForPeriod",
       {{"Name", Type::Bstr, false},
        {"UTCdate", Type::R8, false},
        {"MinSeconds", Type::I4, false},
        {"NumDays", Type::I4, false},
        {"MinElevDegrees", Type::R8, false}},
       Type::Bstr},
      {DISPID_IsVisible,
       kMethod,
       "IsVisible",
       {{"Name", Type::Bstr, false},
        {"JulianTime", Type::R8, false},
        {"ThresholdDeg", Type::R8, false},
        {"Southbound", Type::Bool, true},
        {"Azumuth", Type::R8, true},
        {"Elevation", Type::R8, true},
        {"Longitude", Type::R8, true},
        {"Latitude", Type::R8, true},
        {"Range", Type::R8, true},
        {"RangeRate", Type::R8, true},
        {"Altitude", Type::R8, true},
        {"Phase", Type::R8, true}},
       Type::Bool},
      {DISPID_DateTimeToJT, kMethod, "DateTimeToJT", {{"DateTime", Type::R8, false}}, Type::R8},
      {DISPID_RevNumber, kGet, "RevNumber", {}, Type::I4},
      {DISPID_OrbitPhase, kGet, "OrbitPhase", {}, Type::R8},
      {DISPID_FindAOS, kMethod, "FindAOS", {{"Name", Type::Bstr, false}, {"PredictTime", Type::R8, false}}, Type::R8},
      {DISPID_FindLOS, kMethod, "FindLOS", {{"Name", Type::Bstr, false}, {"PredictTime", Type::R8, false}}, Type::R8},
      {DISPID_MeanAnomaly, kGet, "MeanAnomaly", {}, Type::R8},
      {DISPID_SatState,
       kMethod,
       "SatState",
       {{"X", Type::R8, true},
        {"Y", Type::R8, true},
        {"Z", Type::R8, true},
        {"Xdot", Type::R8, true},
        {"Ydot", Type::R8, true},
        {"Zdot", Type::R8, true}},
       Type::None},
  };
  return members;
}

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

VARTYPE VarTypeOf(Type t) {
  switch (t) {
    case Type::Bstr: return VT_BSTR;
    case Type::R8: return VT_R8;
    case Type::I4: return VT_I4;
    case Type::Bool: return VT_BOOL;
    default: return VT_EMPTY;
  }
}

// One argument or result in its native form.
struct Slot {
  Type type = Type::None;
  BSTR bstr = nullptr;  // owned
  double r8 = 0;
  int32_t i4 = 0;
  VARIANT_BOOL b = VARIANT_FALSE;
  Slot() = default;
  Slot(const Slot&) = delete;
  Slot& operator=(const Slot&) = delete;
  ~Slot() { SysFreeString(bstr); }
};

HRESULT Load(Slot& slot, Type type, const VARIANT& v) {
  slot.type = type;
  VARIANT tmp;
  VariantInit(&tmp);
  HRESULT hr = VariantChangeType(&tmp, &v, 0, VarTypeOf(type));
  if (FAILED(hr)) return hr;
  switch (type) {
    case Type::Bstr:
      slot.bstr = tmp.bstrVal;  // taken over
      tmp.vt = VT_EMPTY;
      break;
    case Type::R8: slot.r8 = tmp.dblVal; break;
    case Type::I4: slot.i4 = tmp.lVal; break;
    case Type::Bool: slot.b = tmp.boolVal; break;
    default: break;
  }
  VariantClear(&tmp);
  return S_OK;
}

// An out argument must be a reference to its type or to a VARIANT.
bool IsOutReference(const VARIANT& v, Type type) {
  if (!(v.vt & VT_BYREF) || !v.byref) return false;
  VARTYPE base = static_cast<VARTYPE>(v.vt & ~VT_BYREF);
  return base == VarTypeOf(type) || base == VT_VARIANT;
}

HRESULT LoadOut(Slot& slot, Type type, const VARIANT& v) {
  slot.type = type;
  if ((v.vt & ~VT_BYREF) == VT_VARIANT && v.pvarVal->vt == VT_EMPTY) return S_OK;  // nothing passed in
  return Load(slot, type, v);
}

HRESULT Store(const Slot& slot, VARIANT& v) {
  if ((v.vt & ~VT_BYREF) == VT_VARIANT) {
    VARIANT* target = v.pvarVal;
    VariantClear(target);
    target->vt = VarTypeOf(slot.type);
    switch (slot.type) {
      case Type::Bstr:
        target->bstrVal = SysAllocStringLen(slot.bstr, SysStringLen(slot.bstr));
        break;
      case Type::R8: target->dblVal = slot.r8; break;
      case Type::I4: target->lVal = slot.i4; break;
      case Type::Bool: target->boolVal = slot.b; break;
      default: break;
    }
    return S_OK;
  }
  switch (slot.type) {
    case Type::Bstr:
      SysFreeString(*v.pbstrVal);
      *v.pbstrVal = SysAllocStringLen(slot.bstr, SysStringLen(slot.bstr));
      break;
    case Type::R8: *v.pdblVal = slot.r8; break;
    case Type::I4: *v.plVal = slot.i4; break;
    case Type::Bool: *v.pboolVal = slot.b; break;
    default: break;
  }
  return S_OK;
}

void FillException(HRESULT hr, EXCEPINFO* info) {
  IErrorInfo* error = nullptr;
  const bool haveError = GetErrorInfo(0, &error) == S_OK && error;
  if (!info) {
    if (error) error->Release();
    return;
  }
  std::memset(info, 0, sizeof *info);
  info->scode = hr;
  if (haveError) {
    error->GetSource(&info->bstrSource);
    error->GetDescription(&info->bstrDescription);
    error->GetHelpFile(&info->bstrHelpFile);
    error->GetHelpContext(&info->dwHelpContext);
    error->Release();
  } else {
    info->bstrSource = SysAllocString(kProgId);
  }
}

}  // namespace

HRESULT TSatellites::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

HRESULT TSatellites::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (!ppTInfo) return E_POINTER;
  *ppTInfo = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT TSatellites::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
  if (!(riid == GUID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!rgszNames || !rgDispId) return E_POINTER;
  if (cNames == 0) return E_INVALIDARG;
  for (UINT i = 0; i < cNames; ++i) rgDispId[i] = DISPID_UNKNOWN;
  if (!rgszNames[0]) return DISP_E_UNKNOWNNAME;
  const Member* found = nullptr;
  for (const Member& m : Members()) {
    if (EqualNoCase(m.name, rgszNames[0]) && (!found || m.kind != kPut)) found = &m;
  }
  if (!found) return DISP_E_UNKNOWNNAME;
  rgDispId[0] = found->id;
  HRESULT hr = S_OK;
  for (UINT i = 1; i < cNames; ++i) {
    for (size_t p = 0; p < found->params.size() && rgszNames[i]; ++p)
      if (EqualNoCase(found->params[p].name, rgszNames[i])) rgDispId[i] = static_cast<DISPID>(p);
    if (rgDispId[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT TSatellites::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* params,
                            VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
  try {
    if (!(riid == GUID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!params || (params->cArgs && !params->rgvarg) || (params->cNamedArgs && !params->rgdispidNamedArgs))
      return E_POINTER;
    if (params->cNamedArgs > params->cArgs) return DISP_E_BADPARAMCOUNT;

    // Choose the member by identifier and kind of call.
    const Member* member = nullptr;
    for (const Member& m : Members()) {
      if (m.id != dispIdMember) continue;
      const bool put = (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
      if (put ? m.kind == kPut : (m.kind != kPut && (wFlags & m.kind))) member = &m;
    }
    if (!member) return DISP_E_MEMBERNOTFOUND;

    // Arguments by parameter position; rgvarg holds them in reverse order, named ones first.
    const size_t count = member->params.size();
    std::vector<int> source(count, -1);  // index into rgvarg
    const UINT cArgs = params->cArgs, cNamed = params->cNamedArgs;
    if (member->kind == kPut) {
      if (cArgs != 1) return DISP_E_BADPARAMCOUNT;
      if (cNamed > 1 || (cNamed == 1 && params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
        return DISP_E_PARAMNOTFOUND;
      source[0] = 0;
    } else {
      const UINT positional = cArgs - cNamed;
      if (cArgs > count) return DISP_E_BADPARAMCOUNT;
      for (UINT j = 0; j < positional; ++j) source[j] = static_cast<int>(cArgs - 1 - j);
      for (UINT k = 0; k < cNamed; ++k) {
        const DISPID pos = params->rgdispidNamedArgs[k];
        if (pos < 0 || static_cast<size_t>(pos) >= count || source[static_cast<size_t>(pos)] >= 0) {
          if (puArgErr) *puArgErr = k;
          return DISP_E_PARAMNOTFOUND;
        }
        source[static_cast<size_t>(pos)] = static_cast<int>(k);
      }
      for (size_t p = 0; p < count; ++p)
        if (source[p] < 0) return DISP_E_PARAMNOTOPTIONAL;
    }

    std::array<Slot, 12> args;
    for (size_t p = 0; p < count; ++p) {
      const Param& param = member->params[p];
      const VARIANT& v = params->rgvarg[source[p]];
      HRESULT hr;
      if (param.out)
        hr = IsOutReference(v, param.type) ? LoadOut(args[p], param.type, v) : DISP_E_TYPEMISMATCH;
      else
        hr = Load(args[p], param.type, v);
      if (FAILED(hr)) {
        if (puArgErr) *puArgErr = static_cast<UINT>(source[p]);
        return hr;
      }
    }

    // The call itself, through the virtual table.
    Slot result;
    result.type = member->result;
    HRESULT hr = E_UNEXPECTED;
    const DISPID id = member->id;
    const bool get = member->kind == kGet;
    switch (id) {
      case DISPID_VersionString: hr = get_VersionString(&result.bstr); break;
      case DISPID_KeplerPath: hr = get ? get_KeplerPath(&result.bstr) : put_KeplerPath(args[0].bstr); break;
      case DISPID_SatCount: hr = get_SatCount(&result.i4); break;
      case DISPID_SatNames: hr = get_SatNames(&result.bstr); break;
      case DISPID_ObsLat: hr = get ? get_ObsLat(&result.r8) : put_ObsLat(args[0].r8); break;
      case DISPID_ObsLon: hr = get ? get_ObsLon(&result.r8) : put_ObsLon(args[0].r8); break;
      case DISPID_ObsHeight: hr = get ? get_ObsHeight(&result.r8) : put_ObsHeight(args[0].r8); break;
      case DISPID_PassListForPeriod:
        hr = PassListForPeriod(args[0].bstr, args[1].r8, args[2].i4, args[3].i4, args[4].r8, &result.bstr);
        break;
      case DISPID_IsVisible:
        hr = IsVisible(args[0].bstr, args[1].r8, args[2].r8, &args[3].b, &args[4].r8, &args[5].r8, &args[6].r8,
                       &args[7].r8, &args[8].r8, &args[9].r8, &args[10].r8, &args[11].r8, &result.b);
        break;
      case DISPID_DateTimeToJT: hr = DateTimeToJT(args[0].r8, &result.r8); break;
      case DISPID_RevNumber: hr = get_RevNumber(&result.i4); break;
      case DISPID_OrbitPhase: hr = get_OrbitPhase(&result.r8); break;
      case DISPID_FindAOS: hr = FindAOS(args[0].bstr, args[1].r8, &result.r8); break;
      case DISPID_FindLOS: hr = FindLOS(args[0].bstr, args[1].r8, &result.r8); break;
      case DISPID_MeanAnomaly: hr = get_MeanAnomaly(&result.r8); break;
      case DISPID_SatState:
        hr = SatState(&args[0].r8, &args[1].r8, &args[2].r8, &args[3].r8, &args[4].r8, &args[5].r8);
        break;
      default: return DISP_E_MEMBERNOTFOUND;
    }

    // Out arguments carry what the member wrote, also when it failed part-way.
    for (size_t p = 0; p < count; ++p)
      if (member->params[p].out) Store(args[p], params->rgvarg[source[p]]);

    if (FAILED(hr)) {
      FillException(hr, pExcepInfo);
      return DISP_E_EXCEPTION;
    }
    if (pVarResult) {
      VariantInit(pVarResult);
      if (result.type != Type::None) {
        pVarResult->vt = VarTypeOf(result.type);
        switch (result.type) {
          case Type::Bstr:
            pVarResult->bstrVal = result.bstr;
            result.bstr = nullptr;  // handed to the caller
            break;
          case Type::R8: pVarResult->dblVal = result.r8; break;
          case Type::I4: pVarResult->lVal = result.i4; break;
          case Type::Bool: pVarResult->boolVal = result.b; break;
          default: break;
        }
      }
    }
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

}  // namespace marnsat

// Late binding of TSatellites over the member table of ISatellites (typelib.cpp): names resolve
// through the type information built from that table, and Invoke finds the member, its
// parameters and result in the same table. Invoke converts the arguments, calls the same virtual-table member a client would call and
// converts a failure into DISP_E_EXCEPTION carrying the error information's texts.
#include <array>
#include <cstring>
#include <vector>

#include "satellites.h"

namespace marnsat {
namespace {

using namespace marnsatlib;
constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kPut = DISPATCH_PROPERTYPUT;

// One argument or result in its native form.
struct Slot {
  VARTYPE type = VT_VOID;
  BSTR bstr = nullptr;  // owned
  double r8 = 0;
  int32_t i4 = 0;
  VARIANT_BOOL b = VARIANT_FALSE;
  Slot() = default;
  Slot(const Slot&) = delete;
  Slot& operator=(const Slot&) = delete;
  ~Slot() { SysFreeString(bstr); }
};

HRESULT Load(Slot& slot, VARTYPE type, const VARIANT& v) {
  slot.type = type;
  VARIANT tmp;
  VariantInit(&tmp);
  HRESULT hr = VariantChangeType(&tmp, &v, 0, type);
  if (FAILED(hr)) return hr;
  switch (type) {
    case VT_BSTR:
      slot.bstr = tmp.bstrVal;  // taken over
      tmp.vt = VT_EMPTY;
      break;
    case VT_R8: slot.r8 = tmp.dblVal; break;
    case VT_I4: slot.i4 = tmp.lVal; break;
    case VT_BOOL: slot.b = tmp.boolVal; break;
    default: break;
  }
  VariantClear(&tmp);
  return S_OK;
}

// An out argument must be a reference to its type or to a VARIANT.
bool IsOutReference(const VARIANT& v, VARTYPE type) {
  if (!(v.vt & VT_BYREF) || !v.byref) return false;
  VARTYPE base = static_cast<VARTYPE>(v.vt & ~VT_BYREF);
  return base == type || base == VT_VARIANT;
}

HRESULT LoadOut(Slot& slot, VARTYPE type, const VARIANT& v) {
  slot.type = type;
  if ((v.vt & ~VT_BYREF) == VT_VARIANT && v.pvarVal->vt == VT_EMPTY) return S_OK;  // nothing passed in
  return Load(slot, type, v);
}

HRESULT Store(const Slot& slot, VARIANT& v) {
  if ((v.vt & ~VT_BYREF) == VT_VARIANT) {
    VARIANT* target = v.pvarVal;
    VariantClear(target);
    target->vt = slot.type;
    switch (slot.type) {
      case VT_BSTR:
        target->bstrVal = SysAllocStringLen(slot.bstr, SysStringLen(slot.bstr));
        break;
      case VT_R8: target->dblVal = slot.r8; break;
      case VT_I4: target->lVal = slot.i4; break;
      case VT_BOOL: target->boolVal = slot.b; break;
      default: break;
    }
    return S_OK;
  }
  switch (slot.type) {
    case VT_BSTR:
      SysFreeString(*v.pbstrVal);
      *v.pbstrVal = SysAllocStringLen(slot.bstr, SysStringLen(slot.bstr));
      break;
    case VT_R8: *v.pdblVal = slot.r8; break;
    case VT_I4: *v.plVal = slot.i4; break;
    case VT_BOOL: *v.pboolVal = slot.b; break;
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
  *pctinfo = 1;
  return S_OK;
}

HRESULT TSatellites::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
  if (!ppTInfo) return E_POINTER;
  *ppTInfo = nullptr;
  if (iTInfo != 0) return DISP_E_BADINDEX;
  return GetSatellitesTypeInfo(ppTInfo);
}

// Names resolve through the type information, so they can never differ from what it shows.
HRESULT TSatellites::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
  if (!(riid == GUID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!rgszNames || !rgDispId) return E_POINTER;
  ITypeInfo* info = nullptr;
  HRESULT hr = GetSatellitesTypeInfo(&info);
  if (FAILED(hr)) return hr;
  hr = DispGetIDsOfNames(info, rgszNames, cNames, rgDispId);
  info->Release();
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
    const VcomFuncData* member = nullptr;
    const VcomFuncData* members = SatellitesMembers();
    for (UINT i = 0; i < SatellitesMemberCount(); ++i) {
      const VcomFuncData& m = members[i];
      if (m.memid != dispIdMember) continue;
      const bool put = (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
      if (put ? m.invkind == kPut : (m.invkind != kPut && (wFlags & m.invkind))) member = &m;
    }
    if (!member) return DISP_E_MEMBERNOTFOUND;

    // Arguments by parameter position; rgvarg holds them in reverse order, named ones first.
    const size_t count = member->paramCount;
    std::vector<int> source(count, -1);  // index into rgvarg
    const UINT cArgs = params->cArgs, cNamed = params->cNamedArgs;
    if (member->invkind == kPut) {
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
    if (count > args.size()) return E_UNEXPECTED;
    for (size_t p = 0; p < count; ++p) {
      const VcomParamData& param = member->params[p];
      const bool out = (param.flags & PARAMFLAG_FOUT) != 0;
      const VARIANT& v = params->rgvarg[source[p]];
      HRESULT hr;
      if (out)
        hr = IsOutReference(v, param.vt) ? LoadOut(args[p], param.vt, v) : DISP_E_TYPEMISMATCH;
      else
        hr = Load(args[p], param.vt, v);
      if (FAILED(hr)) {
        if (puArgErr) *puArgErr = static_cast<UINT>(source[p]);
        return hr;
      }
    }

    // The call itself, through the virtual table.
    Slot result;
    result.type = member->result;
    HRESULT hr = E_UNEXPECTED;
    const DISPID id = member->memid;
    const bool get = member->invkind == kGet;
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
      if (member->params[p].flags & PARAMFLAG_FOUT) Store(args[p], params->rgvarg[source[p]]);

    if (FAILED(hr)) {
      FillException(hr, pExcepInfo);
      return DISP_E_EXCEPTION;
    }
    if (pVarResult) {
      VariantInit(pVarResult);
      if (result.type != VT_VOID) {
        pVarResult->vt = result.type;
        switch (result.type) {
          case VT_BSTR:
            pVarResult->bstrVal = result.bstr;
            result.bstr = nullptr;  // handed to the caller
            break;
          case VT_R8: pVarResult->dblVal = result.r8; break;
          case VT_I4: pVarResult->lVal = result.i4; break;
          case VT_BOOL: pVarResult->boolVal = result.b; break;
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

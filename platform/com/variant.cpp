// Automation values: initialise, clear, copy and convert.
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "velmarcom.h"

namespace {

constexpr WORD VARIANT_ALPHABOOL = 0x2;

enum class Kind { Empty, Integer, Real, Boolean, Text, Bad };

struct Scalar {
  Kind kind = Kind::Bad;
  int64_t i = 0;
  double d = 0;
  std::string s;
};

// Reads a value through one level of reference.
Scalar ReadScalar(const VARIANT& v) {
  Scalar r;
  bool ref = (v.vt & VT_BYREF) != 0;
  VARTYPE base = static_cast<VARTYPE>(v.vt & ~VT_BYREF);
  if (ref && !v.byref) return r;
  switch (base) {
    case VT_EMPTY:
      if (!ref) r.kind = Kind::Empty;
      break;
    case VT_I2:
      r.kind = Kind::Integer;
      r.i = ref ? *v.piVal : v.iVal;
      break;
    case VT_I4:
      r.kind = Kind::Integer;
      r.i = ref ? *v.plVal : v.lVal;
      break;
    case VT_R4:
      r.kind = Kind::Real;
      r.d = ref ? *v.pfltVal : v.fltVal;
      break;
    case VT_R8:
      r.kind = Kind::Real;
      r.d = ref ? *v.pdblVal : v.dblVal;
      break;
    case VT_DATE:
      r.kind = Kind::Real;
      r.d = ref ? *v.pdate : v.date;
      break;
    case VT_BOOL:
      r.kind = Kind::Boolean;
      r.i = (ref ? *v.pboolVal : v.boolVal) ? -1 : 0;
      break;
    case VT_BSTR: {
      r.kind = Kind::Text;
      BSTR b = ref ? *v.pbstrVal : v.bstrVal;
      r.s = BstrToString(b);
      break;
    }
    case VT_VARIANT:
      if (ref) return ReadScalar(*v.pvarVal);
      break;
    default:
      break;
  }
  return r;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Optional sign, digits with an optional point, optional exponent; blanks around are allowed.
bool ParseNumber(std::string_view s, double& out) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  if (s.empty()) return false;
  bool negative = false;
  if (s.front() == '+' || s.front() == '-') {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  size_t i = 0, digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    size_t k = j;
    while (k < s.size() && s[k] >= '0' && s[k] <= '9') ++k;
    if (k == j) return false;
    i = k;
  }
  if (i != s.size()) return false;
  double v = 0;
  auto res = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return false;
  out = negative ? -v : v;
  return true;
}

HRESULT ToReal(const Scalar& x, double& out) {
  switch (x.kind) {
    case Kind::Empty: out = 0; return S_OK;
    case Kind::Integer:
    case Kind::Boolean: out = static_cast<double>(x.i); return S_OK;
    case Kind::Real: out = x.d; return S_OK;
    case Kind::Text: return ParseNumber(x.s, out) ? S_OK : DISP_E_TYPEMISMATCH;
    default: return DISP_E_BADVARTYPE;
  }
}

HRESULT ToInteger(const Scalar& x, int64_t lo, int64_t hi, int64_t& out) {
  if (x.kind == Kind::Integer || x.kind == Kind::Boolean) {
    if (x.i < lo || x.i > hi) return DISP_E_OVERFLOW;
    out = x.i;
    return S_OK;
  }
  double d = 0;
  HRESULT hr = ToReal(x, d);
  if (FAILED(hr)) return hr;
  if (!std::isfinite(d)) return DISP_E_OVERFLOW;
  double r = std::nearbyint(d);  // halves to even
  if (r < static_cast<double>(lo) || r > static_cast<double>(hi)) return DISP_E_OVERFLOW;
  out = static_cast<int64_t>(r);
  return S_OK;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char p = a[i], q = b[i];
    if (p >= 'A' && p <= 'Z') p = static_cast<char>(p - 'A' + 'a');
    if (q >= 'A' && q <= 'Z') q = static_cast<char>(q - 'A' + 'a');
    if (p != q) return false;
  }
  return true;
}

HRESULT ToBoolean(const Scalar& x, VARIANT_BOOL& out) {
  if (x.kind == Kind::Text) {
    std::string_view s = x.s;
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    if (EqualNoCase(s, "true")) {
      out = VARIANT_TRUE;
      return S_OK;
    }
    if (EqualNoCase(s, "false")) {
      out = VARIANT_FALSE;
      return S_OK;
    }
  }
  if (x.kind == Kind::Integer || x.kind == Kind::Boolean) {
    out = x.i ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  double d = 0;
  HRESULT hr = ToReal(x, d);
  if (FAILED(hr)) return hr;
  if (std::isnan(d)) return DISP_E_TYPEMISMATCH;
  out = d != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

std::string FormatReal(double d) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d > 0 ? "INF" : "-INF";
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, d);
  return std::string(buf, res.ptr);
}

HRESULT ToText(const Scalar& x, WORD flags, std::string& out) {
  switch (x.kind) {
    case Kind::Empty: out.clear(); return S_OK;
    case Kind::Integer: out = std::to_string(x.i); return S_OK;
    case Kind::Boolean:
      if (flags & VARIANT_ALPHABOOL)
        out = x.i ? "True" : "False";
      else
        out = x.i ? "-1" : "0";
      return S_OK;
    case Kind::Real: out = FormatReal(x.d); return S_OK;
    case Kind::Text: out = x.s; return S_OK;
    default: return DISP_E_BADVARTYPE;
  }
}

}  // namespace

VELMARCOM_API void VariantInit(VARIANT* v) {
  if (!v) return;
  std::memset(v, 0, sizeof *v);
  v->vt = VT_EMPTY;
}

VELMARCOM_API HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_POINTER;
  if (!(v->vt & VT_BYREF)) {
    switch (v->vt) {
      case VT_BSTR: SysFreeString(v->bstrVal); break;
      case VT_UNKNOWN:
        if (v->punkVal) v->punkVal->Release();
        break;
      case VT_DISPATCH:
        if (v->pdispVal) v->pdispVal->Release();
        break;
      default: break;
    }
  }
  VariantInit(v);
  return S_OK;
}

VELMARCOM_API HRESULT VariantCopy(VARIANT* dest, const VARIANT* src) {
  if (!dest || !src) return E_POINTER;
  if (dest == src) return S_OK;
  VARIANT copy = *src;
  if (!(src->vt & VT_BYREF)) {
    if (src->vt == VT_BSTR && src->bstrVal) {
      copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
      if (!copy.bstrVal) return E_OUTOFMEMORY;
    } else if ((src->vt == VT_UNKNOWN || src->vt == VT_DISPATCH) && src->punkVal) {
      src->punkVal->AddRef();
    }
  }
  VariantClear(dest);
  *dest = copy;
  return S_OK;
}

VELMARCOM_API HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, WORD flags, VARTYPE vt) {
  if (!dest || !src) return E_POINTER;
  try {
    Scalar x = ReadScalar(*src);
    if (x.kind == Kind::Bad) return DISP_E_BADVARTYPE;
    VARIANT r;
    VariantInit(&r);
    r.vt = vt;
    HRESULT hr = S_OK;
    switch (vt) {
      case VT_EMPTY:
        if (x.kind != Kind::Empty) hr = DISP_E_TYPEMISMATCH;
        break;
      case VT_I2: {
        int64_t i = 0;
        hr = ToInteger(x, INT16_MIN, INT16_MAX, i);
        r.iVal = static_cast<int16_t>(i);
        break;
      }
      case VT_I4: {
        int64_t i = 0;
        hr = ToInteger(x, INT32_MIN, INT32_MAX, i);
        r.lVal = static_cast<int32_t>(i);
        break;
      }
      case VT_R4: {
        double d = 0;
        hr = ToReal(x, d);
        if (SUCCEEDED(hr) && std::isfinite(d) && std::fabs(d) > 3.4028234663852886e38) hr = DISP_E_OVERFLOW;
        r.fltVal = static_cast<float>(d);
        break;
      }
      case VT_R8: hr = ToReal(x, r.dblVal); break;
      case VT_DATE: hr = ToReal(x, r.date); break;
      case VT_BOOL: hr = ToBoolean(x, r.boolVal); break;
      case VT_BSTR: {
        std::string s;
        hr = ToText(x, flags, s);
        if (SUCCEEDED(hr)) {
          r.bstrVal = StringToBstr(s);
          if (!r.bstrVal) hr = E_OUTOFMEMORY;
        }
        break;
      }
      default: hr = DISP_E_BADVARTYPE; break;
    }
    if (FAILED(hr)) return hr;
    VariantClear(dest);  // also when dest is src: the source was read completely above
    *dest = r;
    return S_OK;
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

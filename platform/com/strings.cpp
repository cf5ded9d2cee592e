// GUID texts and automation strings.
#include <cstdlib>
#include <cstring>

#include "velmarcom.h"

namespace {
// A BSTR points just past a 32-bit byte count; the bytes are followed by a NUL.
constexpr size_t kPrefix = sizeof(uint32_t);

BSTR Allocate(const OLECHAR* text, UINT length) {
  auto* base = static_cast<char*>(std::malloc(kPrefix + static_cast<size_t>(length) + 1));
  if (!base) return nullptr;
  std::memcpy(base, &length, kPrefix);
  char* s = base + kPrefix;
  if (text)
    std::memcpy(s, text, length);
  else
    std::memset(s, 0, length);
  s[length] = '\0';
  return s;
}
}  // namespace

VELMARCOM_API void VcomGuidToText(const GUID* guid, char* buffer) {
  static const char* hex = "0123456789ABCDEF";
  if (!buffer) return;
  GUID g = guid ? *guid : GUID{};
  char* p = buffer;
  auto put = [&](uint64_t v, int digits) {
    for (int i = digits - 1; i >= 0; --i) *p++ = hex[(v >> (4 * i)) & 15];
  };
  *p++ = '{';
  put(g.Data1, 8);
  *p++ = '-';
  put(g.Data2, 4);
  *p++ = '-';
  put(g.Data3, 4);
  *p++ = '-';
  put(g.Data4[0], 2);
  put(g.Data4[1], 2);
  *p++ = '-';
  for (int i = 2; i < 8; ++i) put(g.Data4[i], 2);
  *p++ = '}';
  *p = '\0';
}

VELMARCOM_API HRESULT VcomGuidFromText(const char* text, GUID* guid) {
  if (!text || !guid) return E_POINTER;
  GUID g{};
  if (!velmarcom_detail::ParseGuid(text, g)) return CO_E_CLASSSTRING;
  *guid = g;
  return S_OK;
}

VELMARCOM_API BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  size_t n = std::strlen(text);
  if (n > 0x7FFFFFF0u) return nullptr;
  return Allocate(text, static_cast<UINT>(n));
}

VELMARCOM_API BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  if (length > 0x7FFFFFF0u) return nullptr;
  return Allocate(text, length);
}

VELMARCOM_API void SysFreeString(BSTR s) {
  if (s) std::free(s - kPrefix);
}

VELMARCOM_API UINT SysStringLen(BSTR s) {
  if (!s) return 0;
  uint32_t n;
  std::memcpy(&n, s - kPrefix, kPrefix);
  return n;
}

VELMARCOM_API BOOL SysReAllocString(BSTR* s, const OLECHAR* text) {
  if (!s) return 0;
  BSTR fresh = SysAllocString(text);
  if (text && !fresh) return 0;
  SysFreeString(*s);
  *s = fresh;
  return 1;
}

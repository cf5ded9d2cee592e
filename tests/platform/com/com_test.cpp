// The component-object runtime: GUID texts, automation strings and values, per-thread error
// information, apartments, creation failures and the message hook.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "lockholder.h"
#include "velmar_registry.h"
#include "velmarcom.h"

namespace {

constexpr GUID kSomeClass = MakeGuid("{0123ABCD-4567-89ef-FEDC-BA9876543210}");

VARIANT MakeText(const char* s) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(s);
  return v;
}

}  // namespace

TEST(Guid, TextFormRoundTrips) {
  EXPECT_EQ(GuidToString(kSomeClass), "{0123ABCD-4567-89EF-FEDC-BA9876543210}");
  EXPECT_EQ(kSomeClass.Data1, 0x0123ABCDu);
  EXPECT_EQ(kSomeClass.Data4[0], 0xFE);
  EXPECT_EQ(kSomeClass.Data4[7], 0x10);
  GUID g{};
  ASSERT_EQ(VcomGuidFromText("{0123abcd-4567-89EF-fedc-ba9876543210}", &g), S_OK);
  EXPECT_EQ(g, kSomeClass);
  EXPECT_EQ(GuidToString(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
  EXPECT_EQ(GuidToString(IID_IDispatch), "{00020400-0000-0000-C000-000000000046}");
}

TEST(Guid, MalformedTextsAreRefused) {
  const char* bad[] = {
      "",
      "0123ABCD-4567-89EF-FEDC-BA9876543210",     // no braces
      "{0123ABCD-4567-89EF-FEDC-BA987654321}",    // short
      "{0123ABCD-4567-89EF-FEDC-BA98765432100}",  // long
      "{0123ABCD_4567-89EF-FEDC-BA9876543210}",   // wrong separator
      "{0123ABCG-4567-89EF-FEDC-BA9876543210}",   // not hex
      "{0123ABCD-4567-89EF-FEDCBA9876543210-}",
      "{+123ABCD-4567-89EF-FEDC-BA9876543210}",
  };
  for (const char* text : bad) {
    GUID g = kSomeClass;
    EXPECT_EQ(VcomGuidFromText(text, &g), CO_E_CLASSSTRING) << text;
    EXPECT_EQ(g, kSomeClass) << text;  // untouched
  }
  EXPECT_EQ(VcomGuidFromText(nullptr, nullptr), E_POINTER);
}

TEST(AutomationString, LengthAndEmbeddedNul) {
  BSTR s = SysAllocString("abc");
  EXPECT_EQ(SysStringLen(s), 3u);
  EXPECT_STREQ(s, "abc");
  SysFreeString(s);
  const char bytes[] = {'a', '\0', 'b', '\xB0'};
  BSTR t = SysAllocStringLen(bytes, 4);
  EXPECT_EQ(SysStringLen(t), 4u);
  EXPECT_EQ(BstrToString(t), std::string(bytes, 4));
  EXPECT_EQ(t[4], '\0');
  SysFreeString(t);
  BSTR z = SysAllocStringLen(nullptr, 3);
  EXPECT_EQ(SysStringLen(z), 3u);
  EXPECT_EQ(std::memcmp(z, "\0\0\0", 4), 0);
  SysFreeString(z);
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  EXPECT_EQ(BstrToString(nullptr), "");
}

TEST(AutomationString, ReallocationAndScopedOwner) {
  BSTR s = SysAllocString("first");
  ASSERT_EQ(SysReAllocString(&s, s + 1), 1);  // from its own bytes
  EXPECT_EQ(BstrToString(s), "irst");
  SysFreeString(s);
  Bstr a("text");
  Bstr b(std::move(a));
  EXPECT_EQ(a.get(), nullptr);
  EXPECT_EQ(b.str(), "text");
  *b.out() = SysAllocString("replaced");
  EXPECT_EQ(b.str(), "replaced");
  BSTR raw = b.release();
  EXPECT_EQ(b.get(), nullptr);
  SysFreeString(raw);
}

TEST(Variant, ConversionsUsePointAndRoundHalvesToEven) {
  struct Case {
    VARIANT in;
    VARTYPE to;
    HRESULT hr;
    double number;     // for numeric results
    const char* text;  // for text results
  };
  auto r8 = [](double d) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = d;
    return v;
  };
  auto i4 = [](int32_t i) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = i;
    return v;
  };
  auto boolean = [](VARIANT_BOOL b) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = b;
    return v;
  };
  Case cases[] = {
      {MakeText("1.5"), VT_R8, S_OK, 1.5, nullptr},
      {MakeText(" -2.5e1 "), VT_R8, S_OK, -25, nullptr},
      {MakeText("+7"), VT_R8, S_OK, 7, nullptr},
      {MakeText(".5"), VT_R8, S_OK, 0.5, nullptr},
      {MakeText("1,5"), VT_R8, DISP_E_TYPEMISMATCH, 0, nullptr},
      {MakeText("nan"), VT_R8, DISP_E_TYPEMISMATCH, 0, nullptr},
      {MakeText("inf"), VT_R8, DISP_E_TYPEMISMATCH, 0, nullptr},
      {MakeText("0x10"), VT_R8, DISP_E_TYPEMISMATCH, 0, nullptr},
      {MakeText(""), VT_R8, DISP_E_TYPEMISMATCH, 0, nullptr},
      {MakeText("1e"), VT_R8, DISP_E_TYPEMISMATCH, 0, nullptr},
      {r8(2.5), VT_I4, S_OK, 2, nullptr},
      {r8(3.5), VT_I4, S_OK, 4, nullptr},
      {r8(-2.5), VT_I4, S_OK, -2, nullptr},
      {r8(3e9), VT_I4, DISP_E_OVERFLOW, 0, nullptr},
      {r8(std::nan("")), VT_I4, DISP_E_OVERFLOW, 0, nullptr},
      {r8(INFINITY), VT_I2, DISP_E_OVERFLOW, 0, nullptr},
      {i4(40000), VT_I2, DISP_E_OVERFLOW, 0, nullptr},
      {MakeText("12.5"), VT_I4, S_OK, 12, nullptr},
      {i4(0), VT_BOOL, S_OK, 0, nullptr},
      {i4(5), VT_BOOL, S_OK, -1, nullptr},
      {MakeText("TRUE"), VT_BOOL, S_OK, -1, nullptr},
      {MakeText("false"), VT_BOOL, S_OK, 0, nullptr},
      {MakeText("maybe"), VT_BOOL, DISP_E_TYPEMISMATCH, 0, nullptr},
      {boolean(VARIANT_TRUE), VT_R8, S_OK, -1, nullptr},
      {r8(0.1), VT_BSTR, S_OK, 0, "0.1"},
      {r8(-1e300), VT_BSTR, S_OK, 0, "-1e+300"},
      {i4(-42), VT_BSTR, S_OK, 0, "-42"},
      {boolean(VARIANT_TRUE), VT_BSTR, S_OK, 0, "-1"},
      {r8(1), VT_DISPATCH, DISP_E_BADVARTYPE, 0, nullptr},
  };
  for (Case& c : cases) {
    VARIANT out;
    VariantInit(&out);
    HRESULT hr = VariantChangeType(&out, &c.in, 0, c.to);
    EXPECT_EQ(hr, c.hr) << "case " << (&c - cases);
    if (SUCCEEDED(hr)) {
      EXPECT_EQ(out.vt, c.to);
      if (c.text) {
        EXPECT_EQ(BstrToString(out.bstrVal), c.text);
      } else {
        VARIANT asR8;
        VariantInit(&asR8);
        ASSERT_EQ(VariantChangeType(&asR8, &out, 0, VT_R8), S_OK);
        EXPECT_EQ(asR8.dblVal, c.number) << "case " << (&c - cases);
      }
    }
    VariantClear(&out);
    VariantClear(&c.in);
  }
}

TEST(Variant, NumbersIgnoreTheLocale) {
  // A comma-decimal locale must not change the conversions (skipped when none is installed).
  const char* old = setlocale(LC_ALL, nullptr);
  std::string saved = old ? old : "C";
  if (!setlocale(LC_ALL, "de_DE.UTF-8") && !setlocale(LC_ALL, "fr_FR.UTF-8")) GTEST_SKIP() << "no such locale";
  VARIANT in = MakeText("2.25"), out;
  VariantInit(&out);
  EXPECT_EQ(VariantChangeType(&out, &in, 0, VT_R8), S_OK);
  EXPECT_EQ(out.dblVal, 2.25);
  VariantClear(&in);
  in.vt = VT_R8;
  in.dblVal = 0.75;
  ASSERT_EQ(VariantChangeType(&out, &in, 0, VT_BSTR), S_OK);
  EXPECT_EQ(BstrToString(out.bstrVal), "0.75");
  VariantClear(&out);
  setlocale(LC_ALL, saved.c_str());
}

TEST(Variant, CopyClearAndReferences) {
  VARIANT a = MakeText("hello"), b;
  VariantInit(&b);
  ASSERT_EQ(VariantCopy(&b, &a), S_OK);
  EXPECT_NE(a.bstrVal, b.bstrVal);
  EXPECT_EQ(BstrToString(b.bstrVal), "hello");
  VariantClear(&a);
  EXPECT_EQ(a.vt, VT_EMPTY);
  // In-place conversion frees the old text.
  ASSERT_EQ(VariantChangeType(&b, &b, 0, VT_BSTR), S_OK);
  EXPECT_EQ(BstrToString(b.bstrVal), "hello");
  VariantClear(&b);
  double target = 4.5;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_R8;
  ref.pdblVal = &target;
  VARIANT out;
  VariantInit(&out);
  ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_I4), S_OK);
  EXPECT_EQ(out.lVal, 4);
  ref.pdblVal = nullptr;
  EXPECT_EQ(VariantChangeType(&out, &ref, 0, VT_I4), DISP_E_BADVARTYPE);
  VariantClear(&ref);  // a reference owns nothing
  EXPECT_EQ(target, 4.5);
}

TEST(ErrorInfo, PerThreadAndTakenOnce) {
  ASSERT_EQ(VcomSetErrorInfo(&IID_IDispatch, "Source.Name", "Something failed", nullptr, 7), S_OK);
  std::thread other([] {
    IErrorInfo* info = reinterpret_cast<IErrorInfo*>(1);
    EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE);  // another thread's slot is empty
    EXPECT_EQ(info, nullptr);
    VcomSetErrorInfo(nullptr, "x", "other thread", nullptr, 0);  // released when the thread ends
  });
  other.join();
  IErrorInfo* info = nullptr;
  ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
  Bstr source, description, help;
  GUID g{};
  DWORD context = 0;
  ASSERT_EQ(info->GetSource(source.out()), S_OK);
  ASSERT_EQ(info->GetDescription(description.out()), S_OK);
  ASSERT_EQ(info->GetHelpFile(help.out()), S_OK);
  ASSERT_EQ(info->GetGUID(&g), S_OK);
  ASSERT_EQ(info->GetHelpContext(&context), S_OK);
  EXPECT_EQ(source.str(), "Source.Name");
  EXPECT_EQ(description.str(), "Something failed");
  EXPECT_EQ(help.str(), "");
  EXPECT_EQ(g, IID_IDispatch);
  EXPECT_EQ(context, 7u);
  ICreateErrorInfo* create = nullptr;
  EXPECT_EQ(info->QueryInterface(IID_ICreateErrorInfo, reinterpret_cast<void**>(&create)), S_OK);
  create->Release();
  info->Release();
  EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE);  // taken
  // Setting null clears the slot.
  VcomSetErrorInfo(nullptr, "a", "b", nullptr, 0);
  SetErrorInfo(0, nullptr);
  EXPECT_EQ(GetErrorInfo(0, &info), S_FALSE);
}

TEST(Apartment, InitialisationIsCountedPerThread) {
  std::thread t([] {
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);  // free again
    CoUninitialize();
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(kSomeClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p), CO_E_NOTINITIALIZED);
    EXPECT_EQ(p, nullptr);
  });
  t.join();
}

class CreationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/velmar-com-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ::setenv("VELMAR_REGISTRY", (dir_ + "/registry").c_str(), 1);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  void TearDown() override {
    CoUninitialize();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  static void Register(const std::string& path) {
    ASSERT_EQ(velmar::registry::SetValue("CLSID\\" + GuidToString(kSomeClass) + "\\InprocServer32", "", path),
              velmar::registry::Status::Ok);
  }
  static HRESULT Create() {
    void* p = reinterpret_cast<void*>(1);
    HRESULT hr = CoCreateInstance(kSomeClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &p);
    EXPECT_EQ(p, nullptr);
    return hr;
  }
  std::string dir_;
};

TEST_F(CreationTest, FailuresHaveTheirOwnCodes) {
  EXPECT_EQ(Create(), REGDB_E_CLASSNOTREG);
  Register(dir_ + "/missing.so");
  EXPECT_EQ(Create(), CO_E_DLLNOTFOUND);
  const char* bin = std::getenv("VELMAR_BIN");
  if (bin && *bin) {  // a library without DllGetClassObject
    Register(std::string(bin) + "/libvelmarcom.so");
    EXPECT_EQ(Create(), CO_E_ERRORINDLL);
  }
  Register("");
  EXPECT_EQ(Create(), REGDB_E_CLASSNOTREG);
  {
    std::ofstream(dir_ + "/registry") << "damaged";
  }
  EXPECT_EQ(Create(), REGDB_E_READREGDB);
  EXPECT_EQ(CoCreateInstance(kSomeClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(CreationTest, ProgramIdentifiers) {
  CLSID c{};
  EXPECT_EQ(CLSIDFromProgID("Some.Thing", &c), REGDB_E_CLASSNOTREG);
  ASSERT_EQ(velmar::registry::SetValue("Some.Thing\\Clsid", "", GuidToString(kSomeClass)),
            velmar::registry::Status::Ok);
  ASSERT_EQ(CLSIDFromProgID("some.thing", &c), S_OK);
  EXPECT_EQ(c, kSomeClass);
  ASSERT_EQ(velmar::registry::SetValue("Bad.Thing\\Clsid", "", "{not a guid}"), velmar::registry::Status::Ok);
  EXPECT_EQ(CLSIDFromProgID("Bad.Thing", &c), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID("", &c), REGDB_E_CLASSNOTREG);
}

namespace {
struct Captured {
  std::string text, caption;
  UINT type = 0;
  int calls = 0;
};
int CaptureHook(const char* text, const char* caption, UINT type, void* user) {
  auto* c = static_cast<Captured*>(user);
  c->text = text;
  c->caption = caption;
  c->type = type;
  ++c->calls;
  return 42;
}
}  // namespace

TEST(MessageBox, HookOrStandardError) {
  Captured captured;
  EXPECT_EQ(VcomSetMessageBoxHook(CaptureHook, &captured), nullptr);
  EXPECT_EQ(VcomMessageBox("Cannot open file.", "DAX Error", MB_OK | MB_ICONSTOP), 42);
  EXPECT_EQ(captured.calls, 1);
  EXPECT_EQ(captured.text, "Cannot open file.");
  EXPECT_EQ(captured.caption, "DAX Error");
  EXPECT_EQ(captured.type, MB_OK | MB_ICONSTOP);
  EXPECT_EQ(VcomSetMessageBoxHook(nullptr, nullptr), &CaptureHook);
  testing::internal::CaptureStderr();
  EXPECT_EQ(VcomMessageBox("text", "caption", MB_OK), IDOK);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "caption: text\n");
  EXPECT_EQ(captured.calls, 1);
}

// ---- type libraries built from a description -------------------------------------------

namespace {

constexpr GUID kLibId = MakeGuid("{11111111-2222-3333-4444-555555555555}");
constexpr GUID kOtherLibId = MakeGuid("{11111111-2222-3333-4444-666666666666}");
constexpr IID kIface = MakeGuid("{11111111-2222-3333-4444-777777777777}");
constexpr VcomParamData kArgs[] = {{"Left", VT_R8, PARAMFLAG_FIN}, {"Right", VT_R8, PARAMFLAG_FOUT}};
constexpr VcomFuncData kFuncs[] = {{"Combine", 1, INVOKE_FUNC, kArgs, 2, VT_R8, "Combines"}};
constexpr UINT kDefault[] = {0};

struct Description {
  VcomTypeData types[2] = {
      {TKIND_DISPATCH, "IThing", kIface, 1, 0, TYPEFLAG_FDUAL, "", kFuncs, 1, nullptr, 0},
      {TKIND_COCLASS, "Thing", kSomeClass, 1, 0, TYPEFLAG_FCANCREATE, "", nullptr, 0, kDefault, 1},
  };
  VcomTypeLibData lib = {"ThingLib", kLibId, 0, 1, 0, 0, "Things", types, 2};
};

ITypeLib* Build(const VcomTypeLibData& data) {
  ITypeLib* lib = nullptr;
  EXPECT_EQ(VcomCreateTypeLib(&data, &lib), S_OK);
  return lib;
}

std::string RegisteredPath(WORD major, WORD minor, LCID lcid) {
  Bstr path;
  return SUCCEEDED(QueryPathOfRegTypeLib(kLibId, major, minor, lcid, path.out())) ? path.str() : "<none>";
}

}  // namespace

const VcomParamData* ManyParams() {
  static VcomParamData many[kVcomMaxParams + 1];
  for (auto& p : many) p = {"P", VT_I4, PARAMFLAG_FIN};
  return many;
}
const VcomFuncData kTooMany[] = {{"F", 1, INVOKE_FUNC, ManyParams(), kVcomMaxParams + 1, VT_VOID, nullptr}};
const VcomFuncData kUnnamed[] = {{nullptr, 1, INVOKE_FUNC, nullptr, 0, VT_VOID, nullptr}};
constexpr UINT kMissing[] = {5};
constexpr UINT kSelf[] = {1};

TEST(TypeLibrary, InconsistentDescriptionsAreRefused) {
  const struct {
    const char* what;
    void (*change)(Description&);
  } cases[] = {
      {"coclass naming a missing type", [](Description& d) { d.types[1].implTypes = kMissing; }},
      {"coclass naming a coclass", [](Description& d) { d.types[1].implTypes = kSelf; }},
      {"too many parameters", [](Description& d) { d.types[0].funcs = kTooMany; }},
      {"unnamed member", [](Description& d) { d.types[0].funcs = kUnnamed; }},
      {"a kind not served", [](Description& d) { d.types[0].kind = TKIND_MODULE; }},
      {"unnamed library", [](Description& d) { d.lib.name = nullptr; }},
  };
  for (const auto& c : cases) {
    Description d;
    c.change(d);
    ITypeLib* lib = reinterpret_cast<ITypeLib*>(1);
    EXPECT_EQ(VcomCreateTypeLib(&d.lib, &lib), E_INVALIDARG) << c.what;
    EXPECT_EQ(lib, nullptr) << c.what;
  }
  EXPECT_EQ(VcomCreateTypeLib(nullptr, nullptr), E_POINTER);
  ITypeLib* lib = reinterpret_cast<ITypeLib*>(1);
  EXPECT_EQ(VcomCreateTypeLib(nullptr, &lib), E_POINTER);
  EXPECT_EQ(lib, nullptr);
}

TEST(TypeLibrary, NamesAreFoundWithoutRegardToCase) {
  Description d;
  ITypeLib* lib = Build(d.lib);
  ASSERT_NE(lib, nullptr);
  const struct {
    const char* name;
    BOOL found;
    const char* spelling;
  } cases[] = {{"ithing", 1, "IThing"}, {"COMBINE", 1, "Combine"}, {"right", 1, "Right"}, {"Nothing", 0, "Nothing"}};
  for (const auto& c : cases) {
    std::string buffer = c.name;
    BOOL found = 7;
    ASSERT_EQ(lib->IsName(buffer.data(), 0, &found), S_OK);
    EXPECT_EQ(found, c.found) << c.name;
    EXPECT_EQ(buffer, c.spelling);
  }
  // FindName gives types and members (not parameters), up to the room given.
  std::string buffer = "combine";
  ITypeInfo* infos[2] = {};
  MEMBERID ids[2] = {};
  USHORT count = 2;
  ASSERT_EQ(lib->FindName(buffer.data(), 0, infos, ids, &count), S_OK);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(ids[0], 1);
  EXPECT_EQ(buffer, "Combine");
  infos[0]->Release();
  buffer = "thing";
  count = 0;
  ASSERT_EQ(lib->FindName(buffer.data(), 0, infos, ids, &count), S_OK);
  EXPECT_EQ(count, 0);
  buffer = "right";
  count = 2;
  ASSERT_EQ(lib->FindName(buffer.data(), 0, infos, ids, &count), S_OK);
  EXPECT_EQ(count, 0);
  // Type information shares its library's lifetime.
  ITypeInfo* info = nullptr;
  ASSERT_EQ(lib->GetTypeInfo(0, &info), S_OK);
  lib->Release();
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, kIface);
  info->ReleaseTypeAttr(attr);
  info->Release();
}

TEST_F(CreationTest, TypeLibraryRegistrationPerVersionAndLocale) {
  namespace reg = velmar::registry;
  // An interface of another library must survive this library's unregistration.
  const std::string foreign = "Interface\\{11111111-2222-3333-4444-888888888888}";
  ASSERT_EQ(reg::SetValue(foreign + "\\TypeLib", "", GuidToString(kOtherLibId)), reg::Status::Ok);
  ASSERT_EQ(reg::SetValue(foreign + "\\TypeLib", "Version", "1.0"), reg::Status::Ok);

  Description neutral, english, newer;
  english.lib.lcid = 0x409;
  newer.lib.minorVersion = 0xa;  // written as "1.a"
  for (auto* d : {&neutral, &english, &newer}) {
    ITypeLib* lib = Build(d->lib);
    ASSERT_NE(lib, nullptr);
    const std::string path = "/libs/" + std::to_string(d->lib.lcid) + "-" + std::to_string(d->lib.minorVersion);
    EXPECT_EQ(RegisterTypeLib(lib, path.c_str(), "/libs"), S_OK);
    lib->Release();
  }
  std::string value;
  ASSERT_EQ(reg::GetValue("TypeLib\\" + GuidToString(kLibId) + "\\1.a", "", value), reg::Status::Ok);
  EXPECT_EQ(value, "Things");
  ASSERT_EQ(reg::GetValue("Interface\\" + GuidToString(kIface) + "\\TypeLib", "Version", value), reg::Status::Ok);
  EXPECT_EQ(value, "1.a");

  const struct {
    WORD minor;
    LCID lcid;
    const char* path;
  } lookups[] = {
      {0, 0, "/libs/0-10"},  // the highest minor version not below the one asked for
      {0xa, 0x407, "/libs/0-10"},  // no German: the neutral locale
      {0xb, 0, "<none>"},
  };
  for (const auto& l : lookups) EXPECT_EQ(RegisteredPath(1, l.minor, l.lcid), l.path) << l.minor << " " << l.lcid;

  // Unregistering 1.a removes the interface that version registered, and that version alone.
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 0xa, 0, SYS_WIN64), S_OK);
  EXPECT_EQ(reg::KeyExists("Interface\\" + GuidToString(kIface)), reg::Status::NotFound);
  EXPECT_EQ(reg::KeyExists(foreign), reg::Status::Ok);
  EXPECT_EQ(RegisteredPath(1, 0, 0x409), "/libs/1033-0");
  EXPECT_EQ(RegisteredPath(1, 0, 0), "/libs/0-0");
  // One of two locales: the version stays for the other.
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 0, 0, SYS_WIN64), S_OK);
  EXPECT_EQ(RegisteredPath(1, 0, 0), "<none>");
  EXPECT_EQ(RegisteredPath(1, 0, 0x409), "/libs/1033-0");
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 0, 0x409, SYS_WIN64), S_OK);
  EXPECT_EQ(reg::KeyExists("TypeLib\\" + GuidToString(kLibId)), reg::Status::NotFound);
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 0, 0x409, SYS_WIN64), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 0, 0x409, SYS_WIN32), E_INVALIDARG);
  ITypeLib* lib = reinterpret_cast<ITypeLib*>(1);
  EXPECT_EQ(LoadRegTypeLib(kLibId, 1, 0, 0x409, &lib), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(lib, nullptr);
}

TEST_F(CreationTest, TypeLibraryRegistrationReportsAnUnwritableRegistry) {
  std::filesystem::create_directories(dir_ + "/blocked");  // a folder where the file should be
  ::setenv("VELMAR_REGISTRY", (dir_ + "/blocked").c_str(), 1);
  Description d;
  ITypeLib* lib = Build(d.lib);
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(RegisterTypeLib(lib, "/libs/x", nullptr), TYPE_E_REGISTRYACCESS);
  EXPECT_EQ(RegisterTypeLib(nullptr, "/libs/x", nullptr), E_INVALIDARG);
  lib->Release();
  EXPECT_EQ(UnRegisterTypeLib(kLibId, 1, 0, 0, SYS_WIN64), TYPE_E_REGISTRYACCESS);
  Bstr path;
  EXPECT_EQ(QueryPathOfRegTypeLib(kLibId, 1, 0, 0, path.out()), TYPE_E_REGISTRYACCESS);
}

// Neither a held registry lock nor a pipe named as the library makes creation or the type-library
// loader wait without end: they fail, the held lock with error information naming the lock file.
TEST_F(CreationTest, AHeldLockOrAPipeFailsInsteadOfWaiting) {
  const std::string pipe = dir_ + "/pipe.so";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  Register(pipe);
  EXPECT_EQ(Create(), CO_E_DLLNOTFOUND);
  ITypeLib* lib = nullptr;
  EXPECT_EQ(LoadTypeLib(pipe.c_str(), &lib), TYPE_E_CANTLOADLIBRARY);
  ASSERT_EQ(velmar::registry::SetValue("TypeLib\\" + GuidToString(kLibId) + "\\1.0\\0\\linux", "", pipe),
            velmar::registry::Status::Ok);
  EXPECT_EQ(LoadRegTypeLib(kLibId, 1, 0, 0, &lib), TYPE_E_CANTLOADLIBRARY);

  TLockHolder holder(dir_ + "/registry.lock");
  ASSERT_TRUE(holder.Held());
  auto errorText = [] {
    IErrorInfo* info = nullptr;
    std::string text;
    if (GetErrorInfo(0, &info) == S_OK && info) {
      Bstr d;
      info->GetDescription(d.out());
      text = d.str();
      info->Release();
    }
    return text;
  };
  EXPECT_EQ(Create(), REGDB_E_READREGDB);
  EXPECT_NE(errorText().find(dir_ + "/registry.lock"), std::string::npos);
  EXPECT_EQ(LoadRegTypeLib(kLibId, 1, 0, 0, &lib), TYPE_E_REGISTRYACCESS);
  EXPECT_NE(errorText().find(dir_ + "/registry.lock"), std::string::npos);
  EXPECT_EQ(lib, nullptr);
}

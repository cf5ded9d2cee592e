// The type library of MarnSatLib end to end: registered by the registration tool in a temporary
// registry file, loaded through the registered-library loader without creating the object,
// and read back against the published member table of ISatellites.
#include <cctype>
#include <set>

#include "server_fixture.h"
#include "velmar_registry.h"

using namespace servertest;
namespace reg = velmar::registry;

namespace {

// The members of ISatellites as the interface's documentation lists them (virtual-table
// order), written out here by hand so that the library is checked against an independent copy.
struct Row {
  DISPID dispid;
  const char* name;
  INVOKEKIND kind;
  std::vector<std::string> params;  // names; "" for the unnamed value of a put
  std::vector<VARTYPE> types;       // VT_PTR | base marks an [out] parameter
  VARTYPE result;
  const char* help;  // "" for none
};

constexpr VARTYPE Out(VARTYPE vt) { return static_cast<VARTYPE>(0x8000 | vt); }  // marker only

const char* const kPath =
    "The folder where two-line Kepler data is stored, setting causes the satellite list to be created from that data";
const char* const kAos = "Determine next AOS for satellite, -1 if > 2days away";

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      {1, "VersionString", INVOKE_PROPERTYGET, {}, {}, VT_BSTR, "Returns the library version information"},
      {2, "KeplerPath", INVOKE_PROPERTYGET, {}, {}, VT_BSTR, kPath},
      {2, "KeplerPath", INVOKE_PROPERTYPUT, {""}, {VT_BSTR}, VT_VOID, kPath},
      {3, "SatCount", INVOKE_PROPERTYGET, {}, {}, VT_I4, ""},
      {4, "SatNames", INVOKE_PROPERTYGET, {}, {}, VT_BSTR, "Comma-separated list of satellite names"},
      {5, "ObsLat", INVOKE_PROPERTYGET, {}, {}, VT_R8, "Observer latitude in degrees"},
      {5, "ObsLat", INVOKE_PROPERTYPUT, {""}, {VT_R8}, VT_VOID, "Observer latitude in degrees"},
      {6, "ObsLon", INVOKE_PROPERTYGET, {}, {}, VT_R8, "Observer longitude in degrees"},
      {6, "ObsLon", INVOKE_PROPERTYPUT, {""}, {VT_R8}, VT_VOID, "Observer longitude in degrees"},
      {7, "ObsHeight", INVOKE_PROPERTYGET, {}, {}, VT_R8, "Observer height in metres"},
      {7, "ObsHeight", INVOKE_PROPERTYPUT, {""}, {VT_R8}, VT_VOID, "Observer height in metres"},
      {8, "PassListForPeriod", INVOKE_FUNC,
       {"Name", "UTCdate", "MinSeconds", "NumDays", "MinElevDegrees"},
       {VT_BSTR, VT_R8, VT_I4, VT_I4, VT_R8}, VT_BSTR, "*passes*UTC date-time"},
      {9, "IsVisible", INVOKE_FUNC,
       {"Name", "JulianTime", "ThresholdDeg", "Southbound", "Azumuth", "Elevation", "Longitude", "Latitude", "Range",
        "RangeRate", "Altitude", "Phase"},
       {VT_BSTR, VT_R8, VT_R8, Out(VT_BOOL), Out(VT_R8), Out(VT_R8), Out(VT_R8), Out(VT_R8), Out(VT_R8), Out(VT_R8),
        Out(VT_R8), Out(VT_R8)},
       VT_BOOL, "True if the named satellite visible, time in Julian, angular results in radians"},
      {10, "DateTimeToJT", INVOKE_FUNC, {"DateTime"}, {VT_R8}, VT_R8, "*date-time*Julian date"},
      {11, "RevNumber", INVOKE_PROPERTYGET, {}, {}, VT_I4,
       "Revolution number for a satellite (immediately after IsVisible call)"},
      {12, "OrbitPhase", INVOKE_PROPERTYGET, {}, {}, VT_R8,
       "Radians past ascending node for a satellite (immediately after IsVisible call)"},
      {13, "FindAOS", INVOKE_FUNC, {"Name", "PredictTime"}, {VT_BSTR, VT_R8}, VT_R8, kAos},
      {14, "FindLOS", INVOKE_FUNC, {"Name", "PredictTime"}, {VT_BSTR, VT_R8}, VT_R8, kAos},
      {15, "MeanAnomaly", INVOKE_PROPERTYGET, {}, {}, VT_R8, "Revolutions (immediately after IsVisible call)"},
      {16, "SatState", INVOKE_FUNC, {"X", "Y", "Z", "Xdot", "Ydot", "Zdot"},
       {Out(VT_R8), Out(VT_R8), Out(VT_R8), Out(VT_R8), Out(VT_R8), Out(VT_R8)}, VT_VOID,
       "Returns satellite position and velocity in km and km/sec"},
  };
  return rows;
}

// A help text given in words only ("*passes*UTC date-time"): each piece must appear in order.
void ExpectHelp(const std::string& actual, const std::string& expected, const std::string& member) {
  if (expected.empty() || expected[0] != '*') {
    EXPECT_EQ(actual, expected) << member;
    return;
  }
  size_t at = 0, from = 1;
  while (from <= expected.size()) {
    size_t star = expected.find('*', from);
    std::string piece = expected.substr(from, star == std::string::npos ? std::string::npos : star - from);
    at = actual.find(piece, at);
    EXPECT_NE(at, std::string::npos) << member << ": \"" << piece << "\" missing from \"" << actual << "\"";
    if (at == std::string::npos || star == std::string::npos) break;
    from = star + 1;
  }
}

// Releases a COM reference at the end of a scope.
template <class T>
struct Ref {
  T* p = nullptr;
  ~Ref() {
    if (p) p->Release();
  }
  T** out() { return &p; }
  void** pv() { return reinterpret_cast<void**>(&p); }
  T* operator->() const { return p; }
};

std::string Doc(ITypeInfo* info, MEMBERID id, std::string* name = nullptr) {
  Bstr n, d;
  DWORD context = 7;
  EXPECT_EQ(info->GetDocumentation(id, n.out(), d.out(), &context, nullptr), S_OK);
  EXPECT_EQ(context, 0u);
  if (name) *name = n.str();
  return d.str();
}

std::set<std::string> TypeLibraryKeys() {
  std::vector<std::string> keys;
  EXPECT_EQ(reg::ListKeys(keys), reg::Status::Ok);
  std::set<std::string> out;
  for (const auto& k : keys)
    if (k.rfind("TypeLib\\", 0) == 0 || k.rfind("Interface\\", 0) == 0) out.insert(k);
  return out;
}

class TypeLibTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ServerEnvironment::SetUp(); }
  void SetUp() override {
    ServerEnvironment::SetUp();
    ASSERT_EQ(LoadRegTypeLib(LIBID_MarnSatLib, 3, 1, 0x409, lib.out()), S_OK);
    ASSERT_EQ(lib->GetTypeInfoOfGuid(IID_ISatellites, iface.out()), S_OK);
  }
  Ref<ITypeLib> lib;
  Ref<ITypeInfo> iface;
};

}  // namespace

TEST_F(TypeLibTest, LibraryRecord) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, LIBID_MarnSatLib);
  EXPECT_EQ(attr->lcid, 0x409u);
  EXPECT_EQ(attr->wMajorVerNum, 3);
  EXPECT_EQ(attr->wMinorVerNum, 1);
  lib->ReleaseTLibAttr(attr);
  Bstr name, help;
  ASSERT_EQ(lib->GetDocumentation(-1, name.out(), help.out(), nullptr, nullptr), S_OK);
  EXPECT_EQ(name.str(), "MarnSatLib");
  EXPECT_FALSE(help.str().empty());
  ASSERT_EQ(lib->GetTypeInfoCount(), 2u);
  TYPEKIND kinds[2];
  ASSERT_EQ(lib->GetTypeInfoType(0, &kinds[0]), S_OK);
  ASSERT_EQ(lib->GetTypeInfoType(1, &kinds[1]), S_OK);
  EXPECT_EQ(kinds[0], TKIND_DISPATCH);
  EXPECT_EQ(kinds[1], TKIND_COCLASS);
}

TEST_F(TypeLibTest, InterfaceRecord) {
  TYPEATTR* a = nullptr;
  ASSERT_EQ(iface->GetTypeAttr(&a), S_OK);
  EXPECT_EQ(a->guid, IID_ISatellites);
  EXPECT_EQ(a->typekind, TKIND_DISPATCH);
  EXPECT_EQ(a->cFuncs, 20);
  EXPECT_EQ(a->cVars, 0);
  EXPECT_EQ(a->wMajorVerNum, 3);
  EXPECT_EQ(a->wMinorVerNum, 0);
  EXPECT_EQ(a->wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
  iface->ReleaseTypeAttr(a);
  std::string name;
  EXPECT_EQ(Doc(iface.p, MEMBERID_NIL, &name), "Dispatch interface for Satellites Object");
  EXPECT_EQ(name, "ISatellites");
}

TEST_F(TypeLibTest, EveryMemberReadsBackAsDocumented) {
  const auto& rows = Rows();
  for (UINT i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(std::string(row.name) + " #" + std::to_string(i + 1));
    FUNCDESC* f = nullptr;
    ASSERT_EQ(iface->GetFuncDesc(i, &f), S_OK);
    EXPECT_EQ(f->memid, row.dispid);
    EXPECT_EQ(f->invkind, row.kind);
    EXPECT_EQ(f->funckind, FUNC_DISPATCH);
    EXPECT_EQ(f->elemdescFunc.tdesc.vt, row.result);
    EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));  // its virtual-table slot
    ASSERT_EQ(f->cParams, static_cast<SHORT>(row.types.size()));
    for (size_t p = 0; p < row.types.size(); ++p) {
      const ELEMDESC& e = f->lprgelemdescParam[p];
      if (row.types[p] & 0x8000) {
        EXPECT_EQ(e.paramdesc.wParamFlags, PARAMFLAG_FOUT);
        ASSERT_EQ(e.tdesc.vt, VT_PTR);
        EXPECT_EQ(e.tdesc.lptdesc->vt, row.types[p] & 0x7FFF);
      } else {
        EXPECT_EQ(e.paramdesc.wParamFlags, PARAMFLAG_FIN);
        EXPECT_EQ(e.tdesc.vt, row.types[p]);
      }
    }
    iface->ReleaseFuncDesc(f);

    std::string name;
    ExpectHelp(Doc(iface.p, row.dispid, &name), row.help, row.name);
    EXPECT_EQ(name, row.name);

    // The names of a member: its own, then its parameters' (a put's value has none, and a
    // property answers with its get).
    BSTR names[16] = {};
    UINT count = 0;
    ASSERT_EQ(iface->GetNames(row.dispid, names, 16, &count), S_OK);
    std::vector<std::string> got;
    for (UINT k = 0; k < count; ++k) {
      got.push_back(BstrToString(names[k]));
      SysFreeString(names[k]);
    }
    std::vector<std::string> want{row.name};
    if (row.kind == INVOKE_FUNC) want.insert(want.end(), row.params.begin(), row.params.end());
    EXPECT_EQ(got, want);
  }
  FUNCDESC* f = reinterpret_cast<FUNCDESC*>(1);
  EXPECT_EQ(iface->GetFuncDesc(20, &f), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(f, nullptr);
}

TEST_F(TypeLibTest, CoclassRecordAndCreation) {
  Ref<ITypeInfo> coclass;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(CLSID_Satellites, coclass.out()), S_OK);
  TYPEATTR* a = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&a), S_OK);
  EXPECT_EQ(a->typekind, TKIND_COCLASS);
  EXPECT_EQ(a->wMajorVerNum, 3);
  EXPECT_EQ(a->wMinorVerNum, 0);
  EXPECT_TRUE(a->wTypeFlags & TYPEFLAG_FCANCREATE);
  EXPECT_EQ(a->cImplTypes, 1);
  coclass->ReleaseTypeAttr(a);
  std::string name;
  EXPECT_EQ(Doc(coclass.p, MEMBERID_NIL, &name), "Satellites - a satellite list");
  EXPECT_EQ(name, "Satellites");
  INT flags = 0;
  ASSERT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
  EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT);
  HREFTYPE ref = 0;
  ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
  Ref<ITypeInfo> def;
  ASSERT_EQ(coclass->GetRefTypeInfo(ref, def.out()), S_OK);
  TYPEATTR* d = nullptr;
  ASSERT_EQ(def->GetTypeAttr(&d), S_OK);
  EXPECT_EQ(d->guid, IID_ISatellites);
  def->ReleaseTypeAttr(d);
  EXPECT_EQ(coclass->GetRefTypeOfImplType(1, &ref), TYPE_E_ELEMENTNOTFOUND);

  // The coclass creates the registered object.
  Ref<ISatellites> sats;
  ASSERT_EQ(coclass->CreateInstance(nullptr, IID_ISatellites, sats.pv()), S_OK);
  double lat = 0;
  EXPECT_EQ(sats->get_ObsLat(&lat), S_OK);
  EXPECT_NEAR(lat, 56.0, 1e-12);
}

TEST_F(TypeLibTest, LateBindingResolvesTheSameNames) {
  Ref<ISatellites> sats;
  ASSERT_EQ(CoCreateInstance(CLSID_Satellites, nullptr, CLSCTX_INPROC_SERVER, IID_ISatellites, sats.pv()), S_OK);
  UINT count = 0;
  ASSERT_EQ(sats->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  Ref<ITypeInfo> fromObject;
  ASSERT_EQ(sats->GetTypeInfo(0, 0x409, fromObject.out()), S_OK);
  Ref<ITypeLib> containing;
  UINT index = 9;
  ASSERT_EQ(fromObject->GetContainingTypeLib(containing.out(), &index), S_OK);
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(containing->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, LIBID_MarnSatLib);
  containing->ReleaseTLibAttr(attr);
  EXPECT_EQ(index, 0u);

  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.name);
    // Member name and every parameter name, in a case the table does not use.
    std::vector<std::string> words{row.name};
    if (row.kind == INVOKE_FUNC) words.insert(words.end(), row.params.begin(), row.params.end());
    for (auto& w : words)
      for (auto& c : w) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::vector<LPOLESTR> names;
    for (auto& w : words) names.push_back(w.data());
    std::vector<DISPID> late(names.size(), 99), typed(names.size(), 99);
    ASSERT_EQ(sats->GetIDsOfNames(GUID_NULL, names.data(), static_cast<UINT>(names.size()), 0x409, late.data()),
              S_OK);
    ASSERT_EQ(iface->GetIDsOfNames(names.data(), static_cast<UINT>(names.size()), typed.data()), S_OK);
    EXPECT_EQ(late[0], row.dispid);
    EXPECT_EQ(late, typed);
    for (size_t p = 1; p < late.size(); ++p) EXPECT_EQ(late[p], static_cast<DISPID>(p - 1));
  }
  // A late-bound call through the type information reaches the object.
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(iface->Invoke(sats.p, 5 /* ObsLat */, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result.vt, VT_R8);
  EXPECT_NEAR(result.dblVal, 56.0, 1e-12);
}

TEST_F(TypeLibTest, NullOutPointersAndBadIndexes) {
  Ref<ISatellites> sats;
  ASSERT_EQ(CoCreateInstance(CLSID_Satellites, nullptr, CLSCTX_INPROC_SERVER, IID_ISatellites, sats.pv()), S_OK);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(sats->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
  EXPECT_EQ(info, nullptr);
  EXPECT_EQ(sats->GetTypeInfo(0, 0, nullptr), E_POINTER);
  EXPECT_EQ(sats->GetTypeInfoCount(nullptr), E_POINTER);
  info = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(lib->GetTypeInfo(2, &info), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(info, nullptr);
  TYPEKIND kind;
  UINT n = 0;
  BSTR name = nullptr;
  HREFTYPE ref = 0;
  const struct {
    const char* call;
    HRESULT got;
    HRESULT want;
  } cases[] = {
      {"ITypeLib::GetTypeInfo", lib->GetTypeInfo(0, nullptr), E_POINTER},
      {"ITypeLib::GetTypeInfoType", lib->GetTypeInfoType(0, nullptr), E_POINTER},
      {"ITypeLib::GetTypeInfoType past the end", lib->GetTypeInfoType(2, &kind), TYPE_E_ELEMENTNOTFOUND},
      {"ITypeLib::GetTypeInfoOfGuid", lib->GetTypeInfoOfGuid(IID_ISatellites, nullptr), E_POINTER},
      {"ITypeLib::GetTypeInfoOfGuid unknown", lib->GetTypeInfoOfGuid(IID_IDispatch, &info), TYPE_E_ELEMENTNOTFOUND},
      {"ITypeLib::GetLibAttr", lib->GetLibAttr(nullptr), E_POINTER},
      {"ITypeLib::GetDocumentation past the end", lib->GetDocumentation(2, &name, nullptr, nullptr, nullptr),
       TYPE_E_ELEMENTNOTFOUND},
      {"ITypeInfo::GetTypeAttr", iface->GetTypeAttr(nullptr), E_POINTER},
      {"ITypeInfo::GetFuncDesc", iface->GetFuncDesc(0, nullptr), E_POINTER},
      {"ITypeInfo::GetNames", iface->GetNames(9, nullptr, 4, &n), E_POINTER},
      {"ITypeInfo::GetNames count", iface->GetNames(9, &name, 1, nullptr), E_POINTER},
      {"ITypeInfo::GetNames unknown member", iface->GetNames(77, &name, 1, &n), TYPE_E_ELEMENTNOTFOUND},
      {"ITypeInfo::GetDocumentation unknown member", iface->GetDocumentation(77, &name, nullptr, nullptr, nullptr),
       TYPE_E_ELEMENTNOTFOUND},
      {"ITypeInfo::GetRefTypeOfImplType", iface->GetRefTypeOfImplType(0, nullptr), E_POINTER},
      {"ITypeInfo::GetRefTypeOfImplType past the end", iface->GetRefTypeOfImplType(1, &ref), TYPE_E_ELEMENTNOTFOUND},
      {"ITypeInfo::GetRefTypeInfo", iface->GetRefTypeInfo(0, nullptr), E_POINTER},
      {"ITypeInfo::GetRefTypeInfo unknown", iface->GetRefTypeInfo(12345, &info), TYPE_E_ELEMENTNOTFOUND},
      {"ITypeInfo::GetContainingTypeLib", iface->GetContainingTypeLib(nullptr, &n), E_POINTER},
      {"ITypeInfo::GetIDsOfNames", iface->GetIDsOfNames(nullptr, 1, nullptr), E_POINTER},
      {"ITypeInfo::GetVarDesc", iface->GetVarDesc(0, nullptr), E_POINTER},
      {"ITypeInfo::CreateInstance of an interface", iface->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&info)),
       TYPE_E_WRONGTYPEKIND},
      {"LoadRegTypeLib", LoadRegTypeLib(LIBID_MarnSatLib, 3, 1, 0x409, nullptr), E_POINTER},
      {"QueryPathOfRegTypeLib", QueryPathOfRegTypeLib(LIBID_MarnSatLib, 3, 1, 0x409, nullptr), E_POINTER},
      {"LoadTypeLib", LoadTypeLib(LibraryPath().c_str(), nullptr), E_POINTER},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.call;
  EXPECT_EQ(name, nullptr);
}

TEST_F(TypeLibTest, RegisteredVersionsAndLocales) {
  const struct {
    WORD major, minor;
    LCID lcid;
    HRESULT want;
  } cases[] = {
      {3, 1, 0x409, S_OK},
      {3, 0, 0x409, S_OK},  // an older minor version is served by the newer one
      {3, 1, LOCALE_USER_DEFAULT, S_OK},
      {3, 1, LOCALE_SYSTEM_DEFAULT, S_OK},
      {3, 1, 0x809, TYPE_E_LIBNOTREGISTERED},  // tries 809, its primary language 9, then neutral 0
      {3, 2, 0x409, TYPE_E_LIBNOTREGISTERED},
      {2, 1, 0x409, TYPE_E_LIBNOTREGISTERED},
      {4, 0, 0x409, TYPE_E_LIBNOTREGISTERED},
      {3, 1, 0x407, TYPE_E_LIBNOTREGISTERED},
      {3, 1, 0, TYPE_E_LIBNOTREGISTERED},
  };
  for (const auto& c : cases) {
    Ref<ITypeLib> other;
    EXPECT_EQ(LoadRegTypeLib(LIBID_MarnSatLib, c.major, c.minor, c.lcid, other.out()), c.want)
        << c.major << "." << c.minor << " locale " << std::hex << c.lcid;
    EXPECT_EQ(other.p != nullptr, c.want == S_OK);
  }
  Bstr path;
  ASSERT_EQ(QueryPathOfRegTypeLib(LIBID_MarnSatLib, 3, 1, 0x409, path.out()), S_OK);
  EXPECT_EQ(path.str(), LibraryPath());
  Ref<ITypeLib> none;
  EXPECT_EQ(LoadRegTypeLib(IID_ISatellites, 3, 1, 0x409, none.out()), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(LoadTypeLib((BinFolder() + "/libvelmarcom.so").c_str(), none.out()), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(LoadTypeLib((ServerEnvironment::TempFolder() + "/missing.so").c_str(), none.out()),
            TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(none.p, nullptr);
}

TEST_F(TypeLibTest, UnregistrationRemovesEveryTypeLibraryEntry) {
  const std::set<std::string> registered = TypeLibraryKeys();
  EXPECT_EQ(registered.size(), 9u);
  RunResult r = RunTool("regsvr", {"/U", "/S", LibraryPath()});
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(TypeLibraryKeys(), std::set<std::string>{});
  Ref<ITypeLib> after;
  EXPECT_EQ(LoadRegTypeLib(LIBID_MarnSatLib, 3, 1, 0x409, after.out()), TYPE_E_LIBNOTREGISTERED);
  EXPECT_EQ(after.p, nullptr);
  // A library already loaded stays usable; registering again restores the same entries.
  EXPECT_EQ(lib->GetTypeInfoCount(), 2u);
  r = RunTool("regsvr", {"/S", LibraryPath()});
  ASSERT_EQ(r.exitCode, 0) << r.output;
  r = RunTool("regsvr", {"/S", LibraryPath()});
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(TypeLibraryKeys(), registered);
  EXPECT_EQ(LoadRegTypeLib(LIBID_MarnSatLib, 3, 1, 0x409, after.out()), S_OK);
}

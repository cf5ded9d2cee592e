// Late binding: the same calls through IDispatch give the same results as through the v-table.
#include <cstring>

#include "server_fixture.h"

using namespace servertest;
using namespace marnsatlib;

namespace {

constexpr double kDateTime2018Jan21 = 43121.0;
constexpr double kJulian2018Jan21 = 2458139.5;

VARIANT R8(double d) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = d;
  return v;
}
VARIANT I4(int32_t i) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = i;
  return v;
}
VARIANT Text(const char* s) {  // the BSTR is freed by Call
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(s);
  return v;
}

struct Outcome {
  HRESULT hr = E_FAIL;
  VARIANT result;
  EXCEPINFO excep;
  UINT argErr = 999;
  Outcome() {
    VariantInit(&result);
    std::memset(&excep, 0, sizeof excep);
  }
  ~Outcome() {
    VariantClear(&result);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
  }
};

class DispatchTest : public SatellitesTest {
 protected:
  void SetUp() override {
    SatellitesTest::SetUp();
    ASSERT_EQ(sats->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&disp)), S_OK);
  }
  void TearDown() override {
    if (disp) disp->Release();
    SatellitesTest::TearDown();
  }

  // Arguments in parameter order; they are reversed as automation wants and cleared afterwards.
  void Call(Outcome& o, DISPID id, WORD flags, std::vector<VARIANT> args, std::vector<DISPID> named = {}) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    if (!named.empty()) reversed = args;  // named arguments are given in the order of `named`
    DISPPARAMS params{reversed.data(), named.empty() ? nullptr : named.data(), static_cast<UINT>(reversed.size()),
                      static_cast<UINT>(named.size())};
    o.hr = disp->Invoke(id, GUID_NULL, LOCALE_USER_DEFAULT, flags, &params, &o.result, &o.excep, &o.argErr);
    for (auto& v : reversed) VariantClear(&v);
  }
  void Put(DISPID id, VARIANT value) {
    Outcome o;
    Call(o, id, DISPATCH_PROPERTYPUT, {value}, {DISPID_PROPERTYPUT});
    ASSERT_EQ(o.hr, S_OK);
  }

  IDispatch* disp = nullptr;
};

}  // namespace

TEST_F(DispatchTest, NamesAreFoundWithoutRegardToCase) {
  const struct {
    const char* name;
    DISPID id;
  } cases[] = {
      {"VersionString", 1}, {"keplerpath", 2},  {"SATCOUNT", 3},         {"SatNames", 4},     {"obslat", 5},
      {"ObsLon", 6},        {"ObsHEIGHT", 7},   {"PassListForPeriod", 8}, {"isvisible", 9},   {"DateTimeToJT", 10},
      {"RevNumber", 11},    {"orbitphase", 12}, {"FindAOS", 13},          {"findlos", 14},     {"MeanAnomaly", 15},
      {"SatState", 16},
  };
  for (const auto& c : cases) {
    char buffer[64];
    std::strcpy(buffer, c.name);
    LPOLESTR names[] = {buffer};
    DISPID id = 0;
    EXPECT_EQ(disp->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), S_OK) << c.name;
    EXPECT_EQ(id, c.id) << c.name;
  }
  char unknown[] = "IsVisibl", member[] = "ISVISIBLE", p1[] = "julianTime", p2[] = "azumuth", p3[] = "azimuth";
  LPOLESTR one[] = {unknown};
  DISPID id = 0;
  EXPECT_EQ(disp->GetIDsOfNames(GUID_NULL, one, 1, 0, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  LPOLESTR withParams[] = {member, p1, p2, p3};
  DISPID ids[4];
  EXPECT_EQ(disp->GetIDsOfNames(GUID_NULL, withParams, 4, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], DISPID_IsVisible);
  EXPECT_EQ(ids[1], 1);
  EXPECT_EQ(ids[2], 4);
  EXPECT_EQ(ids[3], DISPID_UNKNOWN);
}

TEST_F(DispatchTest, SameResultsAsTheVirtualTable) {
  const std::string folder = ServerEnvironment::CopyDataFolder("names");
  Put(DISPID_KeplerPath, Text(folder.c_str()));
  Put(DISPID_ObsLat, Text("52.5"));  // converted with '.' whatever the locale
  Put(DISPID_ObsLon, I4(-10));
  double lat = 0, lon = 0;
  ASSERT_EQ(sats->get_ObsLat(&lat), S_OK);
  ASSERT_EQ(sats->get_ObsLon(&lon), S_OK);
  EXPECT_DOUBLE_EQ(lat, 52.5);
  EXPECT_DOUBLE_EQ(lon, 350.0);

  {
    Outcome o;
    Call(o, DISPID_ObsLon, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {});
    ASSERT_EQ(o.hr, S_OK);
    ASSERT_EQ(o.result.vt, VT_R8);
    EXPECT_EQ(o.result.dblVal, lon);
  }
  {
    Outcome o;
    Call(o, DISPID_SatNames, DISPATCH_PROPERTYGET, {});
    ASSERT_EQ(o.hr, S_OK);
    ASSERT_EQ(o.result.vt, VT_BSTR);
    EXPECT_EQ(BstrToString(o.result.bstrVal), "ISS,\"NOAA 16\"");
  }
  {
    Outcome o;
    Call(o, DISPID_SatCount, DISPATCH_PROPERTYGET, {});
    ASSERT_EQ(o.result.vt, VT_I4);
    EXPECT_EQ(o.result.lVal, 2);
  }
  {
    Outcome o;
    Call(o, DISPID_VersionString, DISPATCH_PROPERTYGET, {});
    EXPECT_EQ(BstrToString(o.result.bstrVal), "3.2.0.20");
  }
  {
    Outcome o;
    Call(o, DISPID_DateTimeToJT, DISPATCH_METHOD, {I4(43121)});
    ASSERT_EQ(o.result.vt, VT_R8);
    EXPECT_EQ(o.result.dblVal, kJulian2018Jan21);
  }

  // IsVisible with references to doubles, and with references to VARIANTs for some outputs.
  const double jd = kJulian2018Jan21 + 0.3;
  Bstr iss("ISS");
  VARIANT_BOOL southV = 0, visibleV = 0;
  double v[8] = {};
  ASSERT_EQ(sats->IsVisible(iss.get(), jd, 0.5, &southV, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7],
                            &visibleV),
            S_OK);
  double x1[6];
  ASSERT_EQ(sats->SatState(&x1[0], &x1[1], &x1[2], &x1[3], &x1[4], &x1[5]), S_OK);

  VARIANT_BOOL southD = 5;
  double d[8] = {};
  VARIANT azimuthVariant;
  VariantInit(&azimuthVariant);
  std::vector<VARIANT> args = {Text("iss"), R8(jd), R8(0.5)};
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_BYREF | VT_BOOL;
  ref.pboolVal = &southD;
  args.push_back(ref);
  ref.vt = VT_BYREF | VT_VARIANT;
  ref.pvarVal = &azimuthVariant;
  args.push_back(ref);
  for (int i = 1; i < 8; ++i) {
    ref.vt = VT_BYREF | VT_R8;
    ref.pdblVal = &d[i];
    args.push_back(ref);
  }
  Outcome o;
  Call(o, DISPID_IsVisible, DISPATCH_METHOD, args);
  ASSERT_EQ(o.hr, S_OK);
  ASSERT_EQ(o.result.vt, VT_BOOL);
  EXPECT_EQ(o.result.boolVal, visibleV);
  EXPECT_EQ(southD, southV);
  ASSERT_EQ(azimuthVariant.vt, VT_R8);
  EXPECT_EQ(azimuthVariant.dblVal, v[0]);
  for (int i = 1; i < 8; ++i) EXPECT_EQ(d[i], v[i]) << i;

  double x2[6] = {};
  std::vector<VARIANT> state;
  for (double& x : x2) {
    ref.vt = VT_BYREF | VT_R8;
    ref.pdblVal = &x;
    state.push_back(ref);
  }
  Outcome s;
  Call(s, DISPID_SatState, DISPATCH_METHOD, state);
  ASSERT_EQ(s.hr, S_OK);
  EXPECT_EQ(s.result.vt, VT_EMPTY);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(x2[i], x1[i]);

  // FindAOS with named arguments in reverse order.
  double aos = 0;
  ASSERT_EQ(sats->FindAOS(iss.get(), kDateTime2018Jan21, &aos), S_OK);
  Outcome f;
  Call(f, DISPID_FindAOS, DISPATCH_METHOD, {R8(kDateTime2018Jan21), Text("ISS")}, {1, 0});
  ASSERT_EQ(f.hr, S_OK);
  EXPECT_EQ(f.result.dblVal, aos);
}

TEST_F(DispatchTest, FailuresComeBackAsExceptionsWithTheErrorText) {
  Put(DISPID_KeplerPath, Text(""));
  int32_t count = 0;
  ASSERT_EQ(sats->get_SatCount(&count), E_UNEXPECTED);
  const std::string text = TakeErrorDescription();
  ASSERT_NE(text, "");
  Outcome o;
  Call(o, DISPID_SatCount, DISPATCH_PROPERTYGET, {});
  EXPECT_EQ(o.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(o.excep.scode, E_UNEXPECTED);
  EXPECT_EQ(BstrToString(o.excep.bstrDescription), text);
  EXPECT_EQ(BstrToString(o.excep.bstrSource), "MarnSatLib.Satellites");
}

TEST_F(DispatchTest, BadCallsAreRefused) {
  {
    Outcome o;
    Call(o, 99, DISPATCH_METHOD, {});
    EXPECT_EQ(o.hr, DISP_E_MEMBERNOTFOUND);
  }
  {
    Outcome o;  // SatCount has no put
    Call(o, DISPID_SatCount, DISPATCH_PROPERTYPUT, {I4(3)}, {DISPID_PROPERTYPUT});
    EXPECT_EQ(o.hr, DISP_E_MEMBERNOTFOUND);
  }
  {
    Outcome o;
    Call(o, DISPID_FindAOS, DISPATCH_METHOD, {Text("ISS")});
    EXPECT_EQ(o.hr, DISP_E_PARAMNOTOPTIONAL);
  }
  {
    Outcome o;
    Call(o, DISPID_DateTimeToJT, DISPATCH_METHOD, {R8(1), R8(2)});
    EXPECT_EQ(o.hr, DISP_E_BADPARAMCOUNT);
  }
  {
    Outcome o;  // the second parameter (index 0 from the end) is not a number
    Call(o, DISPID_FindAOS, DISPATCH_METHOD, {Text("ISS"), Text("soon")});
    EXPECT_EQ(o.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(o.argErr, 0u);
  }
  {
    Outcome o;  // an output passed by value
    std::vector<VARIANT> state(6, R8(0));
    Call(o, DISPID_SatState, DISPATCH_METHOD, state);
    EXPECT_EQ(o.hr, DISP_E_TYPEMISMATCH);
  }
  {
    Outcome o;
    Call(o, DISPID_ObsLat, DISPATCH_PROPERTYPUT, {I4(1)}, {3});
    EXPECT_EQ(o.hr, DISP_E_PARAMNOTFOUND);
  }
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(disp->Invoke(DISPID_SatCount, IID_IDispatch, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  UINT count = 9;
  EXPECT_EQ(disp->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
}

// Registration by the registration tool, the exported functions and the class factory.
#include <sys/stat.h>
#include <unistd.h>
#include <dlfcn.h>

#include <filesystem>
#include <set>
#include <tuple>

#include "lockholder.h"
#include "server_fixture.h"
#include "velmar_registry.h"

using namespace servertest;
namespace reg = velmar::registry;

namespace {

using Entry = std::tuple<std::string, std::string, std::string>;  // key, value name, data

// Every value of the registry file, and every key (with an empty name and "<key>" as data).
std::set<Entry> Dump() {
  std::set<Entry> out;
  std::vector<std::string> keys;
  EXPECT_EQ(reg::ListKeys(keys), reg::Status::Ok);
  for (const auto& k : keys) {
    out.emplace(k, "", "<key>");
    std::string data;
    for (const char* name : {"", "ThreadingModel", "Version"})
      if (reg::GetValue(k, name, data) == reg::Status::Ok) out.emplace(k, name, data);
  }
  return out;
}

std::set<Entry> Expected(const std::string& path) {
  const std::string k = "CLSID\\{A947C1E6-0B58-4D2A-83F5-6E1B9D07C3A8}";
  const std::string p = "MarnSatLib.Satellites";
  const std::string lib = "TypeLib\\{5D2E8C40-71A3-4B9F-9E16-3A8C0F4D7B21}";
  const std::string itf = "Interface\\{5D2E8C42-71A3-4B9F-9E16-3A8C0F4D7B21}";
  const std::string folder = path.substr(0, path.rfind('/') + 1);
  std::set<Entry> e = {
      {k, "", "Satellites - a satellite list"},
      {k + "\\InprocServer32", "", path},
      {k + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {p, "", "Satellites - a satellite list"},
      {p + "\\Clsid", "", "{A947C1E6-0B58-4D2A-83F5-6E1B9D07C3A8}"},
      {k + "\\ProgID", "", p},
      {k + "\\Version", "", "3.1"},
      {k + "\\TypeLib", "", "{5D2E8C40-71A3-4B9F-9E16-3A8C0F4D7B21}"},
      {lib + "\\3.1", "", "MarnSatLib Library: satellite orbits and look angles (Velmar)"},
      {lib + "\\3.1\\409\\linux", "", path},
      {lib + "\\3.1\\FLAGS", "", "0"},
      {lib + "\\3.1\\HELPDIR", "", folder},
      {itf, "", "ISatellites"},
      {itf + "\\ProxyStubClsid32", "", "{00020424-0000-0000-C000-000000000046}"},
      {itf + "\\TypeLib", "", "{5D2E8C40-71A3-4B9F-9E16-3A8C0F4D7B21}"},
      {itf + "\\TypeLib", "Version", "3.1"},
  };
  for (const std::string& key : {std::string("CLSID"), k, k + "\\InprocServer32", p, p + "\\Clsid", k + "\\ProgID",
                                 k + "\\Version", k + "\\TypeLib", std::string("TypeLib"), lib.substr(0), lib + "\\3.1",
                                 lib + "\\3.1\\409", lib + "\\3.1\\409\\linux", lib + "\\3.1\\FLAGS", lib + "\\3.1\\HELPDIR",
                                 std::string("Interface"), itf, itf + "\\ProxyStubClsid32", itf + "\\TypeLib"})
    e.emplace(key, "", "<key>");
  return e;
}

// Only the bare containers stay after unregistration.
const std::set<Entry> kContainers = {{"CLSID", "", "<key>"}, {"Interface", "", "<key>"}, {"TypeLib", "", "<key>"}};

class RegistrationTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ServerEnvironment::SetUp(); }
  void TearDown() override {
    // Leave the library registered from its build folder for the next test.
    EXPECT_EQ(RunTool("regsvr", {"/S", LibraryPath()}).exitCode, 0);
  }
};

template <class F>
F Symbol(const char* name) {
  void* handle = ::dlopen(LibraryPath().c_str(), RTLD_NOW);
  EXPECT_NE(handle, nullptr) << ::dlerror();
  return handle ? reinterpret_cast<F>(::dlsym(handle, name)) : nullptr;
}

// An aggregating object: counts its own references and answers only IUnknown itself.
struct Outer final : IUnknown {
  ULONG refs = 1;
  IUnknown* inner = nullptr;
  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(riid, ppv);
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
};

}  // namespace

TEST_F(RegistrationTest, WritesExactlyTheEntries) {
  EXPECT_EQ(Dump(), Expected(LibraryPath()));
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID("MarnSatLib.Satellites", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_Satellites);
}

TEST_F(RegistrationTest, RegisteringTwiceLeavesOneSet) {
  ASSERT_EQ(RunTool("regsvr", {"/S", LibraryPath()}).exitCode, 0);
  ASSERT_EQ(RunTool("regsvr", {"-s", LibraryPath()}).exitCode, 0);
  EXPECT_EQ(Dump(), Expected(LibraryPath()));
}

TEST_F(RegistrationTest, UnregisterRemovesEveryEntryAndCreationFails) {
  ISatellites* sats = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_Satellites, nullptr, CLSCTX_INPROC_SERVER, IID_ISatellites,
                             reinterpret_cast<void**>(&sats)),
            S_OK);
  sats->Release();
  RunResult r = RunTool("regsvr", {"/U", "/S", LibraryPath()});
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.output, "");
  EXPECT_EQ(Dump(), kContainers);
  sats = reinterpret_cast<ISatellites*>(1);
  EXPECT_EQ(CoCreateInstance(CLSID_Satellites, nullptr, CLSCTX_INPROC_SERVER, IID_ISatellites,
                             reinterpret_cast<void**>(&sats)),
            REGDB_E_CLASSNOTREG);
  EXPECT_EQ(sats, nullptr);
  // Unregistering again finds nothing to remove and still succeeds.
  EXPECT_EQ(RunTool("regsvr", {"/u", "/s", LibraryPath()}).exitCode, 0);
}

TEST_F(RegistrationTest, PathWithABlankIsStoredAsItIs) {
  namespace fs = std::filesystem;
  const std::string folder = ServerEnvironment::TempFolder() + "/Program Files";
  fs::create_directories(folder);
  const std::string copy = folder + "/MarnSatLib.so";
  fs::copy_file(LibraryPath(), copy, fs::copy_options::overwrite_existing);
  ASSERT_EQ(RunTool("regsvr", {"/S", copy}).exitCode, 0);
  std::string stored;
  ASSERT_EQ(reg::GetValue("CLSID\\{A947C1E6-0B58-4D2A-83F5-6E1B9D07C3A8}\\InprocServer32", "", stored),
            reg::Status::Ok);
  EXPECT_EQ(stored, copy);
  EXPECT_EQ(Dump(), Expected(copy));
}

TEST_F(RegistrationTest, ToolMessagesAndExitCodes) {
  const std::string pipe = ServerEnvironment::TempFolder() + "/pipe.so";  // never loaded: no hang
  ::unlink(pipe.c_str());
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  const struct {
    std::vector<std::string> args;
    int exitCode;
    const char* says;
  } cases[] = {
      {{}, 1, "Usage"},
      {{"/S"}, 1, ""},
      {{"a", "b"}, 1, "Usage"},
      {{ServerEnvironment::TempFolder() + "/missing.so"}, 3, "missing.so"},
      {{pipe}, 3, "not a library file"},
      {{BinFolder() + "/libvelmarcom.so"}, 4, "DllRegisterServer"},
      {{"/S", BinFolder() + "/libvelmarcom.so"}, 4, ""},
      {{LibraryPath()}, 0, "DllRegisterServer in"},
      {{"/U", LibraryPath()}, 0, "DllUnregisterServer in"},
  };
  for (const auto& c : cases) {
    RunResult r = RunTool("regsvr", c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
    if (*c.says)
      EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
    else
      EXPECT_EQ(r.output, "");
  }
}

TEST_F(RegistrationTest, DllGetClassObjectServesOnlyTheSatellitesClass) {
  auto getClassObject = Symbol<DllGetClassObjectFn>("DllGetClassObject");
  ASSERT_NE(getClassObject, nullptr);
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(getClassObject(IID_ISatellites, IID_IClassFactory, &p), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(getClassObject(CLSID_Satellites, IID_IDispatch, &p), E_NOINTERFACE);
  EXPECT_EQ(p, nullptr);
  EXPECT_EQ(getClassObject(CLSID_Satellites, IID_IClassFactory, nullptr), E_POINTER);
  ASSERT_EQ(getClassObject(CLSID_Satellites, IID_IClassFactory, &p), S_OK);
  auto* factory = static_cast<IClassFactory*>(p);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_ISatellites, nullptr), E_POINTER);
  void* q = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &q), E_NOINTERFACE);
  EXPECT_EQ(q, nullptr);
  factory->Release();
  // Only DllGetClassObject, DllCanUnloadNow, DllRegisterServer and DllUnregisterServer are exported.
  EXPECT_EQ(Symbol<void*>("_ZN7marnsat11TSatellitesC1EP8IUnknown"), nullptr);
}

TEST_F(RegistrationTest, LiveObjectsAndLocksKeepTheLibrary) {
  auto canUnload = Symbol<DllCanUnloadNowFn>("DllCanUnloadNow");
  auto getClassObject = Symbol<DllGetClassObjectFn>("DllGetClassObject");
  ASSERT_TRUE(canUnload && getClassObject);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(getClassObject(CLSID_Satellites, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  EXPECT_EQ(canUnload(), S_OK);
  ISatellites* sats = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_ISatellites, reinterpret_cast<void**>(&sats)), S_OK);
  EXPECT_EQ(canUnload(), S_FALSE);
  ISatellites* second = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_ISatellites, reinterpret_cast<void**>(&second)), S_OK);
  EXPECT_NE(second, sats);  // each client its own object
  second->Release();
  sats->Release();
  EXPECT_EQ(canUnload(), S_OK);
  ASSERT_EQ(factory->LockServer(1), S_OK);
  EXPECT_EQ(canUnload(), S_FALSE);
  ASSERT_EQ(factory->LockServer(0), S_OK);
  EXPECT_EQ(canUnload(), S_OK);
  factory->Release();
}

TEST_F(RegistrationTest, AggregationOnlyThroughIUnknown) {
  auto getClassObject = Symbol<DllGetClassObjectFn>("DllGetClassObject");
  auto canUnload = Symbol<DllCanUnloadNowFn>("DllCanUnloadNow");
  IClassFactory* factory = nullptr;
  ASSERT_EQ(getClassObject(CLSID_Satellites, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  Outer outer;
  void* p = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_ISatellites, &p), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(p, nullptr);
  ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, &p), S_OK);
  outer.inner = static_cast<IUnknown*>(p);
  ISatellites* sats = nullptr;
  ASSERT_EQ(outer.inner->QueryInterface(IID_ISatellites, reinterpret_cast<void**>(&sats)), S_OK);
  EXPECT_EQ(outer.refs, 2u);  // the interface's references go to the outer object
  IUnknown* viaSats = nullptr;
  ASSERT_EQ(sats->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaSats)), S_OK);
  EXPECT_EQ(viaSats, static_cast<IUnknown*>(&outer));
  viaSats->Release();
  double lat = 0;
  EXPECT_EQ(sats->get_ObsLat(&lat), S_OK);
  sats->Release();
  EXPECT_EQ(outer.refs, 1u);
  EXPECT_EQ(canUnload(), S_FALSE);
  outer.inner->Release();  // frees the inner object
  EXPECT_EQ(canUnload(), S_OK);
  factory->Release();
}

TEST_F(RegistrationTest, AnUnwritableRegistryFailsRegistration) {
  const std::string saved = std::getenv("VELMAR_REGISTRY");
  const std::string blocked = ServerEnvironment::TempFolder() + "/blocked";
  std::filesystem::create_directories(blocked);  // a folder where the file should be
  ::setenv("VELMAR_REGISTRY", blocked.c_str(), 1);
  RunResult r = RunTool("regsvr", {LibraryPath()});
  ::setenv("VELMAR_REGISTRY", saved.c_str(), 1);
  EXPECT_EQ(r.exitCode, 5);
  // The type library is registered first; its failure carries the system's text.
  EXPECT_NE(r.output.find("Error accessing the OLE registry."), std::string::npos) << r.output;
}

// Another program holding the registry's lock: the tool fails and its message names the lock and
// says who holds it.
TEST_F(RegistrationTest, AHeldRegistryLockIsNamedByTheTool) {
  const std::string lock = std::filesystem::weakly_canonical(std::getenv("VELMAR_REGISTRY")).string() + ".lock";
  TLockHolder holder(lock);
  ASSERT_TRUE(holder.Held());
  const RunResult r = RunTool("regsvr", {LibraryPath()});
  holder.Release();
  EXPECT_EQ(r.exitCode, 5);
  EXPECT_NE(r.output.find("Error accessing the OLE registry.\nThe registry lock file " + lock +
                          " is held by another program"),
            std::string::npos)
      << r.output;
}

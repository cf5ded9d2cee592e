#include "uitestutil.h"

#include <QApplication>

#include <cstdlib>
#include <unistd.h>

#include "canvas.h"
#include "programpath.h"
#include "velmarcom.h"

namespace uitest {

int TScriptedPrompts::MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  Messages.push_back({text, type, buttons});
  static const std::pair<unsigned, int> kOrder[] = {{mbOK, mrOk},       {mbYes, mrYes},     {mbNo, mrNo},
                                                    {mbCancel, mrCancel}, {mbAbort, mrAbort}, {mbRetry, mrRetry},
                                                    {mbIgnore, mrIgnore}};
  int count = 0, only = mrOk;
  for (const auto& [bit, result] : kOrder)
    if (buttons & bit) {
      ++count;
      only = result;
    }
  if (count <= 1) return only;
  if (!Answers.empty()) {
    const int a = Answers.front();
    Answers.pop_front();
    return a;
  }
  return DefaultAnswer;
}

std::string BinFolder() {
  if (const char* env = std::getenv("VELMAR_BIN"); env && *env) return env;
  std::error_code ec;
  return (fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "bin").string();
}

bool ProgramBuilt() {
  const fs::path bin = BinFolder();
  return fs::exists(bin / "MarnSatLib.so") && fs::exists(bin / "regsvr") && fs::exists(bin / "Keps/geo.txt") &&
         fs::exists(bin / "sats.csv") && fs::exists(bin / "geo.log") && fs::exists(bin / "Stars.csv");
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

TProgramFolder::TProgramFolder(const std::string& ini) {
  std::string tmpl = (fs::temp_directory_path() / "velmar-ui-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
  const fs::path bin = BinFolder();
  fs::create_directories(path_ / "Keps");
  fs::copy_file(bin / "Keps/geo.txt", path_ / "Keps/geo.txt");
  for (const char* f : {"geo.log", "sats.csv", "Stars.csv"}) fs::copy_file(bin / f, path_ / f);
  WriteFile(path_ / "Velmar.ini", ini);
  SetProgramFileName((path_ / "Velmar").string());
}

TProgramFolder::~TProgramFolder() {
  SetProgramFileName("");
  std::error_code ec;
  fs::remove_all(path_, ec);
}

namespace {
// One application object for the whole test program, the runtime, and the library folder.
class TQtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "trackerui_tests";
    static char* argv[] = {name, nullptr};
    // A screen the size of a common desktop (the headless default is 800 by 800). The file is
    // the process's own (test programs run side by side) and read while the application starts.
    const fs::path screens =
        fs::path(VELMAR_TEST_OUT_DIR) / ("offscreen-screen-" + std::to_string(::getpid()) + ".json");
    WriteFile(screens, R"({"screens": [{"name": "desktop", "x": 0, "y": 0, "width": 1920, "height": 1080,
                           "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens.string()).c_str(), 1);
    app_ = std::make_unique<QApplication>(argc, argv);
    std::error_code ec;
    fs::remove(screens, ec);
    InstallFontSubstitutions();
    setenv("VELMAR_SYSTEM_DIR", BinFolder().c_str(), 1);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  void TearDown() override {
    CoUninitialize();
    app_.reset();
  }

 private:
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);
}  // namespace

}  // namespace uitest

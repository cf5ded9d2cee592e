// One clock tick of the main window on the Clarke-belt page with 1,000 and with 10,000
// geostationary satellites spread over the visible arc: the picker change, every listed satellite recomputed
// through the real orbit library (registered into a registry file in a temporary folder), and
// the view redrawn at 1000 x 700.
#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTabWidget>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "canvas.h"
#include "datetimepicker.h"
#include "format.h"
#include "program.h"
#include "programpath.h"
#include "prompts.h"
#include "satmain.h"
#include "sats.h"
#include "velmarcom.h"

namespace {

namespace fs = std::filesystem;

// Answers every dialog at once without showing it.
class TSilentPrompts : public IUiPrompts {
 public:
  int MessageDlg(const std::string& text, TMsgDlgType, TMsgDlgButtons) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
    return mrOk;
  }
  bool ExecuteSaveDialog(TSaveDialog&) override { return false; }
  bool ExecuteOpenDialog(TOpenDialog&) override { return false; }
  bool ExecutePrintDialog(TPrintDialog&) override { return false; }
  bool ExecutePrinterSetupDialog(TPrinterSetupDialog&) override { return false; }
};

char Checksum(const std::string& s) {
  int sum = 0;
  for (char c : s) sum += c >= '0' && c <= '9' ? c - '0' : c == '-' ? 1 : 0;
  return static_cast<char>('0' + sum % 10);
}

// n geostationary element sets (epoch 1 December 2026) whose longitudes cover 80 W to 90 E.
void WriteElements(const fs::path& file, int n) {
  std::ofstream f(file, std::ios::binary);
  for (int i = 1; i <= n; ++i) {
    char l1[80], l2[80], name[32];
    // Mean anomaly + RAAN + perigee = sidereal angle + longitude at epoch; spread the sum.
    const double spread = 170.0 * (i - 1) / (n - 1);
    std::snprintf(name, sizeof name, "GEO %04d", i);
    std::snprintf(l1, sizeof l1, "1 %05dU 26001A   26335.50000000  .00000000  00000-0  00000-0 0  999", 20000 + i);
    std::snprintf(l2, sizeof l2, "2 %05d %8.4f %8.4f %07d %8.4f %8.4f %11.8f    1", 20000 + i, 0.05 + (i % 7) * 0.3,
                  85.0, 200, 123.4, 260.0 + spread - 360.0 * (260.0 + spread >= 360.0), 1.00273791);
    std::string a(l1), b(l2);
    a.resize(68, ' ');
    b.resize(68, ' ');
    f << name << "\r\n" << a << Checksum(a) << "\r\n" << b << Checksum(b) << "\r\n";
  }
}

struct TSetup {
  int satellites = 0;
  fs::path dir;
  TSilentPrompts prompts;
  std::unique_ptr<TVelmarProgram> program;
  TSatForm* form = nullptr;
  ~TSetup() {
    program.reset();
    SetUiPrompts(nullptr);
    SetProgramFileName("");
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
  }
};

// The application and the started program; closed by main before it returns (at exit, global
// objects of the toolkit that the window still uses are already gone).
std::unique_ptr<QApplication> gApp;
std::unique_ptr<TSetup> gSetup;

// The program started on a list of n satellites (the one of the last call is closed first).
TSetup* Setup(int n) {
  if (gSetup && gSetup->satellites == n) return gSetup->form ? gSetup.get() : nullptr;
  gSetup.reset();
  if (!gApp) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_tracker_tick";
    static char* argv[] = {name, nullptr};
    gApp = std::make_unique<QApplication>(argc, argv);
    InstallFontSubstitutions();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  gSetup = std::make_unique<TSetup>();
  gSetup->satellites = n;
  std::string tmpl = (fs::temp_directory_path() / "velmar-tick-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) return nullptr;
  gSetup->dir = tmpl;
  const char* env = std::getenv("VELMAR_BIN");
  std::error_code ec;
  const std::string bin =
      env ? env : (fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "bin").string();
  setenv("VELMAR_REGISTRY", (gSetup->dir / "registry.reg").c_str(), 1);
  setenv("VELMAR_SYSTEM_DIR", bin.c_str(), 1);
  fs::create_directories(gSetup->dir / "Keps");
  WriteElements(gSetup->dir / "Keps" / "bench.txt", n);
  std::ofstream(gSetup->dir / "Velmar.ini", std::ios::binary)
      << "[Update]\r\nAutoUpdate=0\r\n[Misc]\r\nFilterKu=0\r\nFilterVis=0\r\n[Files]\r\nTwoLineFile="
      << (gSetup->dir / "Keps" / "bench.txt").string() << "\r\n";
  SetProgramFileName((gSetup->dir / "Velmar").string());
  SetUiPrompts(&gSetup->prompts);

  gSetup->program = std::make_unique<TVelmarProgram>();
  const char* args[] = {"Velmar"};
  TSatForm* form = gSetup->program->Start(1, args);
  form->resize(1000, 700);
  form->show();
  QApplication::processEvents();
  // The stepped clock from a fixed moment, so that every run draws the same pictures.
  for (QCheckBox* box : {form->LocRealTimeCheckBox, form->InfoRealTimeCheckBox, form->ObstRealTimeCheckBox}) {
    const QSignalBlocker block(box);
    box->setChecked(false);
  }
  form->InfoDatePicker->SetValue(EncodeDate(2026, 12, 8) + 0.5 + OffsetFromUTC());
  form->DateTimePickerChange(form->InfoDatePicker);  // refills the lists on the Sat Info page
  form->MainPageControl->setCurrentWidget(form->ClarkeTabSheet);
  if (form->SatListBox->count() < n) {
    std::fprintf(stderr, "only %d satellites listed\n", form->SatListBox->count());
    return nullptr;
  }
  gSetup->form = form;
  return gSetup.get();
}

void BM_ClarkeBeltTick(benchmark::State& state) {
  TSetup* s = Setup(static_cast<int>(state.range(0)));
  if (!s) {
    state.SkipWithError("the program could not be started with the orbit library");
    return;
  }
  for (auto _ : state) {
    s->form->ClockTimerTimer();  // a minute later each round
    benchmark::DoNotOptimize(ClarkeBelt);
  }
  state.counters["satellites"] = s->form->SatListBox->count();
  int drawn = 0;  // above the horizon, so drawn with a disc, a leader line and a name
  for (int i = 0; i < s->form->SatListBox->count(); ++i) {
    const TSat* sat = Sats->FindSat(s->form->SatListBox->item(i)->text().toStdString());
    drawn += sat->SatPos.Visible && sat->SatPos.Elevation > 0;
  }
  state.counters["drawn"] = drawn;
}
BENCHMARK(BM_ClarkeBeltTick)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  gSetup.reset();
  gApp.reset();
  benchmark::Shutdown();
  return 0;
}

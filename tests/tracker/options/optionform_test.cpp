// The options dialog, headless: creation with the automatic update, the buttons, the pickers,
// the fonts and the resolution box. Message boxes and pickers answer through test doubles.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#ifdef VELMAR_HAVE_QPA
#include <qpa/qwindowsysteminterface.h>
#endif

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "inifile.h"
#include "log.h"
#include "optionform.h"
#include "programpath.h"
#include "prompts.h"
#include "testserver.h"
#include "testutil.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "options_tests";
  static char* argv[] = {name, nullptr};
  // Left to the operating system at exit: destroying it after Qt's own statics crashes.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

class TFakePrompts : public IUiPrompts {
 public:
  int MessageDlg(const std::string& text, TMsgDlgType, TMsgDlgButtons) override {
    Messages.push_back(text);
    return mrOk;
  }
  bool ExecuteSaveDialog(TSaveDialog&) override { return false; }
  bool ExecuteOpenDialog(TOpenDialog& dialog) override {
    Opened.push_back(dialog);
    if (OpenAnswer.empty()) return false;
    dialog.FileName = OpenAnswer;
    return true;
  }
  bool ExecutePrintDialog(TPrintDialog&) override { return false; }
  bool ExecutePrinterSetupDialog(TPrinterSetupDialog&) override { return false; }
  std::vector<std::string> Messages;
  std::vector<TOpenDialog> Opened;
  std::string OpenAnswer;
};

class TFakeDialogs : public IOptionFormDialogs {
 public:
  bool SelectFolder(QWidget*, const std::string& title, const std::string& root, std::string& folder) override {
    FolderTitle = title;
    FolderRoot = root;
    if (FolderAnswer.empty()) return false;
    folder = FolderAnswer;
    return true;
  }
  bool ChooseFont(QWidget*, TFontSpec& font, const std::function<void(const TFontSpec&)>& apply) override {
    ++FontCalls;
    FontStart = font;
    HadApply = static_cast<bool>(apply);
    if (apply && ApplyWith) apply(*ApplyWith);
    if (!Confirm) return false;
    font = *Confirm;
    return true;
  }
  std::string FolderTitle, FolderRoot, FolderAnswer;
  int FontCalls = 0;
  TFontSpec FontStart;
  bool HadApply = false;
  std::optional<TFontSpec> ApplyWith, Confirm;
};

class OptionFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    LogList.clear();
    SetProgramFileName(dir.file("Velmar"));
    std::filesystem::create_directory(dir.file("Keps"));
    Options = new TOptions(dir.file("Velmar.ini"));
    Options->TwoLineFile = dir.file("Keps/geo.txt");
    Options->GeoLogFile = dir.file("geo.log");
    Options->SatCsvFile = dir.file("sats.csv");
    Options->CountryFolder = dir.file("Countries");
    Options->TwoLineUrl1 = server.Url("/NORAD/elements/geo.txt");
    Options->TwoLineUrl2 = server.Url("/NORAD/elements/stations.txt");
    Options->TwoLineUrl3 = "";
    Options->GeoLogUrl = server.Url("/space/logs/geo.log");
    server.Route("/NORAD/elements/geo.txt", {200, kTiangongSet});
    server.Route("/NORAD/elements/stations.txt", {200, kIssSet});
    server.Route("/space/logs/geo.log", {200, GeoLogLine()});
    WriteBytes(Options->TwoLineFile, "old elements\r\n");
    WriteBytes(Options->GeoLogFile, "old log\r\n");
    previous = SetUiPrompts(&prompts);
  }
  void TearDown() override {
    form.reset();
    delete Options;
    Options = nullptr;
    SetUiPrompts(previous);
    SetProgramFileName("");
  }
  void Create() {
    form = std::make_unique<TOptionForm>([this](QObject* sender) {
      EXPECT_EQ(sender, form.get() ? static_cast<QObject*>(form.get()) : sender);
      if (throwInHandler) throw std::runtime_error("handler failed");
      reloads.push_back(Options->FilesChanged);
      Options->FilesChanged = false;  // the main window reloads and clears the flag
    });
    form->SetDialogs(&dialogs);
  }
  std::vector<std::string> RequestedPaths() const {
    std::vector<std::string> paths;
    for (const auto& r : server.Requests()) paths.push_back(r.Path);
    return paths;
  }
  std::vector<std::string> LogMessages() const {
    std::vector<std::string> messages;
    for (const std::string& line : LogList) {
      const size_t pos = line.find("  ");
      messages.push_back(pos == std::string::npos ? line : line.substr(pos + 2));
    }
    return messages;
  }
  bool Logged(const std::string& message) const {
    for (const std::string& m : LogMessages())
      if (m == message) return true;
    return false;
  }
  void SetAgeDays(const std::string& file, double days) { SetFileTime(file, UnixNow() - days * 86400); }

  TTempDir dir;
  TTestServer server;
  TFakePrompts prompts;
  TFakeDialogs dialogs;
  IUiPrompts* previous = nullptr;
  std::unique_ptr<TOptionForm> form;
  std::vector<bool> reloads;  // FilesChanged at each call of the handler
  bool throwInHandler = false;
};

TEST_F(OptionFormTest, CreationDownloadsDueElementFilesThenLoadsTheData) {
  SetAgeDays(Options->TwoLineFile, 8);
  SetAgeDays(Options->GeoLogFile, 1);
  Options->FilesChanged = false;
  Create();
  EXPECT_EQ(RequestedPaths(), (std::vector<std::string>{"/NORAD/elements/geo.txt", "/NORAD/elements/stations.txt"}));
  EXPECT_EQ(ReadBytes(dir.file("Keps/geo.txt")), CrLf(kTiangongSet));
  EXPECT_EQ(ReadBytes(dir.file("Keps/stations.txt")), CrLf(kIssSet));
  EXPECT_EQ(ReadBytes(dir.file("geo.log")), "old log\r\n");
  EXPECT_EQ(reloads, std::vector<bool>{true});
  EXPECT_EQ(form->windowTitle(), "stations.txt Updated");
  EXPECT_TRUE(prompts.Messages.empty());
  const std::vector<std::string> log = LogMessages();
  const std::vector<std::string> tail(log.end() - 5, log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"Setting OnChange Handler", "OnChange Handler set", "Apply Changes",
                                             "OnChange Handler Activated", "Changes Applied"}));
  EXPECT_TRUE(Logged("Creating Option Form"));
}

TEST_F(OptionFormTest, CreationDownloadsOnlyWhatIsDue) {
  struct Case {
    double elementAgeDays, logAgeDays;
    std::vector<std::string> requested;
  };
  const std::vector<std::string> elements = {"/NORAD/elements/geo.txt", "/NORAD/elements/stations.txt"};
  const Case cases[] = {
      {6.9, 1, {}},
      {7 - 60.0 / 86400, 119, {}},
      {8, 121, {elements[0], elements[1], "/space/logs/geo.log"}},
      {1, 121, {"/space/logs/geo.log"}},
  };
  size_t seen = 0;
  for (const Case& c : cases) {
    SetAgeDays(Options->TwoLineFile, c.elementAgeDays);
    SetAgeDays(Options->GeoLogFile, c.logAgeDays);
    Create();
    const std::vector<std::string> all = RequestedPaths();
    EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(seen), all.end()), c.requested)
        << c.elementAgeDays << " / " << c.logAgeDays;
    seen = all.size();
    form.reset();
  }
}

TEST_F(OptionFormTest, NoDownloadsWithoutAutoUpdate) {
  std::filesystem::remove(Options->TwoLineFile);
  std::filesystem::remove(Options->GeoLogFile);
  Options->AutoUpdate = false;
  Create();
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_EQ(reloads.size(), 1u);
}

TEST_F(OptionFormTest, AMissingElementFolderReportsEachDownloadAndStartGoesOn) {
  Options->TwoLineFile = dir.file("NoKeps/geo.txt");
  SetAgeDays(Options->GeoLogFile, 1);
  Create();
  // Each box names the file and, on a line of its own, why it could not be written.
  const std::string why = "\rno such file or directory";
  EXPECT_EQ(prompts.Messages, (std::vector<std::string>{"Error saving file\r" + dir.file("NoKeps/geo.txt") + why,
                                                         "Error saving file\r" + dir.file("NoKeps/stations.txt") + why}));
  EXPECT_FALSE(std::filesystem::exists(dir.file("NoKeps")));
  EXPECT_EQ(reloads.size(), 1u);
}

TEST_F(OptionFormTest, DownloadButtonsFollowRedirectsAndKeepFilesOnErrors) {
  SetAgeDays(Options->TwoLineFile, 1);
  SetAgeDays(Options->GeoLogFile, 1);
  Create();
  server.Route("/moved", {302, "", "/NORAD/elements/stations.txt"});
  form->Kep2WebComboBox->setEditText(QString::fromStdString(server.Url("/moved")));
  form->Kep2WebButton->click();
  EXPECT_EQ(ReadBytes(dir.file("Keps/moved")), CrLf(kIssSet));
  EXPECT_TRUE(Options->FilesChanged);

  Options->FilesChanged = false;
  form->GeoLogWebEdit->setText(QString::fromStdString(server.Url("/space/logs/none/geo.log")));
  form->GeoLogWebButton->click();
  // The box's text, and the reason on a second line.
  ASSERT_EQ(prompts.Messages.size(), 1u);
  EXPECT_EQ(prompts.Messages[0].rfind("Error retrieving file geo.log\r", 0), 0u) << prompts.Messages[0];
  EXPECT_NE(prompts.Messages[0].find("404"), std::string::npos) << prompts.Messages[0];
  EXPECT_EQ(ReadBytes(Options->GeoLogFile), "old log\r\n");
  EXPECT_FALSE(Options->FilesChanged);
}

TEST_F(OptionFormTest, FailedDownloadsNameTheReasonOnASecondLine) {
  SetAgeDays(Options->TwoLineFile, 1);
  SetAgeDays(Options->GeoLogFile, 1);
  Create();
  int closedPort = 0;
  {
    TTestServer gone;  // a port that nobody listens on once the server has stopped
    closedPort = gone.Port();
  }
  server.Route("/empty/geo.log", {200, ""});
  const struct {
    std::string url;
    std::string reasonPart;  // part of the second line ("" when any reason will do)
  } cases[] = {
      {server.Url("/missing/geo.log"), "404"},
      {server.Url("/empty/geo.log"), ""},
      {"http://127.0.0.1:" + std::to_string(closedPort) + "/geo.log", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    prompts.Messages.clear();
    form->GeoLogWebEdit->setText(QString::fromStdString(c.url));
    form->GeoLogWebButton->click();
    ASSERT_EQ(prompts.Messages.size(), 1u);
    const std::string& m = prompts.Messages[0];
    const std::string first = "Error retrieving file geo.log\r";
    ASSERT_EQ(m.rfind(first, 0), 0u) << m;
    const std::string reason = m.substr(first.size());
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(reason.find('\r'), std::string::npos) << m;
    EXPECT_NE(reason.find(c.reasonPart), std::string::npos) << m;
    EXPECT_EQ(ReadBytes(Options->GeoLogFile), "old log\r\n");
  }
}

// A reply that is not data of its kind leaves the file in place and says why; a compressed
// reply is stored decoded.
TEST_F(OptionFormTest, OnlyRepliesHoldingDataReplaceTheFiles) {
  SetAgeDays(Options->TwoLineFile, 1);
  SetAgeDays(Options->GeoLogFile, 1);
  Create();
  const QByteArray zlib = qCompress(QByteArray::fromStdString(kIssSet)).mid(4);  // without Qt's length
  TTestServer::TResponse deflated{200, zlib.toStdString()};
  deflated.ContentEncoding = "deflate";
  TTestServer::TResponse unknownEncoding{200, "xx"};
  unknownEncoding.ContentEncoding = "x-velmar";
  const std::string lf = kIssSet;
  const struct {
    std::string path;  // under the server; the last part names the file
    TTestServer::TResponse reply;
    std::string reason;  // "" when the reply replaces the file
  } cases[] = {
      {"/hello/geo.txt", {200, "hello"}, "no element sets in the reply"},
      {"/page/geo.txt", {200, "<html><body>moved</body></html>\n"}, "no element sets in the reply"},
      {"/short/geo.txt", {200, "ISS\n1 25544U\n2 25544\n"}, "no element sets in the reply"},
      {"/othernumber/geo.txt", {200, lf.substr(0, lf.rfind("25544")) + "25545" + lf.substr(lf.rfind("25544") + 5)},
       "no element sets in the reply"},
      {"/log/geo.log", {200, "hello\n"}, "no geostationary log lines in the reply"},
      {"/encoding/geo.txt", unknownEncoding, ""},  // refused by the request: any reason will do
      {"/deflate/geo.txt", deflated, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    prompts.Messages.clear();
    server.Route(c.path, c.reply);
    const bool log = c.path.find(".log") != std::string::npos;
    const std::string file = log ? Options->GeoLogFile : Options->TwoLineFile;
    const std::string old = log ? "old log\r\n" : "old elements\r\n";
    WriteBytes(file, old);
    Options->FilesChanged = false;
    if (log) {
      form->GeoLogWebEdit->setText(QString::fromStdString(server.Url(c.path)));
      form->GeoLogWebButton->click();
    } else {
      form->Kep1WebComboBox->setEditText(QString::fromStdString(server.Url(c.path)));
      form->Kep1WebButton->click();
    }
    if (c.path == "/deflate/geo.txt") {
      EXPECT_TRUE(prompts.Messages.empty());
      EXPECT_EQ(ReadBytes(file), CrLf(kIssSet));
      EXPECT_TRUE(Options->FilesChanged);
      continue;
    }
    ASSERT_EQ(prompts.Messages.size(), 1u);
    const std::string first = "Error retrieving file " + std::string(log ? "geo.log" : "geo.txt") + "\r";
    EXPECT_EQ(prompts.Messages[0].rfind(first, 0), 0u) << prompts.Messages[0];
    if (!c.reason.empty()) {
      EXPECT_EQ(prompts.Messages[0], first + c.reason);
    }
    EXPECT_EQ(ReadBytes(file), old);
    EXPECT_FALSE(Options->FilesChanged);
  }
}

TEST_F(OptionFormTest, TheEventLoopRunsAndTheCaptionCountsWhileTheServerPauses) {
  SetAgeDays(Options->TwoLineFile, 1);
  SetAgeDays(Options->GeoLogFile, 1);
  Create();
  form->show();
  TTestServer::TResponse slow;
  slow.Body = kIssSet + std::string(20000, 'x') + "\n";
  // Half the body, then the rest only once the test has seen the event loop turn and the caption
  // count: a frozen loop keeps the gate shut until the server gives up.
  slow.Gate = std::make_shared<std::atomic<bool>>(false);
  server.Route("/slow/stations.txt", slow);
  form->Kep2WebComboBox->setEditText(QString::fromStdString(server.Url("/slow/stations.txt")));

  // A timer of the test counts the turns of the event loop while the download runs, and notes
  // the captions it sees.
  int ticks = 0;
  bool counted = false;
  std::vector<QString> captions;
  QTimer timer;
  timer.setInterval(20);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    ++ticks;
    if (captions.empty() || captions.back() != form->windowTitle()) captions.push_back(form->windowTitle());
    counted = counted || form->windowTitle().endsWith(" Bytes Read");
    if (counted && ticks >= 10) *slow.Gate = true;
  });
  timer.start();
  form->Kep2WebButton->click();
  timer.stop();

  EXPECT_TRUE(*slow.Gate) << ticks << " turns, " << captions.size() << " captions";
  EXPECT_EQ(form->windowTitle(), "stations.txt Updated");
  EXPECT_EQ(ReadBytes(dir.file("Keps/stations.txt")), CrLf(kIssSet) + std::string(20000, 'x') + "\r\n");
  EXPECT_TRUE(prompts.Messages.empty());
}

// A click on the download button, or its key, given while the download runs comes in the way the
// window system's input comes; it is dropped, not held back to start a second download afterwards.
TEST_F(OptionFormTest, InputGivenDuringADownloadStartsNoSecondOne) {
#ifndef VELMAR_HAVE_QPA
  GTEST_SKIP() << "the toolkit's window-system interface is not installed";
#else
  SetAgeDays(Options->TwoLineFile, 1);
  SetAgeDays(Options->GeoLogFile, 1);
  Create();
  form->PageControl->setCurrentIndex(1);  // "Update", with the download buttons
  form->show();
  form->activateWindow();
  QApplication::processEvents();
  ASSERT_TRUE(form->Kep2WebButton->isVisible());
  QWindow* window = form->windowHandle();
  ASSERT_NE(window, nullptr);
  const QPointF at = form->Kep2WebButton->mapTo(form.get(), QPointF(form->Kep2WebButton->rect().center()));
  for (const bool key : {false, true}) {
    SCOPED_TRACE(key ? "key" : "click");
    const std::string path = key ? "/held/key.txt" : "/held/click.txt";
    TTestServer::TResponse held;
    held.Body = kIssSet;
    held.Gate = std::make_shared<std::atomic<bool>>(false);
    server.Route(path, held);
    form->Kep2WebComboBox->setEditText(QString::fromStdString(server.Url(path)));
    form->Kep2WebButton->setFocus();
    const auto requests = [&] {
      int n = 0;
      for (const auto& r : server.Requests()) n += r.Path == path;
      return n;
    };
    // Once the request is in, the input, then the rest of the answer.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      if (requests() == 0) return;
      poll.stop();
      for (const QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        if (key)
          QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
              window, t == QEvent::MouseButtonPress ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_Space,
              Qt::NoModifier, " ");
        else
          QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
              window, at, window->mapToGlobal(at), t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
              Qt::LeftButton, t);
      }
      *held.Gate = true;
    });
    poll.start();
    form->Kep2WebButton->click();
    EXPECT_FALSE(poll.isActive());
    QApplication::processEvents();  // whatever input is still waiting
    EXPECT_EQ(requests(), 1);
    EXPECT_EQ(ReadBytes(dir.file("Keps/" + path.substr(6))), CrLf(kIssSet));
  }
#endif
}

TEST_F(OptionFormTest, TheResolutionBoxNormalisesWhenLeftOrOnEnter) {
  SetAgeDays(Options->TwoLineFile, 1);
  SetAgeDays(Options->GeoLogFile, 1);
  Create();
  form->show();
  EXPECT_EQ(form->DpiComboBox->currentText(), "150 Dpi");
  struct Case {
    const char* typed;
    const char* shown;
  };
  const Case cases[] = {{"300dpi", "300 Dpi"}, {"10 Dpi", "25 Dpi"}, {"5000", "1200 Dpi"},
                        {"letters", "150 Dpi"}, {"450 Dpi", "450 Dpi"}, {"250 DPI", "250 Dpi"}};
  QLineEdit* edit = form->DpiComboBox->lineEdit();
  for (const Case& c : cases) {
    form->DpiComboBox->setEditText(QString::fromLatin1(c.typed));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit, &out);
    EXPECT_EQ(form->DpiComboBox->currentText().toStdString(), c.shown) << c.typed;

    form->DpiComboBox->setEditText(QString::fromLatin1(c.typed));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(edit, &enter);
    EXPECT_EQ(form->DpiComboBox->currentText().toStdString(), c.shown) << c.typed;
    EXPECT_TRUE(form->isVisible());  // Enter belongs to the box, not to a default button
  }
  form->DpiComboBox->setEditText("300dpi");
  form->OKButton->click();
  EXPECT_EQ(Options->ImgDpi, 300);
}

TEST_F(OptionFormTest, OnlyDataFilePathsMarkTheFilesForReloading) {
  SetAgeDays(Options->TwoLineFile, 1);
  SetAgeDays(Options->GeoLogFile, 1);
  Create();
  reloads.clear();
  form->CountryFileEdit->setText(QString::fromStdString(dir.file("Places")));
  form->BrowserExecEdit->setText("firefox");
  form->OKButton->click();
  EXPECT_EQ(reloads, std::vector<bool>{false});
  EXPECT_EQ(Options->CountryFolder, dir.file("Places"));
  EXPECT_EQ(Options->BrowserExecutable, "firefox");

  for (QLineEdit* edit : {form->TwoLineEdit, form->GeoLogEdit, form->SatCsvEdit}) {
    reloads.clear();
    const QString before = edit->text();
    edit->setText(before.left(before.size() - 3) + before.right(3).toUpper());  // letter case only
    form->ApplyButton->click();
    EXPECT_EQ(reloads, std::vector<bool>{true}) << edit->objectName().toStdString();
    EXPECT_TRUE(form->ApplyButton->isEnabled());
  }
  EXPECT_EQ(Options->TwoLineFile, dir.file("Keps/geo.TXT"));
}

TEST_F(OptionFormTest, ControlsAreStoredOnlyByOk) {
  SetAgeDays(Options->TwoLineFile, 1);
  SetAgeDays(Options->GeoLogFile, 1);
  Create();
  form->DMSRadioButton->setChecked(true);
  form->Azi360RadioButton->setChecked(true);
  form->ModPolMntCheckBox->setChecked(false);
  form->SaveSettingsCheckBox->setChecked(true);
  form->SaveSatsCsvCheckBox->setChecked(true);
  form->AutoUpdateCheckBox->setChecked(false);
  form->Kep3WebComboBox->setEditText(" http://x/amateur.txt ");
  EXPECT_TRUE(Options->DecimalDegs);
  form->OKButton->click();
  EXPECT_FALSE(Options->DecimalDegs);
  EXPECT_FALSE(Options->AziRelToSouth);
  EXPECT_FALSE(Options->ModifiedPolarMount);
  EXPECT_TRUE(Options->SaveSettings);
  EXPECT_TRUE(Options->SaveSatCsv);
  EXPECT_FALSE(Options->AutoUpdate);
  EXPECT_EQ(Options->TwoLineUrl3, " http://x/amateur.txt ");  // as typed
  EXPECT_EQ(reloads.size(), 2u);
}

TEST_F(OptionFormTest, CancelRestoresEveryControl) {
  SetAgeDays(Options->TwoLineFile, 1);
  SetAgeDays(Options->GeoLogFile, 1);
  Create();
  form->show();
  auto snapshot = [this] {
    std::vector<QString> s;
    for (QLineEdit* e : {form->TwoLineEdit, form->GeoLogEdit, form->SatCsvEdit, form->CountryFileEdit,
                         form->BrowserExecEdit, form->GeoLogWebEdit})
      s.push_back(e->text());
    for (QComboBox* c : {form->Kep1WebComboBox, form->Kep2WebComboBox, form->Kep3WebComboBox, form->DpiComboBox})
      s.push_back(c->currentText());
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             form->AutoUpdateCheckBox, form->SaveSettingsCheckBox, form->SaveSatsCsvCheckBox, form->DDegRadioButton,
             form->DMSRadioButton, form->Azi180RadioButton, form->Azi360RadioButton, form->ModPolMntCheckBox})
      s.push_back(b->isChecked() ? "1" : "0");
    s.push_back(form->ImgFontLabel->text());
    s.push_back(form->PrintFontLabel->text());
    return s;
  };
  const std::vector<QString> before = snapshot();
  for (QLineEdit* e : {form->TwoLineEdit, form->GeoLogEdit, form->SatCsvEdit, form->CountryFileEdit,
                       form->BrowserExecEdit, form->GeoLogWebEdit})
    e->setText("changed");
  for (QComboBox* c : {form->Kep1WebComboBox, form->Kep2WebComboBox, form->Kep3WebComboBox, form->DpiComboBox})
    c->setEditText("changed");
  for (QCheckBox* b : {form->AutoUpdateCheckBox, form->SaveSettingsCheckBox, form->SaveSatsCsvCheckBox,
                       form->ModPolMntCheckBox})
    b->setChecked(!b->isChecked());
  form->DMSRadioButton->setChecked(true);
  form->Azi360RadioButton->setChecked(true);
  dialogs.Confirm = TFontSpec{"Serif", 20, 0, true, true};
  form->ImgFontButton->click();
  form->PrintFontButton->click();
  EXPECT_NE(snapshot(), before);
  form->CancelButton->click();
  EXPECT_EQ(snapshot(), before);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(reloads.size(), 1u);
  EXPECT_EQ(Options->ImgFont.Name, "Verdana");
}

TEST_F(OptionFormTest, ShowingRefreshesTheControls) {
  SetAgeDays(Options->TwoLineFile, 1);
  SetAgeDays(Options->GeoLogFile, 1);
  Create();
  Options->CountryFolder = "/elsewhere";
  form->show();
  EXPECT_EQ(form->CountryFileEdit->text(), "/elsewhere");
  EXPECT_EQ(form->windowTitle(), "Options");
  form->hide();
}

TEST_F(OptionFormTest, DefaultWritesEveryKeyAndApplies) {
  SetAgeDays(Options->TwoLineFile, 1);
  SetAgeDays(Options->GeoLogFile, 1);
  Create();
  form->Kep3WebComboBox->setEditText("http://x/weather.txt");
  form->DefaultButton->click();
  TIniFile ini(dir.file("Velmar.ini"));
  EXPECT_EQ(ini.ReadString("Update", "TwoLineUrl3", "-"), "http://x/weather.txt");
  EXPECT_EQ(ini.ReadString("Files", "TwoLineFile", "-"), Options->TwoLineFile);
  EXPECT_EQ(reloads.size(), 2u);
  EXPECT_TRUE(form->DefaultButton->isEnabled());
}

TEST_F(OptionFormTest, AFailedDefaultWriteIsReportedAndTheDialogStaysUsable) {
  delete Options;
  Options = new TOptions(dir.file("missing/Broken.ini"));  // its folder does not exist
  Options->TwoLineFile = dir.file("Keps/geo.txt");
  Options->GeoLogFile = dir.file("geo.log");
  Options->AutoUpdate = false;
  Create();
  form->DefaultButton->click();
  ASSERT_EQ(prompts.Messages.size(), 1u);
  EXPECT_NE(prompts.Messages[0].find("Broken.ini"), std::string::npos);
  EXPECT_TRUE(form->DefaultButton->isEnabled());
  EXPECT_EQ(reloads.size(), 2u);
}

TEST_F(OptionFormTest, AFailingHandlerIsReportedAndApplyStaysEnabled) {
  Options->AutoUpdate = false;
  Create();
  throwInHandler = true;
  form->ApplyButton->click();
  EXPECT_EQ(prompts.Messages, std::vector<std::string>{"handler failed"});
  EXPECT_TRUE(form->ApplyButton->isEnabled());
}

TEST_F(OptionFormTest, TheHandlerIsBoundAndUnbound) {
  Options->AutoUpdate = false;
  Create();
  LogList.clear();
  form->SetOnChange({});
  form->DoChange();
  EXPECT_EQ(LogMessages(), (std::vector<std::string>{"OnChange Handler Not set", "Error activating OnChange Handler"}));
  EXPECT_EQ(reloads.size(), 1u);
  form->SetOnChange([](QObject*) {});
  LogList.clear();
  form.reset();
  EXPECT_EQ(LogMessages(), std::vector<std::string>{"OnChange Handler Not set"});
}

TEST_F(OptionFormTest, TheImageFontAppliesAtOnceThePrintFontOnlyWithOk) {
  Options->AutoUpdate = false;
  Create();
  const TFontSpec applied{"DejaVu Serif", 12, 255, true, false};
  const TFontSpec start = Options->ImgFont;
  dialogs.ApplyWith = applied;
  form->ImgFontButton->click();
  EXPECT_TRUE(dialogs.HadApply);
  EXPECT_EQ(dialogs.FontStart, start);
  EXPECT_EQ(Options->ImgFont, applied);
  EXPECT_EQ(form->ImgFontLabel->text(), "DejaVu Serif");
  EXPECT_EQ(form->ImgFontLabelFont(), applied);
  EXPECT_EQ(reloads.size(), 2u);

  const TFontSpec chosen{"DejaVu Sans Mono", 16, clWindowText, false, true};
  dialogs.Confirm = chosen;
  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
  QApplication::sendEvent(form->PrintFontLabel, &dbl);
  EXPECT_EQ(dialogs.FontCalls, 2);
  EXPECT_FALSE(dialogs.HadApply);
  EXPECT_EQ(dialogs.FontStart, Options->PrintFont);
  EXPECT_EQ(form->PrintFontLabel->text(), "DejaVu Sans Mono");
  EXPECT_NE(Options->PrintFont, chosen);
  form->OKButton->click();
  EXPECT_EQ(Options->PrintFont, chosen);
}

TEST_F(OptionFormTest, PickersFillTheEditsOnly) {
  Options->AutoUpdate = false;
  Create();
  prompts.OpenAnswer = dir.file("Keps/other.tle");
  form->TwoLineButton->click();
  ASSERT_EQ(prompts.Opened.size(), 1u);
  EXPECT_EQ(prompts.Opened[0].Title, "Select File");
  EXPECT_EQ(prompts.Opened[0].Filter, "Text files (*.txt)|*.TXT|Keps files (*.tle)|*.tle|All Files (*.*)|*.*");
  EXPECT_EQ(prompts.Opened[0].FilterIndex, 1);
  EXPECT_EQ(prompts.Opened[0].FileName, Options->TwoLineFile);
  EXPECT_TRUE(prompts.Opened[0].FileMustExist);
  EXPECT_EQ(form->TwoLineEdit->text().toStdString(), dir.file("Keps/other.tle"));
  EXPECT_EQ(Options->TwoLineFile, dir.file("Keps/geo.txt"));

  prompts.OpenAnswer.clear();
  form->GeoLogButton->click();
  form->SatCsvButton->click();
  form->BrowserExecButton->click();
  ASSERT_EQ(prompts.Opened.size(), 4u);
  EXPECT_EQ(prompts.Opened[1].Filter, "Log files (*.log)|*.log|All Files (*.*)|*.*");
  EXPECT_EQ(prompts.Opened[2].Filter, "Csv files (*.csv)|*.csv|All Files (*.*)|*.*");
  EXPECT_EQ(form->GeoLogEdit->text().toStdString(), Options->GeoLogFile);

  dialogs.FolderAnswer = dir.file("Places");
  form->CountryFileButton->click();
  EXPECT_EQ(dialogs.FolderTitle, "Select Country Folder");
  EXPECT_EQ(dialogs.FolderRoot, ProgramFolder());
  EXPECT_EQ(form->CountryFileEdit->text().toStdString(), dir.file("Places"));
  EXPECT_EQ(Options->CountryFolder, dir.file("Countries"));
}

TEST_F(OptionFormTest, TheAddressListFillsTheThreeBoxes) {
  Options->AutoUpdate = false;
  Options->TwoLineUrlList = "http://a/geo.txt,\"http://b/with blank.txt\"";
  Create();
  for (QComboBox* c : {form->Kep1WebComboBox, form->Kep2WebComboBox, form->Kep3WebComboBox}) {
    ASSERT_EQ(c->count(), 2);
    EXPECT_EQ(c->itemText(1), "http://b/with blank.txt");
  }
  EXPECT_EQ(form->Kep1WebComboBox->currentText().toStdString(), Options->TwoLineUrl1);
  form.reset();

  Options->TwoLineUrlList.clear();
  Create();
  EXPECT_EQ(Options->TwoLineUrlList, std::string(DefaultTwoLineUrl1) + "," + DefaultTwoLineUrl2 +
                                         ",http://www.amsat.org/pub/keps.tle");
}

TEST(FolderInside, OnlyTheRootAndItsSubfolders) {
  EXPECT_TRUE(FolderInside("/opt/velmar", "/opt/velmar/"));
  EXPECT_TRUE(FolderInside("/opt/velmar/Countries", "/opt/velmar/"));
  EXPECT_FALSE(FolderInside("/opt/velmar2", "/opt/velmar/"));
  EXPECT_FALSE(FolderInside("/opt/velmar/../etc", "/opt/velmar/"));
}

}  // namespace

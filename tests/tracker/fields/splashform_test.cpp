// The about box: version line, hover texts and clicks on the credit labels.
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMouseEvent>

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "options.h"
#include "prompts.h"
#include "splashform.h"

namespace {

void EnsureApp() {
  static int argc = 1;
  static char name[] = "fields_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = qApp ? nullptr : new QApplication(argc, argv);
  (void)app;
}

// Keeps the texts of the message boxes and answers none.
class TRecordedMessages : public IUiPrompts {
 public:
  int MessageDlg(const std::string& text, TMsgDlgType, TMsgDlgButtons) override {
    Texts.push_back(text);
    return mrOk;
  }
  bool ExecuteSaveDialog(TSaveDialog&) override { return false; }
  bool ExecuteOpenDialog(TOpenDialog&) override { return false; }
  bool ExecutePrintDialog(TPrintDialog&) override { return false; }
  bool ExecutePrinterSetupDialog(TPrinterSetupDialog&) override { return false; }
  std::vector<std::string> Texts;
};

struct TStart {
  std::string Program;
  std::vector<std::string> Args;
  std::string Folder;
};

class SplashFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApp();
    form = std::make_unique<TSplashForm>();
    form->StartProgram = [this](const std::string& p, const std::vector<std::string>& a, const std::string& f) {
      starts.push_back({p, a, f});
      return true;
    };
  }
  std::vector<QLabel*> Credits() const {
    return {form->OrbitCoreLabel, form->OrbitLibLabel, form->AstroLabel, form->GeoLogLabel};
  }
  std::unique_ptr<TSplashForm> form;
  std::vector<TStart> starts;
};

TEST_F(SplashFormTest, CaptionsAndVersion) {
  EXPECT_EQ(form->windowTitle().toStdString(), "About Umbrisk");
  EXPECT_EQ(form->TitleLabel->text().toStdString(), "Skyrill");
  EXPECT_EQ(form->VersionLabel->text().toStdString(), "Version 0.4");
  form->VersionLabel->setText("Version 9");
  form->FormCreate();
  EXPECT_EQ(form->VersionLabel->text().toStdString(), "Version 0.4");
  for (QLabel* l : Credits()) {
    EXPECT_EQ(l->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(l->toolTip().startsWith("https://")) << l->objectName().toStdString();
  }
  EXPECT_TRUE(form->AuthorLabel->toolTip().startsWith("https://"));
}

TEST_F(SplashFormTest, HoverTextStaysUntilAnotherCreditIsHovered) {
  std::vector<QString> texts;
  for (QLabel* l : Credits()) {
    // Through the real pointer events.
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(l, &enter);
    const QString shown = form->InfoLabel->text();
    EXPECT_FALSE(shown.isEmpty()) << l->objectName().toStdString();
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(l, &leave);
    EXPECT_EQ(form->InfoLabel->text(), shown);
    for (const QString& t : texts) EXPECT_NE(t, shown);
    texts.push_back(shown);
  }
  form->LabelMouseEnter(form->AuthorLabel);
  EXPECT_EQ(form->InfoLabel->text(), form->AuthorLabel->toolTip());
  form->LabelMouseEnter(form->ThanksLabel);
  EXPECT_TRUE(form->InfoLabel->text().isEmpty());
}

TEST_F(SplashFormTest, ClickStartsTheBrowserOfTheSettings) {
  // Without settings: the desktop's opener.
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  form->GeoLogLabel->resize(100, 20);
  QApplication::sendEvent(form->GeoLogLabel, &release);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].Program, "xdg-open");
  ASSERT_EQ(starts[0].Args.size(), 1u);
  EXPECT_EQ(starts[0].Args[0], form->ClickAddressOf(form->GeoLogLabel));
  EXPECT_NE(starts[0].Args[0], form->GeoLogLabel->toolTip().toStdString());  // the publication
  EXPECT_EQ(starts[0].Folder, ".");

  std::string folder = (std::filesystem::temp_directory_path() / "velmar-splash-XXXXXX").string();
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  const auto ini = std::filesystem::path(folder) / "Velmar.ini";
  {
    TOptions options(ini.string());
    options.BrowserExecutable = "firefox";
    Options = &options;
    form->NameLabelClick(form->AuthorLabel);
    Options = nullptr;
  }
  std::filesystem::remove_all(folder);
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[1].Program, "firefox");
  EXPECT_EQ(starts[1].Args[0], form->AuthorLabel->toolTip().toStdString());

  // Labels without an address, a right click and a browser that fails change nothing in the box;
  // a browser that does not start is reported.
  form->NameLabelClick(form->ThanksLabel);
  QMouseEvent right(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::RightButton, Qt::NoButton,
                    Qt::NoModifier);
  QApplication::sendEvent(form->AstroLabel, &right);
  EXPECT_EQ(starts.size(), 2u);
  TRecordedMessages messages;
  IUiPrompts* previous = SetUiPrompts(&messages);
  const std::function<bool()> failures[] = {[]() -> bool { throw std::runtime_error("no browser"); },
                                           [] { return false; }};
  for (const auto& fail : failures) {
    messages.Texts.clear();
    form->StartProgram = [&](const std::string&, const std::vector<std::string>&, const std::string&) { return fail(); };
    form->LabelMouseEnter(form->AstroLabel);
    const QString info = form->InfoLabel->text();
    form->AstroLabel->resize(100, 20);
    EXPECT_NO_THROW(QApplication::sendEvent(form->AstroLabel, &release));
    EXPECT_EQ(form->InfoLabel->text(), info);
    EXPECT_TRUE(form->isHidden());
    ASSERT_EQ(messages.Texts.size(), 1u);
    EXPECT_EQ(messages.Texts[0].rfind("Unable to start the browser program xdg-open\r", 0), 0u) << messages.Texts[0];
    EXPECT_NE(messages.Texts[0].find(form->ClickAddressOf(form->AstroLabel)), std::string::npos)
        << messages.Texts[0];
  }
  SetUiPrompts(previous);
}

}  // namespace

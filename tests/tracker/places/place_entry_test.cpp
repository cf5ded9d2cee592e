// The observer place entry of the running main window: loading the place list on entering the
// city or country box, picking and confirming a city, changing the country (with and without
// its file), the typed observer fields, and the web-page button.
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "log.h"
#include "options.h"
#include "program.h"
#include "qtext.h"
#include "sat.h"
#include "satmain.h"
#include "sats.h"
#include "uitestutil.h"

using namespace uitest;
namespace fs = std::filesystem;

namespace {

struct TBrowserCall {
  std::string Program;
  std::vector<std::string> Args;
  std::string Folder;
};

std::string PlaceLine(const std::string& lat, const std::string& lon, const std::string& dsg,
                      const std::string& adm1, const std::string& name) {
  const std::vector<std::string> f = {"1", "-1", "-2", lat, lon, "", "", "", "", "P", dsg, "", "TL", adm1, "", "",
                                      "", "N", "", "", "", "S", name, name, "2025-01-01"};
  std::string s;
  for (size_t i = 0; i < f.size(); ++i) s += (i ? "\t" : "") + f[i];
  return s + "\r\n";
}

bool LogHas(const std::string& message) {
  for (const std::string& line : LogList)
    if (line.size() >= message.size() && line.compare(line.size() - message.size(), message.size(), message) == 0)
      return true;
  return false;
}

class PlaceEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
    SetUiPrompts(&prompts);
    folder = std::make_unique<TProgramFolder>(
        "[Update]\r\nAutoUpdate=0\r\nNIMAUrl=http://names.example/gns\r\n[Files]\r\nBrowserExecutable=mybrowser\r\n"
        "[Observer]\r\nHomeCountry=Netherlands\r\nHomeCity=Utrecht\r\nObsLat=10\r\nObsLon=20\r\nObsHeight=30\r\n");
    const fs::path countries = folder->File("Countries");
    fs::create_directories(countries);
    fs::copy_file(fs::path(BinFolder()) / "Countries" / "nl.txt", countries / "nl.txt");
    WriteFile(countries / "Countries.txt", "Netherlands=nl\r\nTestland=tl\r\nAtlantis=at\r\n");
    WriteFile(countries / "tl.txt", PlaceLine("-33.5", "-70.25", "PPLC", "1", "Capitol") +
                                        PlaceLine("-30", "-71", "PPL", "1", "Village") +
                                        PlaceLine("-30", "-71", "ADM1", "1", "Heartland"));
    const char* argv[] = {"Velmar"};
    program = std::make_unique<TVelmarProgram>();
    form = program->Start(1, argv);
    ASSERT_NE(form, nullptr);
    form->StartBrowser = [this](const std::string& p, const std::vector<std::string>& a, const std::string& f) {
      calls.push_back({p, a, f});
      return browserStarts;
    };
  }
  void TearDown() override {
    if (form) form->CurrentSat = nullptr;
    program.reset();
    folder.reset();
    SetUiPrompts(nullptr);
  }

  static void Focus(QWidget* w, QEvent::Type type, Qt::FocusReason reason = Qt::TabFocusReason) {
    QFocusEvent e(type, reason);
    QApplication::sendEvent(w, &e);
  }
  std::string Province() const { return AnsiStr(form->ProvinceLabel->text()); }

  TScriptedPrompts prompts;
  std::unique_ptr<TProgramFolder> folder;
  std::unique_ptr<TVelmarProgram> program;
  TSatForm* form = nullptr;
  std::vector<TBrowserCall> calls;
  bool browserStarts = true;
};

}  // namespace

TEST_F(PlaceEntryTest, EnteringTheCountryBoxLoadsThePlaces) {
  for (const char* name : {"CityComboBox", "CountryComboBox", "ProvinceLabel", "LocObsHeightEdit"})
    EXPECT_TRUE(form->LocationTabSheet->isAncestorOf(form->findChild<QWidget*>(name))) << name;
  EXPECT_EQ(form->CityComboBox->maxVisibleItems(), 20);
  EXPECT_EQ(form->GnsList, nullptr);  // not loaded before a box is entered
  const QString caption = form->windowTitle();
  Focus(form->CountryComboBox, QEvent::FocusIn, Qt::PopupFocusReason);  // back from a list: no entry
  EXPECT_EQ(form->GnsList, nullptr);
  Focus(form->CountryComboBox, QEvent::FocusIn);
  ASSERT_NE(form->GnsList, nullptr);
  EXPECT_EQ(form->CityComboBox->count(), 1575);
  EXPECT_EQ(AnsiStr(form->CityComboBox->itemText(0)), form->GnsList->Strings(0));
  EXPECT_EQ(form->CityComboBox->currentText(), "Utrecht");  // the box keeps the city it shows
  // The time the loading took, on a busy machine a second or more.
  EXPECT_TRUE(std::regex_match(Province(), std::regex("Loaded 1575 cities in [0-9]+s\\."))) << Province();
  EXPECT_EQ(form->windowTitle(), caption);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  ASSERT_EQ(form->CountryComboBox->count(), 3);
  EXPECT_EQ(form->CountryComboBox->itemText(0), "Atlantis");  // sorted
  EXPECT_EQ(form->CountryComboBox->currentText(), "Netherlands");

  const TGnsList* list = form->GnsList.get();
  Focus(form->CityComboBox, QEvent::FocusIn);  // loaded once
  EXPECT_EQ(form->GnsList.get(), list);
}

TEST_F(PlaceEntryTest, PickingACitySetsTheObserver) {
  form->CityComboBoxEnter(form->CityComboBox);
  form->CityComboBox->setCurrentIndex(-1);
  form->CityComboBoxChange(form->CityComboBox);  // nothing selected: nothing happens
  EXPECT_DOUBLE_EQ(Options->ObsLat, 10);

  const int amsterdam = form->CityComboBox->findText("Amsterdam (Capital)");
  ASSERT_GE(amsterdam, 0);
  form->CityComboBox->setCurrentIndex(amsterdam);
  emit form->CityComboBox->activated(amsterdam);  // chosen from the list
  EXPECT_NEAR(Options->ObsLat, 52.37403, 1e-12);
  EXPECT_NEAR(Options->ObsLon, 4.88969, 1e-12);
  EXPECT_EQ(Options->ObsHeight, 1e-6);  // whatever height was typed before
  EXPECT_EQ(Options->HomeCity, "Amsterdam (Capital)");
  EXPECT_EQ(Province(), "Noord-Holland");
  EXPECT_EQ(form->LocObsLonEdit->text(), QString::fromUtf8("4.890° E"));
  EXPECT_EQ(form->LocObsHeightEdit->text(), "0");
  EXPECT_NEAR(Sats->ObsLon, 4.88969, 1e-12);
}

TEST_F(PlaceEntryTest, LeavingTheCityBox) {
  form->CityComboBoxEnter(form->CityComboBox);
  form->CityComboBox->setEditText("Nowhere");
  form->CityComboBox->showPopup();
  form->CityComboBox->hidePopup();  // closing the list confirms the name, once the choice is made
  EXPECT_NE(Province(), "Unknown");
  QCoreApplication::processEvents();
  EXPECT_EQ(Province(), "Unknown");
  form->ProvinceLabel->clear();
  Focus(form->CityComboBox, QEvent::FocusOut);
  EXPECT_EQ(Province(), "Unknown");
  EXPECT_DOUBLE_EQ(Options->ObsLat, 10);
  EXPECT_EQ(Options->HomeCity, "Utrecht");

  form->CityComboBox->setEditText("Utrecht (Province Seat)");
  Focus(form->CityComboBox, QEvent::FocusOut);
  EXPECT_NEAR(Options->ObsLat, 52.09083, 1e-12);
  EXPECT_NEAR(Options->ObsLon, 5.12222, 1e-12);
  EXPECT_EQ(Options->ObsHeight, 1e-6);
  EXPECT_EQ(Options->HomeCity, "Utrecht (Province Seat)");
  EXPECT_EQ(Province(), "Utrecht");
}

TEST_F(PlaceEntryTest, CountryWithoutItsFile) {
  form->CityComboBoxEnter(form->CountryComboBox);
  const TGnsList* list = form->GnsList.get();
  for (const int answer : {mrCancel, mrOk}) {
    prompts.Messages.clear();
    prompts.Answers = {answer};
    form->CountryComboBox->setCurrentIndex(form->CountryComboBox->findText("Atlantis"));
    form->CountryComboBoxChange(form->CountryComboBox);
    ASSERT_EQ(prompts.Messages.size(), 1u);
    const std::string countries = folder->File("Countries").string() + "/";
    EXPECT_EQ(prompts.Messages[0].Text, "Could not find the country file\rfor Atlantis, at.txt.\r"
                                        "Please download the file at.Zip from \rhttp://names.example/gns\r"
                                        "and unzip it to \r" + countries + ".");
    EXPECT_EQ(prompts.Messages[0].Type, TMsgDlgType::Warning);
    EXPECT_EQ(prompts.Messages[0].Buttons, mbOK | mbCancel);
  }
  // Only OK opens the download page.
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].Program, "mybrowser");
  EXPECT_EQ(calls[0].Args, std::vector<std::string>{"http://names.example/gns"});
  EXPECT_EQ(calls[0].Folder, ".");
  EXPECT_EQ(Options->HomeCountry, "Netherlands");
  EXPECT_EQ(form->GnsList.get(), list);

  browserStarts = false;
  prompts.Answers = {mrOk};
  form->CountryComboBoxChange(form->CountryComboBox);
  EXPECT_TRUE(LogHas("Error executing browser mybrowser  http://names.example/gns"));

  Focus(form->CountryComboBox, QEvent::FocusOut);  // the home country is shown again
  EXPECT_EQ(form->CountryComboBox->currentText(), "Netherlands");
}

TEST_F(PlaceEntryTest, AnotherCountryLoadsItsPlaces) {
  form->CityComboBoxEnter(form->CountryComboBox);
  form->CountryComboBox->setCurrentIndex(form->CountryComboBox->findText("Netherlands"));
  form->CountryComboBoxChange(form->CountryComboBox);  // the home country: nothing to do
  EXPECT_EQ(form->GnsList->Count(), 1575u);

  form->CountryComboBox->setCurrentIndex(form->CountryComboBox->findText("Testland"));
  form->CountryComboBoxChange(form->CountryComboBox);
  EXPECT_TRUE(prompts.Messages.empty());
  EXPECT_EQ(Options->HomeCountry, "Testland");
  ASSERT_EQ(form->CityComboBox->count(), 2);
  EXPECT_EQ(form->CityComboBox->itemText(0), "Capitol (Capital)");
  EXPECT_EQ(form->CountryComboBox->currentText(), "Testland");
  EXPECT_DOUBLE_EQ(Options->ObsLat, 10);  // the observer waits for a city

  form->CityComboBox->setEditText("capitol (capital)");
  form->CityComboBoxExit(form->CityComboBox);
  EXPECT_DOUBLE_EQ(Options->ObsLat, -33.5);
  EXPECT_DOUBLE_EQ(Options->ObsLon, -70.25);
  EXPECT_EQ(Options->HomeCity, "capitol (capital)");  // the name as typed
  EXPECT_EQ(Province(), "Heartland");
}

TEST_F(PlaceEntryTest, TypedObserverFields) {
  QLineEdit* lon = form->LocObsLonEdit;
  QLineEdit* lat = form->LocObsLatEdit;
  QLineEdit* height = form->LocObsHeightEdit;
  const struct {
    QLineEdit* Field;
    const char* Text;
    double Stored;  // the setting afterwards (20, 10, 30 when unchanged)
    const char* Shown;
  } cases[] = {
      {lon, "400", 400, "40.000° E"},  // stored as is
      {lon, "-360", 20, "20.000° E"},  // the mark of a text that does not parse
      {lon, "abc", 20, "20.000° E"},
      {lon, " 5.1w ", -5.1, "5.100° W"},
      {lon, "4 54 W", 20, "20.000° E"},  // a compass letter, no minute marks: one number
      {lon, "4:54:00", 4.9, "4.900° E"},
      {lon, "", 0, "0.000°"},
      {lat, "52.083N", 52.083, "52.083° N"},
      {lat, "52d5m", 52 + 5 / 60.0, "52.083° N"},
      {lat, "52d5mN", 52 + 5 / 60.0, "52.083° N"},
      {lat, "12,5", 12 + 5 / 60.0, "12.083° N"},
      {lat, "-33.5", -33.5, "33.500° S"},
      {lat, "52.5°", 52.5, "52.500° N"},
      {lat, "95", 89.999999, "90.000° N"},
      {lat, "", 1e-6, "0.000° N"},
      {height, "0", 1e-6, "0"},
      {height, "123.6", 123.6, "124"},
      {height, "1e999", 30, "30"},
  };
  for (const auto& c : cases) {
    Options->ObsLon = 20;
    Options->SetObsLat(10);
    Options->SetObsHeight(30);
    c.Field->setText(QString::fromUtf8(c.Text));
    form->LocObsEditExit(c.Field);
    const double stored = c.Field == lon ? Options->ObsLon : c.Field == lat ? Options->ObsLat : Options->ObsHeight;
    EXPECT_NEAR(stored, c.Stored, 1e-12) << c.Text;
    EXPECT_EQ(c.Field->text(), QString::fromUtf8(c.Shown)) << c.Text;
  }

  // The Enter key and leaving the field apply it; focus moving to another window does not.
  form->LocObsLatEdit->setText("-45");
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  QApplication::sendEvent(form->LocObsLatEdit, &enter);
  EXPECT_DOUBLE_EQ(Options->ObsLat, -45);
  EXPECT_NEAR(Sats->ObsLat, -45, 1e-12);
  form->LocObsLonEdit->setText("7E");
  Focus(form->LocObsLonEdit, QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  EXPECT_DOUBLE_EQ(Options->ObsLon, 20);
  Focus(form->LocObsLonEdit, QEvent::FocusOut);
  EXPECT_DOUBLE_EQ(Options->ObsLon, 7);
}

TEST_F(PlaceEntryTest, WebPageOfTheShownSatellite) {
  TSat sat;
  sat.SatInfo.URL = "https://sat.example/a b";
  form->CurrentSat = nullptr;
  form->BrowserExecButtonClick(form);
  EXPECT_TRUE(calls.empty());  // no satellite, no page

  form->CurrentSat = &sat;
  if (form->BrowserExecButton)
    form->BrowserExecButton->click();  // the button runs the handler once
  else
    form->BrowserExecButtonClick(form);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].Program, "mybrowser");
  EXPECT_EQ(calls[0].Args, std::vector<std::string>{"https://sat.example/a b"});
  EXPECT_EQ(calls[0].Folder, ".");

  browserStarts = false;
  form->BrowserExecButtonClick(form);
  EXPECT_TRUE(LogHas("Error executing browser mybrowser  https://sat.example/a b"));
  form->CurrentSat = nullptr;
}

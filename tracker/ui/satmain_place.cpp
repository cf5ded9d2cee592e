// The observer's place on the Location page: country and city from the place files, or typed
// longitude, latitude and height; and the Sat Info page's button that opens the shown
// satellite's web page.
#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <functional>
#include <utility>

#include "anglehelpers.h"
#include "log.h"
#include "optionform_text.h"
#include "options.h"
#include "qtext.h"
#include "sat.h"
#include "satmain.h"
#include "shell.h"
#include "texthelpers.h"

namespace {

constexpr double kNoValue = -360;  // an observer field that does not parse
constexpr int kPlaceRows = 20;     // rows of the city and country lists

// A combo box that reports the activation of an item and the closing of its open list (after
// the pick was applied), and keeps whether the user typed or picked a name since it was last
// taken. The toolkit also activates the item matching the box's text whenever the box loses the
// focus (opening its own list included): that alone is no pick. Hiding the box (a page switch,
// the window closing) closes no list and reports nothing.
class TPlaceComboBox : public QComboBox {
 public:
  explicit TPlaceComboBox(QWidget* parent) : QComboBox(parent) {
    connect(this, &QComboBox::activated, this, [this] {
      if (closing_ || stepping_) Chosen = true;
      if (OnPick) OnPick();
    });
  }
  std::function<void()> OnPick;
  std::function<void()> OnCloseUp;
  bool Chosen = false;  // a name typed or picked by the user, not yet taken

  // Typing in the box counts as a choice (the box is editable).
  void WatchTyping() {
    if (QLineEdit* edit = lineEdit()) connect(edit, &QLineEdit::textEdited, this, [this] { Chosen = true; });
  }
  void showPopup() override {
    QComboBox::showPopup();
    open_ = true;
  }
  void hidePopup() override {
    QComboBox::hidePopup();
    if (!open_) return;
    open_ = false;
    closing_ = true;  // the picked item, if any, is activated next
    QMetaObject::invokeMethod(
        this,
        [this] {
          closing_ = false;
          if (OnCloseUp) OnCloseUp();
        },
        Qt::QueuedConnection);
  }

 protected:
  // Stepping through the closed list with the keys or the wheel picks.
  void keyPressEvent(QKeyEvent* event) override {
    const int k = event->key();
    stepping_ = !(event->modifiers() & Qt::AltModifier) &&
                (k == Qt::Key_Up || k == Qt::Key_Down || k == Qt::Key_PageUp || k == Qt::Key_PageDown);
    QComboBox::keyPressEvent(event);
    stepping_ = false;
  }
  void wheelEvent(QWheelEvent* event) override {
    stepping_ = true;
    QComboBox::wheelEvent(event);
    stepping_ = false;
  }

 private:
  bool open_ = false;
  bool closing_ = false;
  bool stepping_ = false;
};

// The user typed or picked a name in the box since it was last taken, or the box shows a name
// other than the home city (set there by the program). `take` clears the mark.
bool CityChosen(QComboBox* box, bool take) {
  auto* place = dynamic_cast<TPlaceComboBox*>(box);
  const bool marked = place && (take ? std::exchange(place->Chosen, false) : place->Chosen);
  return marked || !place || !Options || AnsiStr(box->currentText()) != Options->HomeCity;
}

// Enter and exit of the place controls, and the Enter key in the observer fields. Focus moving
// to a list, a menu or another window is neither.
class TPlaceEvents : public QObject {
 public:
  explicit TPlaceEvents(TSatForm& form) : QObject(&form), form_(form) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::FocusIn:
        if (Counts(event) && (watched == form_.CityComboBox || watched == form_.CountryComboBox))
          Run([&] { form_.CityComboBoxEnter(watched); });
        break;
      case QEvent::FocusOut:
        if (!Counts(event)) break;
        if (watched == form_.CityComboBox)
          Run([&] { form_.CityComboBoxExit(watched); });
        else if (watched == form_.CountryComboBox)
          Run([&] { form_.CountryComboBoxExit(watched); });
        else
          Run([&] { form_.LocObsEditExit(watched); });
        break;
      case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
          char c = 13;
          Run([&] { form_.ObsEditKeyPress(watched, c); });
        }
        break;
      }
      default:
        break;
    }
    return false;
  }

 private:
  static bool Counts(QEvent* event) {
    const Qt::FocusReason r = static_cast<QFocusEvent*>(event)->reason();
    return r != Qt::PopupFocusReason && r != Qt::ActiveWindowFocusReason && r != Qt::MenuBarFocusReason;
  }
  // A handler's failure is logged; it never travels up through the event dispatch.
  template <class F>
  static void Run(F&& handler) {
    try {
      handler();
    } catch (const std::exception& e) {
      WriteLog(std::string("Place entry: ") + e.what());
    } catch (...) {
      WriteLog("Place entry failed");
    }
  }

  TSatForm& form_;
};

// Restores the caption and the cursor when loading the place list ends, however it ends.
class TLoadingCaption {
 public:
  explicit TLoadingCaption(QWidget& window) : window_(window), caption_(window.windowTitle()) {
    window_.setWindowTitle("Loading city data, please wait...");
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~TLoadingCaption() {
    QApplication::restoreOverrideCursor();
    window_.setWindowTitle(caption_);
  }
  TLoadingCaption(const TLoadingCaption&) = delete;
  TLoadingCaption& operator=(const TLoadingCaption&) = delete;

 private:
  QWidget& window_;
  QString caption_;
};

bool loadingPlaces = false;  // a place list is being loaded (pending messages run meanwhile)

QLabel* MakeCaption(const char* text, QWidget* parent) { return new QLabel(text, parent); }

}  // namespace

double ObserverFieldValue(std::string_view text) {
  std::string t = Trim(text);
  if (t.empty()) t = "0";
  double value = kNoValue;
  const bool dms = std::any_of(t.begin(), t.end(), [](char c) {
    const char u = UpCase(c);
    return u == '"' || u == '\'' || u == ',' || u == ':' || u == ';' || u == 'D' || u == 'M';
  });
  const char last = UpCase(t.back());
  try {
    if (dms)
      value = DMSStrToDeg(t);
    else if (last == 'E' || last == 'N' || last == 'O' || last == 'S' || last == 'W' || last == 'Z' ||
             last == DegreeSign)
      value = StrToDeg(t);
    else
      value = StrToFloat(t);
  } catch (const EConvertError&) {
    value = kNoValue;
  }
  return std::isfinite(value) ? value : kNoValue;
}

// ---- controls --------------------------------------------------------------------------------

void TSatForm::BuildPlaceEntry() {
  auto* panel = new QWidget(LocationTabSheet);
  panel->setObjectName("LocPlacePanel");
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(0, 0, 0, 0);

  const auto makeBox = [panel](QComboBox*& box, const char* name) {
    if (box) return;
    auto* b = new TPlaceComboBox(panel);
    b->setObjectName(name);
    b->setEditable(true);
    b->WatchTyping();
    b->setInsertPolicy(QComboBox::NoInsert);
    b->setMaxVisibleItems(kPlaceRows);
    b->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    b->setMinimumContentsLength(18);
    box = b;
  };
  makeBox(CountryComboBox, "CountryComboBox");
  makeBox(CityComboBox, "CityComboBox");
  // The city list drops down with the matching names while a name is typed.
  if (QCompleter* c = CityComboBox->completer()) {
    c->setCompletionMode(QCompleter::PopupCompletion);
    c->setCaseSensitivity(Qt::CaseInsensitive);
    c->setMaxVisibleItems(kPlaceRows);
  }
  if (!ProvinceLabel) {
    ProvinceLabel = new QLabel(panel);
    ProvinceLabel->setObjectName("ProvinceLabel");
  }
  const auto makeEdit = [panel](QLineEdit*& edit, const char* name) {
    if (edit) return;
    edit = new QLineEdit(panel);
    edit->setObjectName(name);
  };
  makeEdit(LocObsLonEdit, "LocObsLonEdit");
  makeEdit(LocObsLatEdit, "LocObsLatEdit");
  makeEdit(LocObsHeightEdit, "LocObsHeightEdit");

  grid->addWidget(MakeCaption("Country:", panel), 0, 0);
  grid->addWidget(CountryComboBox, 0, 1);
  grid->addWidget(MakeCaption("City:", panel), 0, 2);
  grid->addWidget(CityComboBox, 0, 3);
  grid->addWidget(ProvinceLabel, 0, 4, 1, 2);
  grid->addWidget(MakeCaption("Longitude:", panel), 1, 0);
  grid->addWidget(LocObsLonEdit, 1, 1);
  grid->addWidget(MakeCaption("Latitude:", panel), 1, 2);
  grid->addWidget(LocObsLatEdit, 1, 3);
  grid->addWidget(MakeCaption("Height (m):", panel), 1, 4);
  grid->addWidget(LocObsHeightEdit, 1, 5);
  grid->setColumnStretch(6, 1);

  // Below the clock controls when the page is a simple column, otherwise at its end.
  if (auto* column = qobject_cast<QBoxLayout*>(LocationTabSheet->layout())) {
    const int clock = column->indexOf(LocClockPanel);
    column->insertWidget(clock >= 0 ? clock + 1 : column->count(), panel);
  } else if (LocationTabSheet->layout()) {
    LocationTabSheet->layout()->addWidget(panel);
  }

  if (!StartBrowser)
    StartBrowser = [](const std::string& program, const std::vector<std::string>& args, const std::string& folder) {
      return shell::RunProgram(program, args, folder, 0).Started();
    };
}

void TSatForm::ConnectPlaceHandlers() {
  auto* events = new TPlaceEvents(*this);
  for (QWidget* w : std::initializer_list<QWidget*>{CityComboBox, CountryComboBox, LocObsLonEdit, LocObsLatEdit,
                                                    LocObsHeightEdit})
    w->installEventFilter(events);
  connect(CountryComboBox, &QComboBox::activated, this, [this] { CountryComboBoxChange(CountryComboBox); });
  if (auto* city = dynamic_cast<TPlaceComboBox*>(CityComboBox)) {
    city->OnPick = [this] {
      if (CityChosen(CityComboBox, false)) CityComboBoxChange(CityComboBox);
    };
    city->OnCloseUp = [this] { CityComboBoxExit(CityComboBox); };
  } else {
    connect(CityComboBox, &QComboBox::activated, this, [this] { CityComboBoxChange(CityComboBox); });
  }
  if (BrowserExecButton)
    connect(BrowserExecButton, &QToolButton::clicked, this, [this] { BrowserExecButtonClick(BrowserExecButton); });
}

// ---- the place list ----------------------------------------------------------------------------

void TSatForm::CityComboBoxEnter(QObject* /*Sender*/) {
  if (GnsList || loadingPlaces || !Options) return;
  loadingPlaces = true;
  struct TDone {
    ~TDone() { loadingPlaces = false; }
  } done;
  const auto start = std::chrono::steady_clock::now();
  {
    const TLoadingCaption loading(*this);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (!Options) return;  // the program ended meanwhile
    auto list = std::make_unique<TGnsList>(Options->CountryFolder, Options->HomeCountry);

    QStringList places;
    places.reserve(static_cast<qsizetype>(list->Count()));
    for (const TGnsList::TItem& item : list->Items()) places.push_back(QStr(item.Name));
    {
      // The box keeps the city it shows.
      const QSignalBlocker block(CityComboBox);
      const QString city = CityComboBox->currentText();
      CityComboBox->clear();
      CityComboBox->addItems(places);
      CityComboBox->setCurrentIndex(-1);
      CityComboBox->setEditText(city);
    }

    std::vector<std::string> countries = ReadCommaText(list->GetCountryList());
    std::stable_sort(countries.begin(), countries.end(),
                     [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    QStringList countryItems;
    for (const std::string& c : countries) countryItems.push_back(QStr(c));
    {
      const QSignalBlocker block(CountryComboBox);
      CountryComboBox->clear();
      CountryComboBox->addItems(countryItems);
      CountryComboBox->setCurrentIndex(CountryComboBox->findText(QStr(Options->HomeCountry), Qt::MatchFixedString));
    }
    GnsList = std::move(list);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (ProvinceLabel)
    ProvinceLabel->setText(QStr("Loaded " + IntToStr(static_cast<std::int64_t>(GnsList->Count())) + " cities in " +
                                IntToStr(static_cast<std::int64_t>(std::nearbyint(seconds))) + "s."));
}

namespace {
// The observer of the settings at the place.
void SetObserverAt(const TGnsData& place, const std::string& city) {
  Options->ObsLon = place.Lon;
  Options->SetObsLat(place.Lat);
  Options->SetObsHeight(place.Height);
  Options->HomeCity = city;
}
}  // namespace

void TSatForm::CityComboBoxChange(QObject* /*Sender*/) {
  if (!GnsList || !Options) return;
  const int index = CityComboBox->currentIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= GnsList->Count()) return;
  const TGnsData place = GnsList->Objects(static_cast<std::size_t>(index));
  const std::string city = AnsiStr(CityComboBox->currentText());
  ProvinceLabel->setText(QStr(GnsList->GetProvince(city)));
  SetObserverAt(place, city);
  SetOptions();
  LocObsLonEdit->setText(QStr(DegToDirStr("##0.000", true, "EW", Options->ObsLon)));
  LocObsLatEdit->setText(QStr(DegToDirStr("##0.000", true, "NS", Options->ObsLat)));
  LocObsHeightEdit->setText(QStr(FormatFloat("####0", Options->ObsHeight)));
  // The list refresh (sort and filter) follows when the box is left.
  OptionsChanged(CityComboBox);
}

void TSatForm::CityComboBoxExit(QObject* /*Sender*/) {
  // Only a city the user typed or picked sets the observer: leaving the box, or closing its list,
  // with the name it showed keeps a position typed meanwhile.
  if (!Options || !CityChosen(CityComboBox, true)) return;
  const std::string city = AnsiStr(CityComboBox->currentText());
  const long index = GnsList ? GnsList->IndexOf(city) : -1;
  if (index < 0) {
    ProvinceLabel->setText("Unknown");
    return;
  }
  SetObserverAt(GnsList->Objects(static_cast<std::size_t>(index)), city);
  ProvinceLabel->setText(QStr(GnsList->GetProvince(city)));
  SetOptions();
  OptionsChanged(this);
}

void TSatForm::CountryComboBoxChange(QObject* /*Sender*/) {
  if (!GnsList || !Options) return;
  const int index = CountryComboBox->currentIndex();
  if (index < 0) return;
  const std::string country = AnsiStr(CountryComboBox->itemText(index));
  if (country == Options->HomeCountry) return;

  const std::string folder = IncludeTrailingSlash(Options->CountryFolder);
  const std::string base = GnsList->GetCountryFile(country);
  if (!FindPlaceFile(folder, base + ".txt").empty()) {
    GnsList.reset();
    Options->HomeCountry = country;
    CityComboBoxEnter(CountryComboBox);
    return;
  }
  const std::string text = "Could not find the country file\rfor " + country + ", " + base + ".txt" + "." + "\r" +
                           "Please download the file " + base + ".Zip from " + "\r" + Options->NIMAUrl + "\r" +
                           "and unzip it to " + "\r" + folder + ".";
  if (MessageDlg(text, TMsgDlgType::Warning, mbOK | mbCancel) != mrOk) return;
  const std::string browser = Options->BrowserExecutable;
  const std::string url = Options->NIMAUrl;
  bool started = false;
  try {
    started = StartBrowser && StartBrowser(browser, {url}, ".");
  } catch (const std::exception&) {
    started = false;
  }
  if (!started) WriteLog("Error executing browser " + browser + "  " + url);
}

void TSatForm::CountryComboBoxExit(QObject* /*Sender*/) {
  if (!Options) return;
  const QSignalBlocker block(CountryComboBox);
  CountryComboBox->setCurrentIndex(CountryComboBox->findText(QStr(Options->HomeCountry), Qt::MatchFixedString));
}

// ---- typed coordinates -----------------------------------------------------------------------

void TSatForm::LocObsEditExit(QObject* Sender) {
  auto* edit = qobject_cast<QLineEdit*>(Sender);
  if (!edit || !Options || (edit != LocObsLonEdit && edit != LocObsLatEdit && edit != LocObsHeightEdit)) return;
  const double value = ObserverFieldValue(AnsiStr(edit->text()));
  edit->setModified(false);  // taken
  if (value != kNoValue) {
    if (edit == LocObsLonEdit)
      Options->ObsLon = value;
    else if (edit == LocObsLatEdit)
      Options->SetObsLat(value);
    else
      Options->SetObsHeight(value);
    SetOptions();
    OptionsChanged(edit);
  }
  // The field shows what the settings hold; a text that does not parse snaps back.
  if (!Options) return;
  if (edit == LocObsLonEdit)
    edit->setText(QStr(DegToDirStr("##0.000", true, "EW", Options->ObsLon)));
  else if (edit == LocObsLatEdit)
    edit->setText(QStr(DegToDirStr("##0.000", true, "NS", Options->ObsLat)));
  else
    edit->setText(QStr(FormatFloat("####0", Options->ObsHeight)));
}

void TSatForm::ObsEditKeyPress(QObject* Sender, char& Key) {
  if (Key == 13) LocObsEditExit(Sender);
}

// ---- the satellite's web page ----------------------------------------------------------------

void TSatForm::BrowserExecButtonClick(QObject* /*Sender*/) {
  const std::string url = CurrentSat ? CurrentSat->SatInfo.URL : std::string();
  if (url.empty() || !Options) return;  // no page to open (the button is hidden then)
  const std::string browser = Options->BrowserExecutable;
  bool started = false;
  try {
    started = StartBrowser && StartBrowser(browser, {url}, ".");
  } catch (const std::exception&) {
    started = false;
  }
  if (!started) {
    QApplication::beep();
    WriteLog("Error executing browser " + browser + "  " + url);
  }
}

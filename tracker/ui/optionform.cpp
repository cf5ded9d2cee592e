#include "optionform.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

#include "backgroundwork.h"
#include "commatext.h"
#include "download.h"
#include "log.h"
#include "optionform_text.h"
#include "programpath.h"
#include "prompts.h"
#include "qtext.h"
#include "sats.h"

namespace {

// The built-in choices of the three element-set address boxes.
const char* const kBuiltInTwoLineUrls[] = {DefaultTwoLineUrl1, DefaultTwoLineUrl2, "http://www.amsat.org/pub/keps.tle"};
const char* const kDpiItems[] = {"50 Dpi", "75 Dpi", "150 Dpi", "300 Dpi", "450 Dpi", "600 Dpi"};
constexpr const char* kWebHint = "Load the selected file from the internet";

template <class W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

void ShowError(const std::string& text) { MessageDlg(text, TMsgDlgType::Error, mbOK); }

// Re-enables a button however the step that disabled it ends.
struct TEnableAgain {
  QWidget* Widget;
  ~TEnableAgain() { Widget->setEnabled(true); }
};

}  // namespace

TOptionForm::TOptionForm(TChangeHandler onChange, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("OptionForm"));
  setWindowTitle(QStringLiteral("Options"));
  setModal(false);
  BuildControls();
  FormCreate(std::move(onChange));
}

TOptionForm::~TOptionForm() { SetOnChange(TChangeHandler()); }

void TOptionForm::BuildControls() {
  auto* outer = new QVBoxLayout(this);
  PageControl = Named(new QTabWidget(this), "PageControl");
  outer->addWidget(PageControl);

  // ---- Files ----
  auto* filesPage = Named(new QWidget, "FilesTabSheet");
  auto* filesLayout = new QVBoxLayout(filesPage);
  auto* fileGroup = Named(new QGroupBox(QStringLiteral("File Locations"), filesPage), "FileGroupBox");
  auto* fileGrid = new QGridLayout(fileGroup);
  auto addPathRow = [&](int row, const char* label, QLineEdit*& edit, const char* editName, QToolButton*& button,
                        const char* buttonName) {
    fileGrid->addWidget(new QLabel(QLatin1String(label), fileGroup), row, 0);
    edit = Named(new QLineEdit(fileGroup), editName);
    fileGrid->addWidget(edit, row, 1);
    button = Named(new QToolButton(fileGroup), buttonName);
    button->setText(QStringLiteral("..."));
    fileGrid->addWidget(button, row, 2);
  };
  addPathRow(0, "Keppler data:", TwoLineEdit, "TwoLineEdit", TwoLineButton, "TwoLineButton");
  addPathRow(1, "Geo.log:", GeoLogEdit, "GeoLogEdit", GeoLogButton, "GeoLogButton");
  addPathRow(2, "Sats.csv:", SatCsvEdit, "SatCsvEdit", SatCsvButton, "SatCsvButton");
  addPathRow(3, "Country File:", CountryFileEdit, "CountryFileEdit", CountryFileButton, "CountryFileButton");
  addPathRow(4, "Web Browser:", BrowserExecEdit, "BrowserExecEdit", BrowserExecButton, "BrowserExecButton");
  fileGrid->setColumnStretch(1, 1);
  filesLayout->addWidget(fileGroup);
  filesLayout->addStretch();
  PageControl->addTab(filesPage, QStringLiteral("Files"));

  // ---- Update ----
  auto* updatePage = Named(new QWidget, "UpdateTabSheet");
  auto* updateLayout = new QVBoxLayout(updatePage);
  auto* webGroup = Named(new QGroupBox(QStringLiteral("Web Update"), updatePage), "WebGroupBox");
  auto* webGrid = new QGridLayout(webGroup);
  const QIcon downloadIcon = style()->standardIcon(QStyle::SP_ArrowDown);
  auto makeWebButton = [&](const char* name) {
    auto* button = Named(new QToolButton(webGroup), name);
    button->setIcon(downloadIcon);
    button->setToolTip(QLatin1String(kWebHint));
    return button;
  };
  auto addUrlRow = [&](int row, const char* label, QComboBox*& combo, const char* comboName, QToolButton*& button,
                       const char* buttonName) {
    webGrid->addWidget(new QLabel(QLatin1String(label), webGroup), row, 0);
    combo = Named(new QComboBox(webGroup), comboName);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    for (const char* url : kBuiltInTwoLineUrls) combo->addItem(QStr(url));
    webGrid->addWidget(combo, row, 1);
    button = makeWebButton(buttonName);
    webGrid->addWidget(button, row, 2);
  };
  addUrlRow(0, "Keps data 1:", Kep1WebComboBox, "Kep1WebComboBox", Kep1WebButton, "Kep1WebButton");
  addUrlRow(1, "Keps data 2:", Kep2WebComboBox, "Kep2WebComboBox", Kep2WebButton, "Kep2WebButton");
  addUrlRow(2, "Keps data 3:", Kep3WebComboBox, "Kep3WebComboBox", Kep3WebButton, "Kep3WebButton");
  webGrid->addWidget(new QLabel(QStringLiteral("Geo.log:"), webGroup), 3, 0);
  GeoLogWebEdit = Named(new QLineEdit(webGroup), "GeoLogWebEdit");
  webGrid->addWidget(GeoLogWebEdit, 3, 1);
  GeoLogWebButton = makeWebButton("GeoLogWebButton");
  webGrid->addWidget(GeoLogWebButton, 3, 2);
  AutoUpdateCheckBox = Named(new QCheckBox(QStringLiteral("Auto Update Keppler Files"), webGroup), "AutoUpdateCheckBox");
  webGrid->addWidget(AutoUpdateCheckBox, 4, 1);
  webGrid->setColumnStretch(1, 1);
  updateLayout->addWidget(webGroup);
  updateLayout->addStretch();
  PageControl->addTab(updatePage, QStringLiteral("Update"));

  // ---- Misc ----
  auto* miscPage = Named(new QWidget, "MiscTabSheet");
  auto* miscLayout = new QVBoxLayout(miscPage);
  auto* exitGroup = Named(new QGroupBox(QStringLiteral("Exit"), miscPage), "ExitGroupBox");
  auto* exitLayout = new QVBoxLayout(exitGroup);
  SaveSettingsCheckBox = Named(new QCheckBox(QStringLiteral("Save Settings on Exit"), exitGroup), "SaveSettingsCheckBox");
  SaveSatsCsvCheckBox = Named(new QCheckBox(QStringLiteral("Save 'Sats.csv' on Exit"), exitGroup), "SaveSatsCsvCheckBox");
  exitLayout->addWidget(SaveSettingsCheckBox);
  exitLayout->addWidget(SaveSatsCsvCheckBox);
  miscLayout->addWidget(exitGroup);

  auto* formatGroup = Named(new QGroupBox(QStringLiteral("Formats"), miscPage), "FormatGroupBox");
  auto* formatGrid = new QGridLayout(formatGroup);
  formatGrid->addWidget(new QLabel(QStringLiteral("Degrees Format:"), formatGroup), 0, 0);
  DDegRadioButton = Named(new QRadioButton(QStringLiteral("Decimal"), formatGroup), "DDegRadioButton");
  DMSRadioButton = Named(new QRadioButton(QStringLiteral("Degrees, Min. Sec."), formatGroup), "DMSRadioButton");
  DMSRadioButton->setToolTip(QStringLiteral("Degrees, Minutes, Seconds"));
  formatGrid->addWidget(DDegRadioButton, 0, 1);
  formatGrid->addWidget(DMSRadioButton, 0, 2);
  formatGrid->addWidget(new QLabel(QStringLiteral("Azimuth Format:"), formatGroup), 1, 0);
  Azi180RadioButton = Named(new QRadioButton(QStr("180\xB0 East / West"), formatGroup), "Azi180RadioButton");
  Azi180RadioButton->setToolTip(QStr("South = 0\xB0"));
  Azi360RadioButton = Named(new QRadioButton(QStr("360\xB0 "), formatGroup), "Azi360RadioButton");
  Azi360RadioButton->setToolTip(QStr("South = 180\xB0"));
  formatGrid->addWidget(Azi180RadioButton, 1, 1);
  formatGrid->addWidget(Azi360RadioButton, 1, 2);
  auto* degGroup = new QButtonGroup(this);
  degGroup->addButton(DDegRadioButton);
  degGroup->addButton(DMSRadioButton);
  auto* aziGroup = new QButtonGroup(this);
  aziGroup->addButton(Azi180RadioButton);
  aziGroup->addButton(Azi360RadioButton);
  ModPolMntCheckBox = Named(new QCheckBox(QStringLiteral("Modified polar mount"), formatGroup), "ModPolMntCheckBox");
  ModPolMntCheckBox->setToolTip(QStringLiteral("Use Polar Axis Correction Angle for modified polar mount"));
  formatGrid->addWidget(ModPolMntCheckBox, 2, 0, 1, 3);
  miscLayout->addWidget(formatGroup);

  auto* imageGroup = Named(new QGroupBox(QStringLiteral("Image Options"), miscPage), "ImageGroupBox");
  auto* imageGrid = new QGridLayout(imageGroup);
  auto* imgCaption = new QLabel(QStringLiteral("Image Font:"), imageGroup);
  imgCaption->setToolTip(QStringLiteral("Font used for the maps"));
  ImgFontLabel = Named(new QLabel(imageGroup), "ImgFontLabel");
  ImgFontLabel->setToolTip(QStringLiteral("Font used for the maps"));
  ImgFontButton = Named(new QPushButton(QStringLiteral("..."), imageGroup), "ImgFontButton");
  ImgFontButton->setToolTip(QStringLiteral("Font used for the maps"));
  imageGrid->addWidget(imgCaption, 0, 0);
  imageGrid->addWidget(ImgFontLabel, 0, 1);
  imageGrid->addWidget(ImgFontButton, 0, 2);
  auto* printCaption = new QLabel(QStringLiteral("Print Font:"), imageGroup);
  printCaption->setToolTip(QStringLiteral("Font used to print the maps"));
  PrintFontLabel = Named(new QLabel(imageGroup), "PrintFontLabel");
  PrintFontLabel->setToolTip(QStringLiteral("Font used to print the maps"));
  PrintFontButton = Named(new QPushButton(QStringLiteral("..."), imageGroup), "PrintFontButton");
  PrintFontButton->setToolTip(QStringLiteral("Font used to print the maps"));
  imageGrid->addWidget(printCaption, 1, 0);
  imageGrid->addWidget(PrintFontLabel, 1, 1);
  imageGrid->addWidget(PrintFontButton, 1, 2);
  auto* dpiCaption = new QLabel(QStringLiteral("Save Resolution:"), imageGroup);
  DpiComboBox = Named(new QComboBox(imageGroup), "DpiComboBox");
  DpiComboBox->setEditable(true);
  DpiComboBox->setInsertPolicy(QComboBox::NoInsert);
  for (const char* item : kDpiItems) DpiComboBox->addItem(QLatin1String(item));
  const QString dpiHint = QStringLiteral("Resolution in Dots Per Inch based on A4 size");
  dpiCaption->setToolTip(dpiHint);
  DpiComboBox->setToolTip(dpiHint);
  imageGrid->addWidget(dpiCaption, 2, 0);
  imageGrid->addWidget(DpiComboBox, 2, 1);
  imageGrid->setColumnStretch(1, 1);
  miscLayout->addWidget(imageGroup);
  miscLayout->addStretch();
  PageControl->addTab(miscPage, QStringLiteral("Misc"));

  // ---- buttons below the pages ----
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  OKButton = Named(new QPushButton(QStringLiteral("OK"), this), "OKButton");
  CancelButton = Named(new QPushButton(QStringLiteral("Cancel"), this), "CancelButton");
  ApplyButton = Named(new QPushButton(QStringLiteral("Apply"), this), "ApplyButton");
  DefaultButton = Named(new QPushButton(QStringLiteral("Default"), this), "DefaultButton");
  DefaultButton->setToolTip(QStringLiteral("Set current values as default values"));
  for (QPushButton* b : {OKButton, CancelButton, ApplyButton, DefaultButton}) {
    // Enter belongs to the resolution box, not to a default button.
    b->setAutoDefault(false);
    b->setDefault(false);
    buttons->addWidget(b);
  }
  outer->addLayout(buttons);

  // ---- events ----
  connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
  connect(ApplyButton, &QPushButton::clicked, this, [this] { ApplyButtonClick(); });
  connect(DefaultButton, &QPushButton::clicked, this, [this] { DefaultButtonClick(); });
  connect(TwoLineButton, &QToolButton::clicked, this, [this] { TwoLineButtonClick(); });
  connect(GeoLogButton, &QToolButton::clicked, this, [this] { GeoLogButtonClick(); });
  connect(SatCsvButton, &QToolButton::clicked, this, [this] { SatCsvButtonClick(); });
  connect(CountryFileButton, &QToolButton::clicked, this, [this] { CountryFileButtonClick(); });
  connect(BrowserExecButton, &QToolButton::clicked, this, [this] { BrowserExecButtonClick(); });
  for (QToolButton* b : {Kep1WebButton, Kep2WebButton, Kep3WebButton, GeoLogWebButton})
    connect(b, &QToolButton::clicked, this, [this, b] { WebButtonClick(b); });
  connect(ImgFontButton, &QPushButton::clicked, this, [this] { ImgFontButtonClick(ImgFontButton); });
  connect(PrintFontButton, &QPushButton::clicked, this, [this] { ImgFontButtonClick(PrintFontButton); });
  ImgFontLabel->installEventFilter(this);
  PrintFontLabel->installEventFilter(this);
  DpiComboBox->installEventFilter(this);
  DpiComboBox->lineEdit()->installEventFilter(this);
  connect(DpiComboBox->lineEdit(), &QLineEdit::returnPressed, this, [this] { DpiComboBoxExit(); });
}

void TOptionForm::FormCreate(TChangeHandler onChange) {
  WriteLog("Creating Option Form");
  OptionsToControls();
  if (Options->AutoUpdate) {
    try {
      if (UpdateDue(Options->TwoLineFile, 7)) {
        WebButtonClick(Kep1WebButton);
        WebButtonClick(Kep2WebButton);
        WebButtonClick(Kep3WebButton);
      }
      if (UpdateDue(Options->GeoLogFile, 120)) WebButtonClick(GeoLogWebButton);
    } catch (...) {
      WriteLog("Error updating files from internet");
    }
  }
  WriteLog("Setting OnChange Handler");
  SetOnChange(std::move(onChange));
  WriteLog("Apply Changes");
  DoChange();
  WriteLog("Changes Applied");
}

void TOptionForm::SetOnChange(TChangeHandler handler) {
  OnChange = std::move(handler);
  WriteLog(OnChange ? "OnChange Handler set" : "OnChange Handler Not set");
}

void TOptionForm::DoChange() {
  if (!OnChange) {
    WriteLog("Error activating OnChange Handler");
    return;
  }
  // A failing handler is reported the way the program reports any unhandled failure, and the
  // dialog stays usable.
  try {
    OnChange(this);
  } catch (const std::exception& e) {
    WriteLog(e.what());
    ShowError(e.what());
    return;
  } catch (...) {
    WriteLog("Error activating OnChange Handler");
    return;
  }
  WriteLog("OnChange Handler Activated");
}

void TOptionForm::ShowLabelFont(QLabel* label, const TFontSpec& font) {
  label->setFont(FontFromSpec(font));
  QPalette palette = label->palette();
  if (font.Color >= 0) {  // a system colour (high bit set) keeps the window text colour
    palette.setColor(QPalette::WindowText,
                     QColor(font.Color & 0xFF, (font.Color >> 8) & 0xFF, (font.Color >> 16) & 0xFF));
  } else {
    palette.setColor(QPalette::WindowText, QPalette().color(QPalette::WindowText));
  }
  label->setPalette(palette);
  label->setText(QStr(font.Name));
}

void TOptionForm::OptionsToControls() {
  GeoLogEdit->setText(QPath(Options->GeoLogFile));
  TwoLineEdit->setText(QPath(Options->TwoLineFile));
  SatCsvEdit->setText(QPath(Options->SatCsvFile));
  CountryFileEdit->setText(QPath(Options->CountryFolder));
  BrowserExecEdit->setText(QPath(Options->BrowserExecutable));
  DpiComboBox->setEditText(QStr(DpiText(Options->ImgDpi)));
  ImgLabelFont = Options->ImgFont;
  ShowLabelFont(ImgFontLabel, ImgLabelFont);
  PrintLabelFont = Options->PrintFont;
  ShowLabelFont(PrintFontLabel, PrintLabelFont);
  SaveSettingsCheckBox->setChecked(Options->SaveSettings);
  SaveSatsCsvCheckBox->setChecked(Options->SaveSatCsv);
  ModPolMntCheckBox->setChecked(Options->ModifiedPolarMount);
  AutoUpdateCheckBox->setChecked(Options->AutoUpdate);
  (Options->DecimalDegs ? DDegRadioButton : DMSRadioButton)->setChecked(true);
  (Options->AziRelToSouth ? Azi180RadioButton : Azi360RadioButton)->setChecked(true);
  if (!Options->TwoLineUrlList.empty()) {
    const std::vector<std::string> urls = ReadCommaText(Options->TwoLineUrlList);
    for (QComboBox* combo : {Kep1WebComboBox, Kep2WebComboBox, Kep3WebComboBox}) {
      combo->clear();
      for (const std::string& url : urls) combo->addItem(QStr(url));
    }
  } else {
    std::vector<std::string> items;
    for (int i = 0; i < Kep1WebComboBox->count(); ++i) items.push_back(AnsiStr(Kep1WebComboBox->itemText(i)));
    Options->TwoLineUrlList = commatext::Join(items);
  }
  Kep1WebComboBox->setEditText(QStr(Options->TwoLineUrl1));
  Kep2WebComboBox->setEditText(QStr(Options->TwoLineUrl2));
  Kep3WebComboBox->setEditText(QStr(Options->TwoLineUrl3));
  GeoLogWebEdit->setText(QStr(Options->GeoLogUrl));
}

void TOptionForm::ControlsToOptions() {
  const std::string twoLine = PathStr(TwoLineEdit->text());
  const std::string geoLog = PathStr(GeoLogEdit->text());
  const std::string satCsv = PathStr(SatCsvEdit->text());
  Options->FilesChanged = Options->FilesChanged || twoLine != Options->TwoLineFile ||
                          geoLog != Options->GeoLogFile || satCsv != Options->SatCsvFile;
  Options->GeoLogFile = geoLog;
  Options->TwoLineFile = twoLine;
  Options->SatCsvFile = satCsv;
  Options->CountryFolder = PathStr(CountryFileEdit->text());
  Options->BrowserExecutable = PathStr(BrowserExecEdit->text());
  Options->ImgDpi = DpiFromText(AnsiStr(DpiComboBox->currentText()));
  Options->ImgFont = ImgLabelFont;
  Options->PrintFont = PrintLabelFont;
  Options->SaveSettings = SaveSettingsCheckBox->isChecked();
  Options->SaveSatCsv = SaveSatsCsvCheckBox->isChecked();
  Options->DecimalDegs = DDegRadioButton->isChecked();
  Options->AziRelToSouth = Azi180RadioButton->isChecked();
  Options->ModifiedPolarMount = ModPolMntCheckBox->isChecked();
  Options->TwoLineUrl1 = AnsiStr(Kep1WebComboBox->currentText());
  Options->TwoLineUrl2 = AnsiStr(Kep2WebComboBox->currentText());
  Options->TwoLineUrl3 = AnsiStr(Kep3WebComboBox->currentText());
  Options->GeoLogUrl = AnsiStr(GeoLogWebEdit->text());
  Options->AutoUpdate = AutoUpdateCheckBox->isChecked();
}

void TOptionForm::WebButtonClick(QObject* Sender) {
  std::string address;
  std::string folder;
  TDownloadContent content = TDownloadContent::ElementSets;
  if (Sender == GeoLogWebButton) {
    address = AnsiStr(GeoLogWebEdit->text());
    folder = ExtractFilePath(PathStr(GeoLogEdit->text()));
    content = TDownloadContent::GeoLog;
  } else if (Sender == Kep1WebButton || Sender == Kep2WebButton || Sender == Kep3WebButton) {
    QComboBox* combo = Sender == Kep1WebButton ? Kep1WebComboBox : Sender == Kep2WebButton ? Kep2WebComboBox : Kep3WebComboBox;
    address = AnsiStr(combo->currentText());
    folder = ExtractFilePath(PathStr(TwoLineEdit->text()));
  } else {
    return;
  }
  // The download runs on a thread of its own; the windows keep painting and the clock keeps time.
  // Captions come back to the window thread in order; the error box waits for the end.
  if (downloading_) return;
  downloading_ = true;
  struct TDownloadEnd {
    bool& Flag;
    ~TDownloadEnd() { Flag = false; }
  } end{downloading_};
  TDownloadEvents events;
  events.Caption = [this](const std::string& text) {
    QMetaObject::invokeMethod(this, [this, caption = QStr(text)] { setWindowTitle(caption); }, Qt::QueuedConnection);
  };
  std::string message;
  events.Message = [&message](const std::string& text) { message = text; };
  TDownloadResult result;
  RunKeepingWindowsAlive([&] { result = DownloadToFolder(address, folder, events, {}, content); });
  QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  if (result.Outcome == TDownloadOutcome::Saved) Options->FilesChanged = true;
  if (message.empty()) return;
  // The reason in a few words on a second line: could not connect, timed out, too large, …
  if (!result.Error.empty()) message += "\r" + result.Error;
  ShowError(message);
}

void TOptionForm::OKButtonClick() {
  ControlsToOptions();
  DoChange();
  hide();
}

void TOptionForm::CancelButtonClick() {
  OptionsToControls();
  hide();
}

void TOptionForm::reject() { CancelButtonClick(); }

void TOptionForm::ApplyButtonClick() {
  ApplyButton->setEnabled(false);
  TEnableAgain again{ApplyButton};
  ControlsToOptions();
  DoChange();
}

void TOptionForm::DefaultButtonClick() {
  DefaultButton->setEnabled(false);
  TEnableAgain again{DefaultButton};
  ControlsToOptions();
  try {
    Options->WriteSettings();
  } catch (const std::exception& e) {
    WriteLog(e.what());
    ShowError(e.what());
  }
  DoChange();
}

void TOptionForm::PickFile(QLineEdit* edit, const char* filter) {
  TOpenDialog dialog;
  dialog.Title = "Select File";
  dialog.Filter = filter;
  dialog.FilterIndex = 1;
  dialog.FileName = PathStr(edit->text());
  dialog.FileMustExist = true;
  if (dialog.Execute()) edit->setText(QPath(dialog.FileName));
}

void TOptionForm::TwoLineButtonClick() { PickFile(TwoLineEdit, TwoLineFilter); }
void TOptionForm::GeoLogButtonClick() { PickFile(GeoLogEdit, GeoLogFilter); }
void TOptionForm::SatCsvButtonClick() { PickFile(SatCsvEdit, SatCsvFilter); }
void TOptionForm::BrowserExecButtonClick() { PickFile(BrowserExecEdit, BrowserExecFilter); }

void TOptionForm::SetDialogs(IOptionFormDialogs* dialogs) { Dialogs = dialogs; }

namespace {
IOptionFormDialogs& DialogsOf(IOptionFormDialogs* installed, std::unique_ptr<TQtOptionFormDialogs>& own) {
  if (installed) return *installed;
  if (!own) own = std::make_unique<TQtOptionFormDialogs>();
  return *own;
}
}  // namespace

void TOptionForm::CountryFileButtonClick() {
  std::string folder;
  if (DialogsOf(Dialogs, QtDialogs).SelectFolder(this, "Select Country Folder", ProgramFolder(), folder))
    CountryFileEdit->setText(QPath(folder));
}

void TOptionForm::DpiComboBoxExit() {
  const QString text = DpiComboBox->currentText();
  if (DpiComboBox->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0) return;
  DpiComboBox->setEditText(QStr(DpiText(DpiFromText(AnsiStr(text)))));
}

void TOptionForm::ImgFontButtonClick(QObject* Sender) {
  const bool image = Sender == ImgFontButton || Sender == ImgFontLabel;
  if (!image && Sender != PrintFontButton && Sender != PrintFontLabel) return;
  TFontSpec font = image ? ImgLabelFont : PrintLabelFont;
  std::function<void(const TFontSpec&)> apply;
  if (image) apply = [this](const TFontSpec& chosen) { FontDialog1Apply(chosen); };
  if (!DialogsOf(Dialogs, QtDialogs).ChooseFont(this, font, apply)) return;
  if (image) {
    ImgLabelFont = font;
    ShowLabelFont(ImgFontLabel, ImgLabelFont);
  } else {
    PrintLabelFont = font;
    ShowLabelFont(PrintFontLabel, PrintLabelFont);
  }
}

void TOptionForm::FontDialog1Apply(const TFontSpec& font) {
  ImgLabelFont = font;
  ShowLabelFont(ImgFontLabel, ImgLabelFont);
  Options->ImgFont = font;
  DoChange();
}

void TOptionForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;  // restored from minimised: not a new showing
  OptionsToControls();
  setWindowTitle(QStringLiteral("Options"));
}

bool TOptionForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick && (watched == ImgFontLabel || watched == PrintFontLabel)) {
    ImgFontButtonClick(watched);
    return true;
  }
  if (event->type() == QEvent::FocusOut && (watched == DpiComboBox || watched == DpiComboBox->lineEdit())) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) DpiComboBoxExit();
  }
  return QDialog::eventFilter(watched, event);
}

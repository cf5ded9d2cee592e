#include "splashform.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "imagewidget.h"
#include "log.h"
#include "options.h"
#include "programpath.h"
#include "prompts.h"
#include "qtext.h"
#include "shell.h"

TSplashForm* SplashForm = nullptr;

namespace {

// One outside contributor: the label's caption, what the work does in the program, the web
// address of the tooltip and the one a click opens.
struct TCredit {
  const char* Name;
  const char* Info;
  const char* Address;
  const char* ClickAddress;
};

constexpr TCredit kCredits[] = {
    {"CelesTrak",
     "CelesTrak publishes the SGP4 and SDP4 orbit models of Spacetrack Report No. 3, the core of the "
     "orbit calculations, and the two-line element sets the program downloads.",
     "https://celestrak.org/", "https://celestrak.org/"},
    {"MarnSatLib",
     "MarnSatLib, the orbit library component, is used to track the satellites.",
     "https://velmar.example.org/marnsatlib/", "https://velmar.example.org/marnsatlib/"},
    {"Jean Meeus",
     "The astronomical routines of the Location page follow Jean Meeus, Astronomical Algorithms, with "
     "the VSOP87 theory of the Earth; the moon picture is made from the Clementine mosaic of NASA and "
     "the USGS.",
     "https://astrogeology.usgs.gov/", "https://astrogeology.usgs.gov/"},
    {"Jonathan's Space Report",
     "The geostationary satellite log is retrieved from Jonathan's Space Report.",
     "https://planet4589.org/", "https://planet4589.org/space/"},
};

constexpr const char* kAuthorLine = "Written by the Velmar developers, Utrecht";
constexpr const char* kAuthorAddress = "https://velmar.example.org/";

QLabel* MakeLabel(const char* name, const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  return l;
}

}  // namespace

TSplashForm::TSplashForm(QWidget* parent) : QDialog(parent) {
  setObjectName("SplashForm");
  setWindowTitle("About Umbrisk");
  StartProgram = [](const std::string& program, const std::vector<std::string>& args, const std::string& folder) {
    return shell::RunProgram(program, args, folder, 0).Started();
  };

  TitleLabel = MakeLabel("TitleLabel", "Skyrill", this);
  QFont titleFont = TitleLabel->font();
  titleFont.setBold(true);
  titleFont.setPointSize(20);
  TitleLabel->setFont(titleFont);
  VersionLabel = MakeLabel("VersionLabel", "Version", this);
  AuthorLabel = MakeLabel("AuthorLabel", kAuthorLine, this);
  FreewareLabel = MakeLabel(
      "FreewareLabel",
      "This program is free: you may use it and pass it on as you like.\n"
      "Comments are welcome at velmar@example.org.",
      this);
  ThanksLabel = MakeLabel("ThanksLabel",
                          "This program uses routines made available by other people for many of its "
                          "calculations. It would not have been possible without the following individuals:",
                          this);
  ThanksLabel->setWordWrap(true);
  QLabel** credits[] = {&OrbitCoreLabel, &OrbitLibLabel, &AstroLabel, &GeoLogLabel};
  const char* creditNames[] = {"OrbitCoreLabel", "OrbitLibLabel", "AstroLabel", "GeoLogLabel"};
  for (int i = 0; i < 4; ++i) {
    *credits[i] = MakeLabel(creditNames[i], kCredits[i].Name, this);
    (*credits[i])->setToolTip(kCredits[i].Address);
  }
  AuthorLabel->setToolTip(kAuthorAddress);
  for (QLabel* l : {AuthorLabel, OrbitCoreLabel, OrbitLibLabel, AstroLabel, GeoLogLabel}) {
    l->setCursor(Qt::PointingHandCursor);
    QFont f = l->font();
    f.setUnderline(true);
    l->setFont(f);
    l->installEventFilter(this);
  }
  InfoLabel = MakeLabel("InfoLabel", QString(), this);
  InfoLabel->setWordWrap(true);
  InfoLabel->setMinimumWidth(220);
  InfoLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  picture_.load(QPath(ProgramFolder() + "About.png"));
  AboutImage = new TImageWidget(this);
  AboutImage->setObjectName("AboutImage");
  AboutImage->setFixedSize(180, 180);
  AboutImage->SetImage(&picture_);

  CloseButton = new QPushButton("Close", this);
  CloseButton->setObjectName("CloseButton");
  CloseButton->setDefault(true);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);

  auto* left = new QVBoxLayout;
  for (QLabel* l : {TitleLabel, VersionLabel, AuthorLabel, FreewareLabel, ThanksLabel}) left->addWidget(l);
  auto* creditRow = new QHBoxLayout;
  auto* creditColumn = new QVBoxLayout;
  for (QLabel* l : {OrbitCoreLabel, OrbitLibLabel, AstroLabel, GeoLogLabel}) creditColumn->addWidget(l);
  creditColumn->addStretch(1);
  creditRow->addLayout(creditColumn);
  creditRow->addWidget(InfoLabel, 1);
  left->addLayout(creditRow, 1);
  auto* grid = new QGridLayout(this);
  grid->addLayout(left, 0, 0);
  grid->addWidget(AboutImage, 0, 1, Qt::AlignCenter);
  grid->addWidget(CloseButton, 1, 1, Qt::AlignRight);
  setMinimumWidth(560);

  FormCreate();
}

TSplashForm::~TSplashForm() = default;

void TSplashForm::FormCreate() { VersionLabel->setText("Version 0.4"); }

namespace {

int CreditIndexOf(const QObject* label) {
  const auto* l = qobject_cast<const QLabel*>(label);
  if (!l) return -1;
  const QString caption = l->text();
  for (int i = 0; i < 4; ++i)
    if (caption == QLatin1String(kCredits[i].Name)) return i;
  return -1;
}

}  // namespace

void TSplashForm::LabelMouseEnter(QObject* Sender) {
  const int i = CreditIndexOf(Sender);
  if (i >= 0)
    InfoLabel->setText(kCredits[i].Info);
  else if (Sender == AuthorLabel)
    InfoLabel->setText(kAuthorAddress);
  else
    InfoLabel->clear();
}

void TSplashForm::LabelMouseLeave(QObject*) {}

std::string TSplashForm::ClickAddressOf(const QObject* label) const {
  const int i = CreditIndexOf(label);
  if (i >= 0) return kCredits[i].ClickAddress;
  if (label == AuthorLabel) return kAuthorAddress;
  return {};
}

void TSplashForm::NameLabelClick(QObject* Sender) {
  const std::string address = ClickAddressOf(Sender);
  if (address.empty()) return;
  std::string browser = Options ? Options->BrowserExecutable : std::string();
  if (browser.empty()) browser = "xdg-open";
  // A browser that does not start leaves the box as it was, and says so.
  bool started = false;
  try {
    started = StartProgram && StartProgram(browser, {address}, ".");
  } catch (...) {
    started = false;
  }
  if (!started) {
    WriteLog("Error executing browser " + browser + "  " + address);
    MessageDlg("Unable to start the browser program " + browser + "\rto open " + address, TMsgDlgType::Error, mbOK);
  }
}

bool TSplashForm::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Enter:
      LabelMouseEnter(watched);
      break;
    case QEvent::Leave:
      LabelMouseLeave(watched);
      break;
    case QEvent::MouseButtonRelease: {
      const auto* me = static_cast<QMouseEvent*>(event);
      const auto* w = qobject_cast<QWidget*>(watched);
      if (me->button() == Qt::LeftButton && w && w->rect().contains(me->position().toPoint()))
        NameLabelClick(watched);
      break;
    }
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}

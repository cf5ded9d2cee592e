#include "optionform_dialogs.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QPushButton>

#include "qtext.h"

QFont FontFromSpec(const TFontSpec& setting) {
  QFont font(QStr(setting.Name));
  if (setting.Size > 0) font.setPointSize(setting.Size);
  font.setBold(setting.Bold);
  font.setItalic(setting.Italic);
  return font;
}

TFontSpec SpecFromFont(const QFont& font, const TFontSpec& base) {
  TFontSpec setting = base;
  setting.Name = AnsiStr(font.family());
  if (font.pointSize() > 0) setting.Size = font.pointSize();
  setting.Bold = font.weight() >= QFont::Bold;
  setting.Italic = font.italic();
  return setting;
}

bool FolderInside(const std::string& path, const std::string& root) {
  const QString p = QDir::cleanPath(QFileInfo(QPath(path)).absoluteFilePath());
  const QString r = QDir::cleanPath(QFileInfo(QPath(root)).absoluteFilePath());
  if (p == r) return true;
  const QString prefix = r.endsWith('/') ? r : r + '/';
  return p.startsWith(prefix);
}

bool TQtOptionFormDialogs::SelectFolder(QWidget* parent, const std::string& title, const std::string& root,
                                        std::string& folder) {
  QFileDialog dlg(parent, QStr(title));
  dlg.setOption(QFileDialog::DontUseNativeDialog, true);
  dlg.setOption(QFileDialog::ShowDirsOnly, true);
  dlg.setFileMode(QFileDialog::Directory);
  dlg.setDirectory(QPath(root));
  // Keep the browser inside its root folder.
  QObject::connect(&dlg, &QFileDialog::directoryEntered, &dlg, [&dlg, &root](const QString& dir) {
    if (!FolderInside(PathStr(dir), root)) dlg.setDirectory(QPath(root));
  });
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  std::string chosen = PathStr(QDir::cleanPath(dlg.selectedFiles().front()));
  if (!FolderInside(chosen, root)) return false;
  while (chosen.size() > 1 && chosen.back() == '/') chosen.pop_back();
  folder = chosen;
  return true;
}

bool TQtOptionFormDialogs::ChooseFont(QWidget* parent, TFontSpec& font,
                                      const std::function<void(const TFontSpec&)>& apply) {
  QFontDialog dlg(FontFromSpec(font), parent);
  dlg.setOption(QFontDialog::DontUseNativeDialog, true);
  dlg.setOption(QFontDialog::ScalableFonts, true);
  TFontSpec current = font;  // carries the colour
  if (auto* box = dlg.findChild<QDialogButtonBox*>()) {
    QPushButton* colour = box->addButton(QObject::tr("Color..."), QDialogButtonBox::ActionRole);
    QObject::connect(colour, &QPushButton::clicked, &dlg, [&dlg, &current] {
      QColor start = Qt::black;
      if (current.Color >= 0)
        start = QColor(current.Color & 0xFF, (current.Color >> 8) & 0xFF, (current.Color >> 16) & 0xFF);
      const QColor c = QColorDialog::getColor(start, &dlg, QString(), QColorDialog::DontUseNativeDialog);
      if (c.isValid()) current.Color = c.red() | (c.green() << 8) | (c.blue() << 16);
    });
    if (apply) {
      QPushButton* button = box->addButton(QDialogButtonBox::Apply);
      QObject::connect(button, &QPushButton::clicked, &dlg,
                       [&dlg, &current, &apply] { apply(SpecFromFont(dlg.currentFont(), current)); });
    }
  }
  if (dlg.exec() != QDialog::Accepted) return false;
  font = SpecFromFont(dlg.selectedFont(), current);
  return true;
}

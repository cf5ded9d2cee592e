// The two pickers of the options dialog that the shared prompts do not cover: the folder browser
// and the font dialog with its Apply button. Tests install their own answers, so nothing blocks.
#pragma once

#include <functional>
#include <string>

#include "options.h"

class QFont;
class QWidget;

class IOptionFormDialogs {
 public:
  virtual ~IOptionFormDialogs() = default;
  // The folder browser: starts at `root` and allows only folders inside it. On confirmation
  // `folder` holds the chosen folder without a trailing '/'.
  virtual bool SelectFolder(QWidget* parent, const std::string& title, const std::string& root,
                            std::string& folder) = 0;
  // The font dialog, starting from `font`. When `apply` is set the dialog offers an Apply button
  // that hands it the font chosen so far while the dialog stays open. On confirmation `font`
  // holds the choice.
  virtual bool ChooseFont(QWidget* parent, TFontSpec& font, const std::function<void(const TFontSpec&)>& apply) = 0;
};

// The real dialogs: the non-native QFileDialog for folders and the non-native QFontDialog with a
// colour button (QColorDialog) and, when asked, an Apply button.
class TQtOptionFormDialogs : public IOptionFormDialogs {
 public:
  bool SelectFolder(QWidget* parent, const std::string& title, const std::string& root, std::string& folder) override;
  bool ChooseFont(QWidget* parent, TFontSpec& font, const std::function<void(const TFontSpec&)>& apply) override;
};

// A font description as the toolkit's font and back (the colour is not part of a QFont).
QFont FontFromSpec(const TFontSpec& setting);
// Name, size, bold and italic from `font`; the colour is kept from `base`.
TFontSpec SpecFromFont(const QFont& font, const TFontSpec& base);
// Whether `path` is `root` itself or lies inside it (both made absolute and clean).
bool FolderInside(const std::string& path, const std::string& root);

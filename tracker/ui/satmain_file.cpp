// The File, Tools and Help menu commands: saving the satellite information, "Save As" for the
// current page, the options dialog, the about box, uninstalling and exit.
#include "satmain_file.h"

#include <QDir>
#include <QImageWriter>
#include <QPainter>
#include <QBuffer>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "canvasfont.h"
#include "clarkebelt.h"
#include "datafiles.h"
#include "fieldsform.h"
#include "fileio.h"
#include "log.h"
#include "optionform.h"
#include "options.h"
#include "programpath.h"
#include "qtext.h"
#include "satgrid.h"
#include "satmain.h"
#include "sats.h"
#include "splashform.h"
#include "sundial.h"
#include "toolplot.h"

// ---- helpers ----------------------------------------------------------------------------------

QSize A4PictureSize(int dpi, bool portrait) {
  dpi = std::clamp(dpi, TOptions::MinImgDpi, TOptions::MaxImgDpi);
  const int longSide = static_cast<int>(std::nearbyint(dpi * 29.7 / 2.54));
  const int shortSide = static_cast<int>(std::nearbyint(dpi * 21.0 / 2.54));
  return portrait ? QSize(shortSide, longSide) : QSize(longSide, shortSide);
}

bool IsJpegFileName(const std::string& fileName) {
  if (fileName.size() < 4) return false;
  std::string ext = fileName.substr(fileName.size() - 4);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext == ".jpg";
}

char SatListSeparator(int filterIndex) {
  switch (filterIndex) {
    case 2: return ';';
    case 3: return '\t';
    default: return ',';
  }
}

std::string SatListFieldText(const std::string& text) {
  if (text.find_first_of(" ,;\"\t\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::string SatListLine(const std::vector<std::string>& cells, char separator) {
  std::string line;
  for (size_t c = 0; c < cells.size(); ++c) {
    if (c > 0) line += separator;
    line += SatListFieldText(cells[c]);
  }
  return line;
}

bool SavePictureFile(const QImage& picture, const std::string& fileName) {
  if (picture.isNull() || fileName.empty()) return false;
  const bool jpeg = IsJpegFileName(fileName);
  // Both writers take 32-bit pixels without alpha as they are; anything else is converted.
  QImage image = picture;
  if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_RGB888) {
    image = picture.convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return false;
  }
  // The whole picture is encoded first; only a complete one replaces the file.
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return false;
  QImageWriter writer(&buffer, jpeg ? "jpeg" : "bmp");
  if (jpeg) {
    writer.setQuality(90);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
  }
  if (!writer.write(image) || bytes.isEmpty()) return false;
  buffer.close();
  return fileio::ReplaceFile(fileName, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

QImage WithResolution(QImage picture, int dpi) {
  dpi = std::clamp(dpi, TOptions::MinImgDpi, TOptions::MaxImgDpi);
  const int dotsPerMetre = static_cast<int>(std::lround(dpi / 0.0254));
  picture.setDotsPerMeterX(dotsPerMetre);
  picture.setDotsPerMeterY(dotsPerMetre);
  return picture;
}

std::string DefaultSaveFolder(const std::string& programFolder) {
  if (!programFolder.empty() && ::access(programFolder.c_str(), W_OK | X_OK) == 0) return programFolder;
  std::string home = PathStr(QDir::homePath());
  if (!home.empty() && home.back() != '/') home += '/';
  return home;
}

QImage PagePicture(QWidget* page) {
  if (!page || page->width() <= 0 || page->height() <= 0) return QImage();
  QImage image(page->size(), QImage::Format_RGB32);
  if (image.isNull()) return image;
  image.fill(page->palette().window().color());
  page->render(&image);
  return image;
}

namespace {

// The name of the other program in the uninstall warning that uses the orbit library as well.
constexpr const char* kOtherLibraryUser = "DishLog";

// A file name as the texts of messages and the log carry it.
std::string NameText(const std::string& fileName) { return AnsiStr(QPath(fileName)); }

void ReportSaveError(const std::string& fileName, const std::string& logPrefix) {
  MessageDlg("Unable to create \r" + NameText(fileName), TMsgDlgType::Error, mbAbort);
  WriteLog(logPrefix + NameText(fileName));
}

void LogException(const char* what) noexcept {
  WriteLog(std::string("Error while saving: ") + (what ? what : "unknown error"));
}

}  // namespace

// ---- the tool plot for printing and saving ----------------------------------------------------

const QImage& TSatForm::DrawToolsAtSize(int Width, int Height) {
  static const QImage none;
  if (!ToolPlot) return none;
  if (Options) ToolPlot->ToolFont = CanvasFontOf(Options->PrintFont);
  if (ToolsPlotScrollBox) ToolsPlotScrollBox->setWidgetResizable(false);
  ToolPlot->SetSize(Width, Height);
  ToolPlot->Clear();
  DrawTools();
  return ToolPlot->Picture();
}

// ---- File menu ----------------------------------------------------------------------------------

void TSatForm::MenuSaveSatCsvClick(QObject* Sender) {
  // A cell of the list or a Sat Info field still being edited belongs to what is saved.
  CommitSatGridCell();
  CommitPendingEdits();
  bool saved = false;
  try {
    saved = Sats && Sats->SaveSatCsv();
  } catch (const std::exception& e) {
    WriteLog(std::string("Saving the satellite information failed: ") + e.what());
  } catch (...) {
    WriteLog("Saving the satellite information failed");
  }
  if (!saved) MessageDlg("Unable to write Sats.csv", TMsgDlgType::Error, mbAbort);
}

void TSatForm::MenuSaveAsClick(QObject* Sender) {
  CommitPendingEdits();  // what is saved holds the user's latest text
  QWidget* page = MainPageControl->currentWidget();
  if (!page) return;

  // The satellite list as separated text.
  if (page == SatListTabSheet) {
    SaveDialog1.FileName = "Sat List";
    SaveDialog1.Filter = kSatListFilter;
    if (!SaveDialog1.Execute()) return;
    const std::string fileName = SaveDialog1.FileName;
    bool ok = false;
    try {
      const char separator = SatListSeparator(SaveDialog1.FilterIndex);
      std::vector<std::string> lines;
      if (SatGrid) {
        std::vector<std::string> cells;
        for (int row = 1; row < SatGrid->RowCount(); ++row) {
          cells.clear();
          for (int col = 0; col < SatGrid->ColCount(); ++col) {
            const TSat* sat = SatGrid->Objects(col, row);
            cells.push_back(sat && FieldsForm ? FieldsForm->GetFieldText(*sat, SatGrid->Cells(col, 0)) : std::string());
          }
          // Written for people: UTF-8, as editors here read it.
          lines.push_back(PathStr(QStr(SatListLine(cells, separator))));
        }
      }
      ok = satfiles::WriteTextLinesAtomically(fileName, lines);
    } catch (const std::exception& e) {
      LogException(e.what());
    } catch (...) {
      LogException(nullptr);
    }
    if (!ok) ReportSaveError(fileName, "Error saving SatList, unable to create ");
    return;
  }

  // A view: an A4 picture at the resolution of the settings.
  if (TClarkeBelt* view = ViewOfPage(page)) {
    SaveDialog1.FileName = view->Title;
    SaveDialog1.Filter = kPictureFilter;
    if (!SaveDialog1.Execute()) return;
    const std::string fileName = SaveDialog1.FileName;
    bool ok = false;
    try {
      if (Sats) {
        const int dpi = Options ? Options->ImgDpi : 150;
        const QSize size = A4PictureSize(dpi, dynamic_cast<TSunDial*>(view) != nullptr);
        DrawView(view, size.width(), size.height());
        ok = SavePictureFile(WithResolution(view->Picture(), dpi), fileName);
      }
    } catch (const std::exception& e) {
      LogException(e.what());
    } catch (...) {
      LogException(nullptr);
    }
    if (!ok)
      ReportSaveError(fileName, IsJpegFileName(fileName) ? "Error saving jpg, unable to create "
                                                         : "Error saving bmp, unable to create ");
    return;
  }

  // Any other page: the tool plot on an A4 sheet, or the page as it shows.
  SaveDialog1.FileName = AnsiStr(MainPageControl->tabText(MainPageControl->indexOf(page)));
  SaveDialog1.Filter = kPictureFilter;
  if (!SaveDialog1.Execute()) return;
  const std::string fileName = SaveDialog1.FileName;
  bool ok = false;
  try {
    QImage picture;
    if (page == ToolsTabSheet) {
      struct TTagMark {
        TPrintDialog& dialog;
        explicit TTagMark(TPrintDialog& d) : dialog(d) { dialog.Tag = 1; }
        ~TTagMark() { dialog.Tag = 0; }
      } mark(PrintDialog1);
      const int dpi = Options ? Options->ImgDpi : 150;
      const QSize size = A4PictureSize(dpi, false);
      picture = WithResolution(DrawToolsAtSize(size.width(), size.height()), dpi);
    } else {
      picture = PagePicture(page);
    }
    ok = SavePictureFile(picture, fileName);
  } catch (const std::exception& e) {
    LogException(e.what());
  } catch (...) {
    LogException(nullptr);
  }
  if (!ok) ReportSaveError(fileName, "Error saving, unable to create ");
}

void TSatForm::MenuExitClick(QObject* Sender) { close(); }

// ---- Tools menu ---------------------------------------------------------------------------------

void TSatForm::MenuOptionsClick(QObject* Sender) {
  SetOptions();
  if (OptionForm) OptionForm->show();
}

void TSatForm::MenuUninstallClick(QObject* Sender) {
  const std::string lib = TSats::kLibraryFile;
  const std::string text = "You are about to unregister the file " + lib + ".\r" +
                           "If you are using programs like " + kOtherLibraryUser + " which also use\r" +
                           "this file press Cancel and exit the program. Otherwise\r" +
                           "press OK to unregister " + lib + " and close Skyrill.\r" +
                           "\r" +
                           "To completely remove this program from your system, close it\r" +
                           "and delete the folder it was installed in:\r" + NameText(ProgramFolder());
  if (MessageDlg(text, TMsgDlgType::Confirmation, mbOK | mbCancel) != mrOk) return;
  ClockTimer->stop();
  try {
    if (Sats) Sats->UnregisterDll();
  } catch (const std::exception& e) {
    WriteLog(std::string("Error unregistering the library: ") + e.what());
  } catch (...) {
    WriteLog("Error unregistering the library");
  }
  WriteLog("DLL Unregistered");
  close();
}

// ---- Help menu ----------------------------------------------------------------------------------

void TSatForm::MenuAboutClick(QObject* Sender) {
  if (SplashForm) SplashForm->exec();
}

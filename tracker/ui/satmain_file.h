// Saving from the main window's File menu: the satellite list as separated text, and pictures of
// the views and pages as bitmap or JPEG files (the handlers are in satmain_file.cpp).
#pragma once

#include <QImage>
#include <QSize>

#include <string>
#include <vector>

class QWidget;

// The filter texts of the save dialog for the list and for pictures.
inline constexpr const char* kSatListFilter =
    "Comma Separated (*.csv)|*.csv|DotComma Separated (*.csv)|*.csv|Tab Separated (*.txt)|*.txt";
inline constexpr const char* kPictureFilter = "Bitmap (*.bmp)|*.bmp|Jpeg (*.jpg)|*.jpg";

// The pixels of an A4 sheet (29.7 x 21 cm) at `dpi` dots per inch, kept within the settings'
// range 25 to 1200; halves round to even. Landscape is 29.7 cm wide: 1754 x 1240 at 150 dpi,
// 292 x 207 at 25 dpi; portrait swaps the two.
QSize A4PictureSize(int dpi, bool portrait);

// Whether the name ends in ".jpg", letter case ignored: such a picture is saved as JPEG, any
// other name as a bitmap.
bool IsJpegFileName(const std::string& fileName);

// The separator of a list filter entry of the save dialog: 1 ",", 2 ";", 3 tab; any other ",".
char SatListSeparator(int filterIndex);

// A cell of the saved list. A text holding a blank, ",", ";", a double quote, a tab or a line
// break is enclosed in double quotes, with quotes inside doubled, so that it reads back as one
// field; any other text is written as it is.
std::string SatListFieldText(const std::string& text);

// One line of the saved list: the cells in order, the separator between them.
std::string SatListLine(const std::vector<std::string>& cells, char separator);

// Writes the picture: JPEG (baseline, quality 90, 24-bit colour) for a ".jpg" name, otherwise a
// bitmap. An existing file is replaced only once the new one is complete, so a failure leaves it
// as it was. False for a null picture or a file that cannot be written.
bool SavePictureFile(const QImage& picture, const std::string& fileName);

// The picture marked with its resolution (`dpi` within the settings' range 25 to 1200), which the
// bitmap and JPEG writers store in the file.
QImage WithResolution(QImage picture, int dpi);

// Where save dialogs start before the user chose a folder: the program's folder (with its trailing
// '/') when the user may write there, otherwise the home folder.
std::string DefaultSaveFolder(const std::string& programFolder);

// What the page shows, painted into a picture of its size; a null picture when the page has
// no size or the picture cannot be allocated.
QImage PagePicture(QWidget* page);

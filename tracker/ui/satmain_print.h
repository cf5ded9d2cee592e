// Printing of the main window's pages: the pieces that do not need a printer.
//
// "&Print" (TSatForm::MenuPrintClick, satmain_print.cpp) prints each chosen page of the main
// window as a print job of its own: a view or the tool plot as one picture, the satellite list
// as a ruled table (TSatForm::PrintSatList), any other page as an image of the window. The
// layout of the ruled table and the file names of jobs printed to files are worked out here.
#pragma once

#include <QSize>

#include <string_view>

#include <functional>
#include <string>
#include <vector>

// The margins of a printed sheet: a twentieth of the page's width and height (integer
// division, printer pixels).
inline int PrintMarginX(int pageWidth) { return pageWidth / 20; }
inline int PrintMarginY(int pageHeight) { return pageHeight / 20; }

// One text of a printed page, its cell's top-left corner at (X, Y).
struct TPrintText {
  int X = 0;
  int Y = 0;
  std::string Text;
};

struct TPrintLine {
  int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

// What one printed page holds, in drawing order.
struct TPrintSheet {
  std::vector<TPrintText> Texts;
  std::vector<TPrintLine> Lines;
};

// The satellite list laid out on pages.
struct TPrintTable {
  int MarginX = 0;
  int MarginY = 0;
  int RowHeight = 0;
  int ColCount = 0;         // columns printed (dropped from the right while the table is too wide)
  std::vector<int> Widths;  // per grid column: 20 + its widest text
  std::vector<TPrintSheet> Pages;
};

// Lays out the rows of a grid (row 0: the column names) as a ruled table on pages of the given
// size in printer pixels. `textWidth` measures a text in the printer's font; `rowHeight` is the
// height of "ABC_" plus 5. Columns that do not fit the page's width between the margins are left
// out from the right; a cell wider than its column is cut character by character. A row that
// would pass the bottom margin starts a new page headed by the column names, unless the page
// holds no satellite yet (a sheet too small for two rows); each page ends with its ruling. A
// missing cell of a short row reads as empty.
TPrintTable LayoutPrintTable(const std::vector<std::vector<std::string>>& rows, int pageWidth, int pageHeight,
                             int rowHeight, const std::function<int(const std::string&)>& textWidth);

// The resolution the views and the tool plot are drawn at: their fonts take points at 96 pixels
// an inch.
inline constexpr int kPictureDpi = 96;

// The pixels of a picture drawn for `area` printer pixels at `printerDpi`: the area at
// kPictureDpi (at least 1 x 1), for a coarser printer as for a finer one.
QSize PictureSizeForPrinter(QSize area, int printerDpi);

// The detail a printed picture is drawn in: the printer's resolution, at least 300 and at most
// 600 pixels an inch. Returned as picture pixels per drawn pixel (the canvas scale).
double PictureScaleForPrinter(int printerDpi);

// The file a job of a print command writes when the printer prints to a file: the chosen file
// itself when the command prints one page; otherwise the page's number is put before the
// extension, so each job keeps its own file ("print.pdf" -> "print-3.pdf", "out" -> "out-3").
std::string PrintJobFileName(const std::string& chosen, int pageNr, bool severalPages);

// The message after a print to files: "Printed to the files a-3.pdf, a-4.pdf\rin the folder
// /home/me/", one file "Printed to the file ..."; a file outside the first one's folder is named
// with its whole path. The paths are those printed to, in order.
std::string PrintedFilesText(const std::vector<std::string>& files);

// The file printing writes to when the printer prints to PDF and no file was chosen:
// "Skyrill.pdf" in the user's documents folder (the home folder, else the temporary folder,
// when there is none).
std::string DefaultPrintFileName();

// Whether a PDF file is whole: it begins as a PDF, ends in "%%EOF" and a line end, its
// "startxref" points at the cross-reference section and each object listed there begins where it
// says (a write cut short or lost by a full disk fails this, the last one included).
bool IsCompletePdf(std::string_view pdf);

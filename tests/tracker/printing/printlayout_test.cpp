// The printed satellite list laid out on pages, and the file names of print jobs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "satmain_print.h"

namespace {

int Width6(const std::string& text) { return 6 * static_cast<int>(text.size()); }  // 6 pixels a character

std::vector<std::vector<std::string>> NumberedRows(int count) {
  std::vector<std::vector<std::string>> rows{{"Nr", "Name"}};
  for (int i = 1; i <= count; ++i) rows.push_back({std::to_string(i), "Sat " + std::to_string(i)});
  return rows;
}

TEST(PrintTableTest, ALongListRepeatsTheColumnNamesOnEveryPageAndRulesTheLastPartialPage) {
  // 667 pixels high: margins of 33, room for 60 lines of 10 pixels: 59, 59 and 32 satellites.
  const TPrintTable t = LayoutPrintTable(NumberedRows(150), 1000, 667, 10, Width6);
  ASSERT_EQ(t.Pages.size(), 3u);
  const struct {
    const char* firstNr;
    int lines;
  } expected[] = {{"1", 60}, {"60", 60}, {"119", 33}};
  for (size_t p = 0; p < 3; ++p) {
    SCOPED_TRACE(p);
    const TPrintSheet& page = t.Pages[p];
    ASSERT_EQ(static_cast<int>(page.Texts.size()), 2 * expected[p].lines);
    EXPECT_EQ(page.Texts[0].Text + "@" + std::to_string(page.Texts[0].X) + "," + std::to_string(page.Texts[0].Y),
              "Nr@60,35");
    EXPECT_EQ(page.Texts[2].Text, expected[p].firstNr);
    // Three verticals down to the last rule, and a rule under every line.
    const int bottom = 33 + 10 * expected[p].lines;
    std::vector<int> xs, ys;
    for (const TPrintLine& l : page.Lines) {
      if (l.X1 == l.X2) {
        EXPECT_EQ(l.Y2, bottom);
      }
      (l.X1 == l.X2 ? xs : ys).push_back(l.X1 == l.X2 ? l.X1 : l.Y1);
    }
    EXPECT_EQ(xs, (std::vector<int>{50, 50 + t.Widths[0], 50 + t.Widths[0] + t.Widths[1]}));
    ASSERT_EQ(static_cast<int>(ys.size()), expected[p].lines + 1);
    EXPECT_EQ(ys.back(), bottom);
  }
  EXPECT_EQ(t.Pages[2].Texts.back().Text, "Sat 150");
}

TEST(PrintTableTest, ColumnsAreTwentyPixelsWiderThanTheirTextsAndThoseThatDoNotFitAreLeftOutFromTheRight) {
  // Widths 44, 80, 20 (an empty column) and 32: 176 in all.
  const std::vector<std::vector<std::string>> rows{{"abcd", "abcdefghij", "", "ab"}, {"a"}};
  const struct {
    int pageWidth;  // room between the margins: pageWidth - 2 * (pageWidth / 20)
    int colCount;
    int texts;  // empty cells and the missing cells of the short row print nothing
  } cases[] = {{200, 4, 4}, {194, 4, 4}, {193, 3, 3}, {158, 3, 3}, {157, 2, 3},
               {136, 2, 3}, {135, 1, 2}, {48, 1, 2},  {47, 0, 0},  {0, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pageWidth);
    const TPrintTable t = LayoutPrintTable(rows, c.pageWidth, 500, 10, Width6);
    EXPECT_EQ(t.Widths, (std::vector<int>{44, 80, 20, 32}));
    EXPECT_EQ(t.ColCount, c.colCount);
    ASSERT_EQ(t.Pages.size(), 1u);
    EXPECT_EQ(static_cast<int>(t.Pages[0].Texts.size()), c.texts);
  }
}

TEST(PrintTableTest, OnASheetTooSmallForTwoRowsEachSatelliteGetsAPageUnderTheColumnNames) {
  for (const int rowHeight : {50, 100}) {
    const TPrintTable t = LayoutPrintTable(NumberedRows(4), 400, 60, rowHeight, Width6);
    ASSERT_EQ(t.Pages.size(), 4u);
    for (size_t p = 0; p < t.Pages.size(); ++p) {
      ASSERT_EQ(t.Pages[p].Texts.size(), 4u);
      EXPECT_EQ(t.Pages[p].Texts[0].Text + t.Pages[p].Texts[2].Text, "Nr" + std::to_string(p + 1));
    }
  }
}

TEST(PrintJobFileNameTest, EachPageOfACommandGetsAFileOfItsOwn) {
  const struct {
    const char* chosen;
    int page;
    bool several;
    const char* expected;
  } cases[] = {
      {"/tmp/print.pdf", 3, true, "/tmp/print-3.pdf"}, {"/tmp/print.pdf", 3, false, "/tmp/print.pdf"},
      {"/tmp/out", 10, true, "/tmp/out-10"},           {"/tmp/a.b/out", 4, true, "/tmp/a.b/out-4"},
      {"/tmp/.pdf", 5, true, "/tmp/.pdf-5"},           {"list.tar.pdf", 7, true, "list.tar-7.pdf"},
  };
  for (const auto& c : cases) EXPECT_EQ(PrintJobFileName(c.chosen, c.page, c.several), c.expected) << c.chosen;
}

}  // namespace

TEST(PrintedFilesTextTest, NamesTheFolderOnceAndTheFilesInOrder) {
  const struct {
    std::vector<std::string> files;
    std::string text;
  } cases[] = {
      {{"/home/me/print.pdf"}, "Printed to the file print.pdf\rin the folder /home/me/"},
      {{"/home/me/p-3.pdf", "/home/me/p-4.pdf"}, "Printed to the files p-3.pdf, p-4.pdf\rin the folder /home/me/"},
      // A file elsewhere keeps its whole path.
      {{"/a/p-3.pdf", "/a/b/p-4.pdf"}, "Printed to the files p-3.pdf, /a/b/p-4.pdf\rin the folder /a/"},
      {{"print.pdf"}, "Printed to the file print.pdf"},
  };
  for (const auto& c : cases) EXPECT_EQ(PrintedFilesText(c.files), c.text);
}

TEST(PictureSizeForPrinterTest, PicturesAreDrawnAt96PixelsAnInch) {
  EXPECT_EQ(PictureSizeForPrinter(QSize(1200, 600), 1200), QSize(96, 48));
  EXPECT_EQ(PictureSizeForPrinter(QSize(6000, 3000), 600), QSize(960, 480));
  // A coarser printer gets a picture of more pixels than its own, so its letters keep their size.
  EXPECT_EQ(PictureSizeForPrinter(QSize(700, 500), 96), QSize(700, 500));
  EXPECT_EQ(PictureSizeForPrinter(QSize(720, 504), 72), QSize(960, 672));
  EXPECT_EQ(PictureSizeForPrinter(QSize(3, 3), 1200), QSize(1, 1));
}

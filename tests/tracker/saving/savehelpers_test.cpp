// The pieces of saving that need no main window: picture sizes, the JPEG test of a name, the
// cells and lines of the saved list, writing pictures, and painting a page into a picture.
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <string>

#include "faultinject.h"
#include "prompts.h"
#include "satmain_file.h"
#include "savingtestutil.h"

using namespace savetest;

namespace {

TEST(A4PictureSize, LongAndShortSidesAtTheResolution) {
  const struct {
    int dpi;
    bool portrait;
    int width, height;
  } cases[] = {
      {150, false, 1754, 1240}, {150, true, 1240, 1754}, {25, false, 292, 207},
      {25, true, 207, 292},     {300, false, 3508, 2480}, {1200, false, 14031, 9921},
      // The settings' range holds: below 25 and above 1200 count as its ends.
      {0, false, 292, 207},     {-40, true, 207, 292},    {100000, false, 14031, 9921},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.dpi) + (c.portrait ? " portrait" : " landscape"));
    EXPECT_EQ(A4PictureSize(c.dpi, c.portrait), QSize(c.width, c.height));
  }
}

TEST(IsJpegFileName, OnlyTheLastFourCharactersCountAnyCase) {
  const std::pair<const char*, bool> cases[] = {
      {"/tmp/Clarke Belt.jpg", true}, {"a.JPG", true},  {"a.jPg", true},      {".jpg", true},
      {"a.jpeg", false},              {"a.bmp", false}, {"a.jpg.bmp", false}, {"jpg", false},
      {"a", false},                   {"", false},      {"a_jpg", false},
  };
  for (const auto& [name, jpeg] : cases) EXPECT_EQ(IsJpegFileName(name), jpeg) << name;
}

TEST(SatListText, CellsThatWouldSplitAreQuotedWithInnerQuotesDoubled) {
  const std::pair<std::string, std::string> cases[] = {
      {"ASTRA 1KR", "\"ASTRA 1KR\""},
      {"Europe,Africa", "\"Europe,Africa\""},
      {"Ku;C", "\"Ku;C\""},
      {"19.200\xB0 E", "\"19.200\xB0 E\""},
      {"19.200\xB0" "E", "19.200\xB0" "E"},
      {"39078", "39078"},
      {"", ""},
      {"say \"hi\" now", "\"say \"\"hi\"\" now\""},
      {"12\"", "\"12\"\"\""},
      {"a\tb", "\"a\tb\""},
      {"two\r\nlines", "\"two\r\nlines\""},
  };
  for (const auto& [text, cell] : cases) EXPECT_EQ(SatListFieldText(text), cell) << text;
}

TEST(SatListText, LinesSeparateCellsButDoNotEndInASeparator) {
  const std::vector<std::string> cells{"19", "ASTRA 1KR", "", "Ku"};
  EXPECT_EQ(SatListLine(cells, ','), "19,\"ASTRA 1KR\",,Ku");
  EXPECT_EQ(SatListLine(cells, ';'), "19;\"ASTRA 1KR\";;Ku");
  EXPECT_EQ(SatListLine(cells, '\t'), "19\t\"ASTRA 1KR\"\t\tKu");
  EXPECT_EQ(SatListLine({}, ','), "");
  EXPECT_EQ(SatListLine({""}, ','), "");
}

// A picture of four coloured quarters, large enough for flat JPEG blocks.
QImage Quarters(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.fillRect(0, 0, w / 2, h / 2, QColor(200, 30, 30));
  p.fillRect(w / 2, 0, w - w / 2, h / 2, QColor(30, 160, 40));
  p.fillRect(0, h / 2, w / 2, h - h / 2, QColor(20, 40, 220));
  return image;
}

TEST(SavePictureFile, BitmapsReadBackPixelForPixel) {
  TTempFolder dir;
  const QImage picture = Quarters(123, 77);
  for (const char* name : {"quarters.bmp", "quarters", "quarters.jpeg", "quarters.BMP"}) {
    SCOPED_TRACE(name);
    const fs::path file = dir.File(name);
    ASSERT_TRUE(SavePictureFile(picture, file.string()));
    QImageReader reader(QString::fromStdString(file.string()));
    EXPECT_EQ(reader.format(), "bmp");
    const QImage back = reader.read();
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture);
    // 24 bits per pixel in the file's header.
    const std::string bytes = uitest::ReadFile(file);
    ASSERT_GT(bytes.size(), 30u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]) | static_cast<unsigned char>(bytes[29]) << 8, 24);
  }
}

TEST(SavePictureFile, JpegIsBaselineColourAtQualityNinety) {
  TTempFolder dir;
  const QImage picture = Quarters(160, 96);
  for (const char* name : {"quarters.jpg", "QUARTERS.JPG"}) {
    SCOPED_TRACE(name);
    const fs::path file = dir.File(name);
    ASSERT_TRUE(SavePictureFile(picture, file.string()));
    const TJpegInfo info = ReadJpegInfo(uitest::ReadFile(file));
    EXPECT_TRUE(info.Baseline);
    EXPECT_FALSE(info.Progressive);
    EXPECT_EQ(info.Precision, 8);
    EXPECT_EQ(info.Components, 3);
    EXPECT_EQ(info.Width, 160);
    EXPECT_EQ(info.Height, 96);
    // The standard luminance table (DC entry 16) scaled for quality 90: (16 * 20 + 50) / 100.
    EXPECT_EQ(info.FirstQuant, 3);
    const QImage back(QString::fromStdString(file.string()));
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_LT(MeanChannelDifference(back, picture), 3.0);
    // Inside a flat quarter the colour comes back almost exactly.
    const QColor red = back.pixelColor(20, 20);
    EXPECT_NEAR(red.red(), 200, 4);
    EXPECT_NEAR(red.green(), 30, 4);
    EXPECT_NEAR(red.blue(), 30, 4);
  }
}

TEST(SavePictureFile, PicturesWithAlphaOrFewerBitsAreWrittenInColour) {
  TTempFolder dir;
  QImage argb = Quarters(64, 64).convertToFormat(QImage::Format_ARGB32);
  QImage indexed = Quarters(64, 64).convertToFormat(QImage::Format_Indexed8);
  for (const QImage* picture : {&argb, &indexed}) {
    const fs::path file = dir.File("p.jpg");
    ASSERT_TRUE(SavePictureFile(*picture, file.string()));
    EXPECT_EQ(ReadJpegInfo(uitest::ReadFile(file)).Components, 3);
  }
}

// A disk that fills up while the new picture is written (a file-size limit in a child): the old
// picture stays byte for byte and the save says it failed.
TEST(SavePictureFile, AFullDiskLeavesTheOldPictureAndReportsTheFailure) {
  TTempFolder dir;
  const QImage old = Quarters(100, 100);
  const QImage next = Quarters(160, 120);
  for (const char* name : {"view.bmp", "view.jpg"}) {
    SCOPED_TRACE(name);
    const fs::path file = dir.File(name);
    ASSERT_TRUE(SavePictureFile(old, file.string()));
    const std::string before = uitest::ReadFile(file);
    // Room for a little more than the old picture, not for the new one.
    const rlim_t limit = before.size() / 2;
    const auto r = faultinject::RunInChild([&] { return SavePictureFile(next, file.string()); }, limit);
    EXPECT_EQ(r, faultinject::TChildResult::Failed);
    EXPECT_EQ(uitest::ReadFile(file), before);
    // Without the limit the same save succeeds.
    ASSERT_TRUE(SavePictureFile(next, file.string()));
    EXPECT_NE(uitest::ReadFile(file), before);
  }
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.File(""))) ++entries;
  EXPECT_EQ(entries, 2);
}

TEST(SavePictureFile, AFailureLeavesTheOldFileAndTheFolder) {
  TTempFolder dir;
  const fs::path old = dir.File("old.bmp");
  uitest::WriteFile(old, "old contents");
  // A null picture (as an allocation that failed leaves) is not written.
  EXPECT_FALSE(SavePictureFile(QImage(), old.string()));
  EXPECT_EQ(uitest::ReadFile(old), "old contents");
  // A picture that can be written replaces it.
  ASSERT_TRUE(SavePictureFile(Quarters(10, 6), old.string()));
  EXPECT_EQ(QImage(QString::fromStdString(old.string())).size(), QSize(10, 6));
  // A folder standing where the file should be, and a folder that does not exist.
  fs::create_directory(dir.File("taken.jpg"));
  EXPECT_FALSE(SavePictureFile(Quarters(8, 8), dir.File("taken.jpg").string()));
  EXPECT_TRUE(fs::is_directory(dir.File("taken.jpg")));
  EXPECT_FALSE(SavePictureFile(Quarters(8, 8), dir.File("missing/p.bmp").string()));
  EXPECT_FALSE(SavePictureFile(Quarters(8, 8), ""));
  // Nothing is left behind besides what was there.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.File(""))) ++entries;
  EXPECT_EQ(entries, 2);
}

TEST(PagePicture, WhatThePageShowsAtItsSize) {
  QWidget page;
  page.resize(120, 80);
  page.setAutoFillBackground(true);
  QPalette pal = page.palette();
  pal.setColor(QPalette::Window, QColor(10, 200, 10));
  page.setPalette(pal);
  QWidget child(&page);
  child.setGeometry(30, 20, 40, 10);
  child.setAutoFillBackground(true);
  QPalette cp = child.palette();
  cp.setColor(QPalette::Window, QColor(250, 0, 0));
  child.setPalette(cp);
  const QImage picture = PagePicture(&page);
  ASSERT_EQ(picture.size(), QSize(120, 80));
  EXPECT_EQ(picture.pixelColor(5, 5), QColor(10, 200, 10));
  EXPECT_EQ(picture.pixelColor(30, 20), QColor(250, 0, 0));
  EXPECT_EQ(picture.pixelColor(69, 29), QColor(250, 0, 0));
  EXPECT_EQ(picture.pixelColor(70, 30), QColor(10, 200, 10));

  // A page without size gives no picture, and saving that reports failure.
  QWidget empty;
  empty.resize(0, 0);
  EXPECT_TRUE(PagePicture(&empty).isNull());
  EXPECT_TRUE(PagePicture(nullptr).isNull());
}

// The save dialog adds the extension of the chosen file type to a bare name, as the list's three
// forms and the two picture types need.
TEST(SaveDialog, TheExtensionAddedToABareNameFollowsTheChosenType) {
  TTempFolder dir;
  TQtPrompts prompts;
  const struct {
    const char* filter;
    int start, chosen;
    const char* suffixAtStart;
    const char* file;
  } cases[] = {
      {kSatListFilter, 3, 1, "txt", "Sat List.csv"},
      {kSatListFilter, 1, 3, "csv", "Sat List.txt"},
      {kPictureFilter, 1, 2, "bmp", "Sat List.jpg"},
      {"Everything (*.*)|*.*", 1, 1, "bmp", "Sat List.bmp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TSaveDialog d;
    d.DefaultExt = "bmp";
    d.Filter = c.filter;
    d.FilterIndex = c.start;
    d.InitialDir = dir.File("").string();
    d.FileName = "Sat List";
    QString suffixAtStart;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      suffixAtStart = dialog->defaultSuffix();
      // The user picks a type in the dialog's type box.
      if (auto* types = dialog->findChild<QComboBox*>("fileTypeCombo")) {
        types->setCurrentIndex(c.chosen - 1);
        emit types->activated(c.chosen - 1);
        emit types->textActivated(types->currentText());
      }
      static_cast<QDialog*>(dialog)->accept();
    });
    ASSERT_TRUE(prompts.ExecuteSaveDialog(d));
    EXPECT_EQ(suffixAtStart.toStdString(), c.suffixAtStart);
    EXPECT_EQ(fs::path(d.FileName), dir.File(c.file));
    EXPECT_EQ(d.FilterIndex, c.chosen);
  }
}

}  // namespace

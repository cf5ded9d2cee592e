// Shared pieces of the saving tests: a save dialog that answers with a chosen file, a folder of
// the test's own, the JPEG header reader and picture comparisons.
#pragma once

#include <QImage>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "uitestutil.h"

namespace savetest {

namespace fs = std::filesystem;

// Answers each save dialog with the next queued file and filter entry (cancels when none is
// queued) and keeps what the window had set in the dialog.
class TSavePrompts : public uitest::TScriptedPrompts {
 public:
  struct TAnswer {
    std::string FileName;
    int FilterIndex = 1;
  };
  bool ExecuteSaveDialog(TSaveDialog& dialog) override;

  std::deque<TAnswer> SaveAnswers;
  std::vector<TSaveDialog> SaveDialogsSeen;
};

// An empty folder, removed with everything in it at the end.
class TTempFolder {
 public:
  TTempFolder();
  ~TTempFolder();
  fs::path File(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

// What the frame header of a JPEG file says (all zero when there is none).
struct TJpegInfo {
  bool Baseline = false;     // SOF0
  bool Progressive = false;  // SOF2
  int Width = 0, Height = 0, Components = 0, Precision = 0;
  int FirstQuant = -1;       // first (DC) entry of quantisation table 0
};
TJpegInfo ReadJpegInfo(const std::string& bytes);

// Mean absolute difference per colour channel of two pictures of the same size; -1 when the
// sizes differ.
double MeanChannelDifference(const QImage& a, const QImage& b);

// The folder for pictures a person looks at ($VELMAR_TEST_OUT).
std::string OutputFolder();

}  // namespace savetest

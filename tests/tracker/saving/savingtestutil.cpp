#include "savingtestutil.h"

#include <cstdlib>
#include <stdexcept>

namespace savetest {

bool TSavePrompts::ExecuteSaveDialog(TSaveDialog& dialog) {
  ++FileDialogs;
  SaveDialogsSeen.push_back(dialog);
  if (SaveAnswers.empty()) return false;
  dialog.FileName = SaveAnswers.front().FileName;
  dialog.FilterIndex = SaveAnswers.front().FilterIndex;
  SaveAnswers.pop_front();
  return true;
}

TTempFolder::TTempFolder() {
  std::string tmpl = (fs::temp_directory_path() / "velmar-save-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TTempFolder::~TTempFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

TJpegInfo ReadJpegInfo(const std::string& b) {
  TJpegInfo info;
  const auto byte = [&](size_t i) { return i < b.size() ? static_cast<unsigned char>(b[i]) : 0u; };
  if (byte(0) != 0xFF || byte(1) != 0xD8) return info;
  size_t i = 2;
  while (i + 4 <= b.size() && byte(i) == 0xFF) {
    const unsigned marker = byte(i + 1);
    const size_t length = byte(i + 2) << 8 | byte(i + 3);
    const size_t body = i + 4;
    if (marker == 0xDB && info.FirstQuant < 0) {
      // Pq/Tq byte, then 64 entries of 8 bits (Pq 0) in zigzag order.
      const unsigned pqtq = byte(body);
      if ((pqtq & 0x0F) == 0 && (pqtq >> 4) == 0) info.FirstQuant = static_cast<int>(byte(body + 1));
    } else if (marker == 0xC0 || marker == 0xC2) {
      info.Baseline = marker == 0xC0;
      info.Progressive = marker == 0xC2;
      info.Precision = static_cast<int>(byte(body));
      info.Height = static_cast<int>(byte(body + 1) << 8 | byte(body + 2));
      info.Width = static_cast<int>(byte(body + 3) << 8 | byte(body + 4));
      info.Components = static_cast<int>(byte(body + 5));
    } else if (marker == 0xDA) {
      break;  // the scan follows
    }
    i += 2 + length;
  }
  return info;
}

double MeanChannelDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size() || a.isNull()) return -1;
  const QImage x = a.convertToFormat(QImage::Format_RGB32);
  const QImage y = b.convertToFormat(QImage::Format_RGB32);
  double sum = 0;
  for (int r = 0; r < x.height(); ++r) {
    const QRgb* p = reinterpret_cast<const QRgb*>(x.constScanLine(r));
    const QRgb* q = reinterpret_cast<const QRgb*>(y.constScanLine(r));
    for (int c = 0; c < x.width(); ++c)
      sum += std::abs(qRed(p[c]) - qRed(q[c])) + std::abs(qGreen(p[c]) - qGreen(q[c])) +
             std::abs(qBlue(p[c]) - qBlue(q[c]));
  }
  return sum / (3.0 * x.width() * x.height());
}

std::string OutputFolder() {
  const char* out = std::getenv("VELMAR_TEST_OUT");
  const fs::path dir = out && *out ? fs::path(out) : fs::temp_directory_path();
  fs::create_directories(dir);
  return dir.string();
}

}  // namespace savetest

// Texts across the Qt boundary: the model keeps single-byte Latin-1 texts, Qt wants Unicode.
#pragma once

#include <QString>
#include <string>
#include <string_view>

inline QString QStr(std::string_view ansi) {
  return QString::fromLatin1(ansi.data(), static_cast<qsizetype>(ansi.size()));
}
// Characters outside Latin-1 become '?'.
inline std::string AnsiStr(const QString& s) {
  std::string out;
  out.reserve(static_cast<size_t>(s.size()));
  for (QChar c : s) out.push_back(c.unicode() < 256 ? static_cast<char>(c.unicode()) : '?');
  return out;
}
// File paths travel as the file system's bytes (UTF-8).
inline QString QPath(const std::string& path) { return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())); }
inline std::string PathStr(const QString& path) { return path.toUtf8().toStdString(); }

// Text between the forms and Qt. Captions and items are the program's own
// UTF-8 texts; paths, log lines and list entries are in the system code page.
#pragma once

#include <QString>
#include <string>

#include "core/encoding.h"
#include "core/jobstate.h"

inline QString FromUtf8(const std::string& s) {
  QString text = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

inline QString FromSystem(const std::string& s) {
  if (Process().SystemCodePage == kCpUtf8) return FromUtf8(s);
  QString text = QString::fromStdU16String(BytesToWide(s, Process().SystemCodePage));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

inline std::string ToSystem(const QString& s) {
  if (Process().SystemCodePage == kCpUtf8) return s.toStdString();
  return WideToBytes(s.toStdU16String(), Process().SystemCodePage);
}

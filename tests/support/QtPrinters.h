#pragma once
// How Qt values read in failure messages: a QString as its text in quotes.

#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

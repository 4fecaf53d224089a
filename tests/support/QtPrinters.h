#pragma once
// How Qt values read in failure messages: a QString as its text in quotes, a rectangle as
// "x,y widthxheight", a point as "x,y".

#include <QPoint>
#include <QRect>
#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QRect& rect, std::ostream* os) {
  *os << rect.x() << ',' << rect.y() << ' ' << rect.width() << 'x' << rect.height();
}

inline void PrintTo(const QPoint& point, std::ostream* os) {
  *os << point.x() << ',' << point.y();
}

#include "shared/Variant.h"

#include <charconv>
#include <cmath>

namespace qvt {

double Variant::numberValue() const {
  if (isInteger())
    return toInteger();
  if (isLong())
    return toLong();
  if (isDouble())
    return toDouble();
  return 0;
}

QString Variant::plainText() const {
  if (isEmpty())
    return QString();
  if (isBool())
    return toBool() ? QStringLiteral("True") : QStringLiteral("False");
  if (isNumber())
    return FormatNumber(numberValue());
  if (isString())
    return toString();
  return QString::fromLatin1(toBytes());
}

QString FormatNumber(double value) {
  if (value == 0)
    return QStringLiteral("0");  // also -0
  char buffer[400];
  // Whole numbers in plain digits (100000, not 1e+05) up to 15 digits; others in their
  // shortest form.
  const bool whole = std::fabs(value) < 1e15 && value == std::trunc(value);
  const auto result =
      whole ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
            : std::to_chars(buffer, buffer + sizeof buffer, value);
  return QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

double RoundHalfEven(double value) {
  return std::nearbyint(value);
}

}  // namespace qvt

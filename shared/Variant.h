#pragma once
// The tagged value that settings travel in: Empty, Boolean, 16-bit Integer, 32-bit Long,
// Double, String, and a byte array for binary registry values.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <variant>

namespace qvt {

struct Empty {
  bool operator==(const Empty&) const = default;
};

class Variant {
 public:
  using Storage = std::variant<Empty, bool, int16_t, int32_t, double, QString, QByteArray>;

  Variant() = default;
  Variant(bool b) : v_(b) {}  // NOLINT: implicit like the values it stands for
  Variant(int16_t i) : v_(i) {}
  Variant(int32_t l) : v_(l) {}
  Variant(double d) : v_(d) {}
  Variant(const QString& s) : v_(s) {}
  Variant(const char* s) : v_(QString::fromUtf8(s)) {}
  Variant(const QByteArray& b) : v_(b) {}

  bool isEmpty() const { return std::holds_alternative<Empty>(v_); }
  bool isBool() const { return std::holds_alternative<bool>(v_); }
  bool isInteger() const { return std::holds_alternative<int16_t>(v_); }
  bool isLong() const { return std::holds_alternative<int32_t>(v_); }
  bool isDouble() const { return std::holds_alternative<double>(v_); }
  bool isString() const { return std::holds_alternative<QString>(v_); }
  bool isBytes() const { return std::holds_alternative<QByteArray>(v_); }
  bool isNumber() const { return isInteger() || isLong() || isDouble(); }

  bool toBool() const { return std::get<bool>(v_); }
  int16_t toInteger() const { return std::get<int16_t>(v_); }
  int32_t toLong() const { return std::get<int32_t>(v_); }
  double toDouble() const { return std::get<double>(v_); }
  const QString& toString() const { return std::get<QString>(v_); }
  const QByteArray& toBytes() const { return std::get<QByteArray>(v_); }

  // Any number as a double (Integer, Long, Double); 0 for other kinds.
  double numberValue() const;
  // The plain text form: numbers in shortest decimal form with ".", Booleans "True"/"False",
  // Empty as "", strings as they are.
  QString plainText() const;

  const Storage& storage() const { return v_; }
  bool operator==(const Variant& other) const = default;

 private:
  Storage v_;
};

// Shortest decimal text of a double with "." and no decimal point for whole numbers.
QString FormatNumber(double value);
// Rounds to the nearest whole number, a half going to the even neighbour.
double RoundHalfEven(double value);

}  // namespace qvt

#include "player/startup/UpperForm.h"

namespace qvt::GlobalMethods {

namespace {

// Reads the whole text without an early exit, so that the compiler checks many characters at
// once.
bool IsAscii(QStringView text) {
  char16_t bits = 0;
  for (const QChar c : text)
    bits |= c.unicode();
  return bits < 0x80;
}

// The bit by which the two cases of an ASCII letter differ; 0 for any other character, which
// upper-casing leaves as it is.
char16_t CaseBit(char16_t c) {
  const char16_t lower = c | 0x20;
  return lower >= u'a' && lower <= u'z' ? 0x20 : 0;
}

// Whether ASCII `part` occurs in ASCII `text` when both are upper-cased: letters compare with
// their case bit set on both sides, other characters as they are.
bool ContainsAscii(QStringView text, QStringView part) {
  const qsizetype length = part.size();
  if (length == 0)
    return true;
  const char16_t* t = text.utf16();
  const char16_t* p = part.utf16();
  const char16_t firstBit = CaseBit(p[0]);
  const char16_t first = p[0] | firstBit;
  for (qsizetype i = 0; i + length <= text.size(); ++i) {
    if ((t[i] | firstBit) != first)
      continue;
    qsizetype k = 1;
    while (k < length && (t[i + k] | CaseBit(p[k])) == (p[k] | CaseBit(p[k])))
      ++k;
    if (k == length)
      return true;
  }
  return false;
}

}  // namespace

UpperForm::UpperForm(QStringView text) : ascii_(IsAscii(text)) {
  if (!ascii_)
    owned_ = text.toString().toUpper();
  view_ = ascii_ ? text : QStringView(owned_);
}

bool UpperForm::operator==(const UpperForm& other) const {
  if (size() != other.size())
    return false;
  for (qsizetype i = 0; i < size(); ++i) {
    if (at(i) != other.at(i))
      return false;
  }
  return true;
}

bool UpperForm::contains(const UpperForm& part) const {
  if (ascii_ && part.ascii_)
    return ContainsAscii(view_, part.view_);
  const qsizetype length = part.size();
  if (length == 0)
    return true;
  const char16_t first = part.at(0);
  for (qsizetype i = 0; i + length <= size(); ++i) {
    if (at(i) != first)
      continue;
    qsizetype k = 1;
    while (k < length && at(i + k) == part.at(k))
      ++k;
    if (k == length)
      return true;
  }
  return false;
}

}  // namespace qvt::GlobalMethods

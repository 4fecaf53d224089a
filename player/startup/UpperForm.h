#pragma once
// The upper-cased form of a text exactly as QString::toUpper gives it, read character by
// character, for the searches over the play list that compare texts without regard to case.
//
// Plain ASCII text (nearly every name and path) is mapped on the fly instead of being copied,
// so a scan over a long list allocates nothing. Any other text is upper-cased once as a whole,
// since upper-casing may change its length ("ß" becomes "SS") and only QString::toUpper knows
// every such mapping.
//
//   UpperForm(QStringLiteral("My Song.mp3")).contains(UpperForm(QStringLiteral("song")))  // true

#include <QString>
#include <QStringView>

namespace qvt::GlobalMethods {

class UpperForm {
 public:
  // The text must outlive the object, which may read it in place.
  explicit UpperForm(QStringView text);
  UpperForm(const UpperForm&) = delete;
  UpperForm& operator=(const UpperForm&) = delete;

  qsizetype size() const { return view_.size(); }
  char16_t at(qsizetype i) const {
    const char16_t c = view_[i].unicode();
    return ascii_ && c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
  }
  bool operator==(const UpperForm& other) const;
  // Whether `part` occurs anywhere in this text; an empty part occurs in every text.
  bool contains(const UpperForm& part) const;

 private:
  bool ascii_ = true;
  QString owned_;  // the upper-cased copy of a text that is not plain ASCII
  QStringView view_;
};

}  // namespace qvt::GlobalMethods

#pragma once
// The error that cRegistry raises: a number, a source ("<program>.cRegistry") and a
// description.

#include <QString>
#include <cstdint>
#include <stdexcept>

namespace qvt {

// Error numbers. The object-error numbers are the object-error base 0x80040000 plus an offset.
inline constexpr int32_t kRegErrGeneral = 26001;
inline constexpr int32_t kRegErrStoreFailed = static_cast<int32_t>(0x800469A9u);      // + 27049
inline constexpr int32_t kRegErrEnumSections = static_cast<int32_t>(0x800469AAu);     // + 27050
inline constexpr int32_t kRegErrAssociation = static_cast<int32_t>(0x800469ACu);      // + 27052
inline constexpr int32_t kRegErrAdditionalVerbs = static_cast<int32_t>(0x800469ADu);  // + 27053

class RegistryError : public std::runtime_error {
 public:
  RegistryError(int32_t number, QString source, QString description)
      : std::runtime_error(description.toStdString()),
        number_(number),
        source_(std::move(source)),
        description_(std::move(description)) {}

  int32_t number() const { return number_; }
  const QString& source() const { return source_; }
  const QString& description() const { return description_; }

 private:
  int32_t number_;
  QString source_;
  QString description_;
};

}  // namespace qvt

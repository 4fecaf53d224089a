#pragma once
// The outcome of an operation that can fail in a way its caller handles: the value, or the
// description of the failure. Shaped like C++23's std::expected, which C++20 does not have.
#include <QString>
#include <utility>
#include <variant>

namespace qvt {

// What a failed operation answers: `return Unexpected{description};`.
struct Unexpected {
  QString message;
};

template <typename T = void>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(Unexpected failure) : state_(std::in_place_index<1>, std::move(failure)) {}

  bool has_value() const { return state_.index() == 0; }
  explicit operator bool() const { return has_value(); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  const T& operator*() const& { return value(); }
  const T* operator->() const { return &value(); }
  // The value, or `otherwise` for a failed result.
  T value_or(T otherwise) const { return has_value() ? value() : std::move(otherwise); }
  // The failure's description; empty for a result with a value.
  const QString& error() const {
    static const QString none;
    return has_value() ? none : std::get<1>(state_).message;
  }

 private:
  std::variant<T, Unexpected> state_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Unexpected failure) : failure_(std::move(failure.message)), bFailed_(true) {}

  bool has_value() const { return !bFailed_; }
  explicit operator bool() const { return has_value(); }
  const QString& error() const { return failure_; }

 private:
  QString failure_;
  bool bFailed_ = false;
};

}  // namespace qvt

#pragma once
// Soft checks and skipped steps. A condition that should hold but need not stop the program,
// and a failure that the code catches and goes on from, each leave a warning that says where
// it happened and what was dropped: nothing fails without a log line.
#include <QDebug>
#include <QString>
#include <exception>
#include <source_location>
#include <utility>

namespace qvt {

// Writes "file:line: text" as a warning.
inline void LogAt(const std::source_location& where, const QString& text) {
  qWarning().noquote().nospace() << where.file_name() << ':' << where.line() << ": " << text;
}

// Called inside a catch block: logs what the block caught and goes on from, with the place
// of the block; a std::exception is named by its what().
inline void LogDropped(std::source_location where = std::source_location::current()) {
  try {
    throw;
  } catch (const std::exception& failure) {
    LogAt(where, QStringLiteral("dropped: ") + QString::fromUtf8(failure.what()));
  } catch (...) {
    LogAt(where, QStringLiteral("dropped: an exception that is not a std::exception"));
  }
}

// Runs one step. A std::exception it throws is logged, handed to onFailure, and the step counts
// as skipped: the answer is false and the caller goes on with its next statement. Anything that
// is not a std::exception passes through.
template <typename Step, typename OnFailure>
bool TryStep(Step&& step, OnFailure&& onFailure,
             std::source_location where = std::source_location::current()) {
  try {
    std::forward<Step>(step)();
    return true;
  } catch (const std::exception& failure) {
    LogDropped(where);
    onFailure(failure);
    return false;
  }
}

template <typename Step>
bool TryStep(Step&& step, std::source_location where = std::source_location::current()) {
  return TryStep(
      std::forward<Step>(step), [](const std::exception&) {}, where);
}

namespace detail {

inline bool Check(bool bHolds, const char* condition, const std::source_location& where) {
  if (!bHolds)
    LogAt(where, QStringLiteral("check failed: ") + QString::fromUtf8(condition));
  return bHolds;
}

template <typename Value>
bool Check(bool bHolds, const char* condition, const std::source_location& where,
           const Value& value) {
  if (!bHolds) {
    QString text;
    QDebug(&text).nospace() << value;
    LogAt(where,
          QStringLiteral("check failed: %1 (value: %2)").arg(QString::fromUtf8(condition), text));
  }
  return bHolds;
}

}  // namespace detail

}  // namespace qvt

// QVT_CHECK(cond) or QVT_CHECK(cond, value): when cond is false, logs file:line, the condition
// as written and the value, if one is given, then goes on. Answers cond, so a caller can write
// `if (!QVT_CHECK(index < size, index)) return;`.
#define QVT_CHECK(cond, ...)                           \
  ::qvt::detail::Check(static_cast<bool>(cond), #cond, \
                       std::source_location::current() __VA_OPT__(, ) __VA_ARGS__)

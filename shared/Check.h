#pragma once
// Soft checks and skipped steps. A condition that should hold but need not stop the program,
// and a failure that the code catches and goes on from, each leave a warning that says where
// it happened and what was dropped: nothing fails without a log line.
#include <QDebug>
#include <QString>
#include <exception>
#if __has_include(<source_location>)
#include <source_location>
#endif
#include <utility>

namespace qvt {

// A place in the source: the file and line of a check, or of the caller of a function that
// takes one as a defaulted last argument (QVT_CALLER_PLACE).
struct CodePlace {
  const char* file;
  unsigned line;
};

// std::source_location where the library has it; clang 14 (used for fuzzing) cannot compile
// libstdc++'s, and its builtins give the caller's place in a default argument as well.
#if defined(__cpp_lib_source_location)
inline CodePlace PlaceOf(const std::source_location& where) {
  return CodePlace{where.file_name(), static_cast<unsigned>(where.line())};
}
#define QVT_CALLER_PLACE ::qvt::PlaceOf(std::source_location::current())
#else
#define QVT_CALLER_PLACE                                      \
  ::qvt::CodePlace {                                          \
    __builtin_FILE(), static_cast<unsigned>(__builtin_LINE()) \
  }
#endif

// Writes "file:line: text" as a warning.
inline void LogAt(const CodePlace& where, const QString& text) {
  qWarning().noquote().nospace() << where.file << ':' << where.line << ": " << text;
}

// Called inside a catch block: logs what the block caught and goes on from, with the place
// of the block; a std::exception is named by its what().
inline void LogDropped(CodePlace where = QVT_CALLER_PLACE) {
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
bool TryStep(Step&& step, OnFailure&& onFailure, CodePlace where = QVT_CALLER_PLACE) {
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
bool TryStep(Step&& step, CodePlace where = QVT_CALLER_PLACE) {
  return TryStep(
      std::forward<Step>(step), [](const std::exception&) {}, where);
}

namespace detail {

inline bool Check(bool bHolds, const char* condition, const CodePlace& where) {
  if (!bHolds)
    LogAt(where, QStringLiteral("check failed: ") + QString::fromUtf8(condition));
  return bHolds;
}

template <typename Value>
bool Check(bool bHolds, const char* condition, const CodePlace& where, const Value& value) {
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
#define QVT_CHECK(cond, ...)                                                                      \
  ::qvt::detail::Check(static_cast<bool>(cond), #cond,                                            \
                       ::qvt::CodePlace{__FILE__, static_cast<unsigned>(__LINE__)} __VA_OPT__(, ) \
                           __VA_ARGS__)

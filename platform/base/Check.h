#pragma once
// Soft checks and skipped steps. A condition that should hold but need not stop the program,
// and a failure that the code catches and goes on from, each leave a warning in a logging area
// (platform/base/Log.h) that says where it happened and what was dropped: nothing fails without a
// log line. A failure that is part of normal use leaves an info line instead.
#include <QDebug>
#include <QLoggingCategory>
#include <QString>
#include <exception>
#if __has_include(<source_location>)
#include <source_location>
#endif
#include <utility>

#include "platform/base/Log.h"

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

// Writes "file:line: text" into a logging area at a level (warning or info).
inline void LogAt(const QLoggingCategory& area, QtMsgType level, const CodePlace& where,
                  const QString& text) {
  if (!area.isEnabled(level))
    return;
  QMessageLogger logger(where.file, static_cast<int>(where.line), nullptr, area.categoryName());
  (level == QtWarningMsg ? logger.warning() : logger.info()).noquote().nospace()
      << where.file << ':' << where.line << ": " << text;
}

namespace detail {

// Called inside a catch block: logs what the block caught, a std::exception by its what().
inline void LogCaught(const QLoggingCategory& area, QtMsgType level, const CodePlace& where,
                      const QString& prefix) {
  try {
    throw;
  } catch (const std::exception& failure) {
    LogAt(area, level, where, prefix + QString::fromUtf8(failure.what()));
  } catch (...) {
    LogAt(area, level, where, prefix + QStringLiteral("an exception that is not a std::exception"));
  }
}

}  // namespace detail

// Called inside a catch block: logs as a warning what the block caught and goes on from, with
// the place of the block.
inline void LogDropped(const QLoggingCategory& area, CodePlace where = QVT_CALLER_PLACE) {
  detail::LogCaught(area, QtWarningMsg, where, QStringLiteral("dropped: "));
}

// Called inside a catch block whose failure is part of normal use (a song that does not play, a
// file that a fresh install does not have yet): an info line, not a warning.
inline void LogExpected(const QLoggingCategory& area, CodePlace where = QVT_CALLER_PLACE) {
  detail::LogCaught(area, QtInfoMsg, where, QStringLiteral("failed as it may: "));
}

// Runs one step. A std::exception it throws is logged as dropped, handed to onFailure, and the
// step counts as skipped: the answer is false and the caller goes on with its next statement.
// Anything that is not a std::exception passes through.
template <typename Step, typename OnFailure>
bool TryStep(const QLoggingCategory& area, Step&& step, OnFailure&& onFailure,
             CodePlace where = QVT_CALLER_PLACE) {
  try {
    std::forward<Step>(step)();
    return true;
  } catch (const std::exception& failure) {
    LogDropped(area, where);
    onFailure(failure);
    return false;
  }
}

template <typename Step>
bool TryStep(const QLoggingCategory& area, Step&& step, CodePlace where = QVT_CALLER_PLACE) {
  return TryStep(
      area, std::forward<Step>(step), [](const std::exception&) {}, where);
}

// The same for a step whose failure is part of normal use and is handled by the caller's answer
// (starting a song that does not play): the failure is an info line.
template <typename Step>
bool TryExpectedStep(const QLoggingCategory& area, Step&& step,
                     CodePlace where = QVT_CALLER_PLACE) {
  try {
    std::forward<Step>(step)();
    return true;
  } catch (const std::exception&) {
    LogExpected(area, where);
    return false;
  }
}

namespace detail {

inline bool Check(const QLoggingCategory& area, bool bHolds, const char* condition,
                  const CodePlace& where) {
  if (!bHolds)
    LogAt(area, QtWarningMsg, where,
          QStringLiteral("check failed: ") + QString::fromUtf8(condition));
  return bHolds;
}

template <typename Value>
bool Check(const QLoggingCategory& area, bool bHolds, const char* condition, const CodePlace& where,
           const Value& value) {
  if (!bHolds && area.isWarningEnabled()) {
    QString text;
    QDebug(&text).nospace() << value;
    LogAt(area, QtWarningMsg, where,
          QStringLiteral("check failed: %1 (value: %2)").arg(QString::fromUtf8(condition), text));
  }
  return bHolds;
}

}  // namespace detail

}  // namespace qvt

// QVT_CHECK(area, cond) or QVT_CHECK(area, cond, value): when cond is false, logs into the area
// file:line, the condition as written and the value, if one is given, then goes on. Answers
// cond, so a caller can write `if (!QVT_CHECK(lcPlaylist(), index < size, index)) return;`.
#define QVT_CHECK(area, cond, ...)                                                                \
  ::qvt::detail::Check(area, static_cast<bool>(cond), #cond,                                      \
                       ::qvt::CodePlace{__FILE__, static_cast<unsigned>(__LINE__)} __VA_OPT__(, ) \
                           __VA_ARGS__)

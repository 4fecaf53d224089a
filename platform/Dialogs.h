#pragma once
// Message boxes and the input box. Every box the programs show goes through this seam so that
// tests can script the answers and assert the exact text, title and buttons.

#include <QString>
#include <optional>

namespace qvt {

enum class MsgButtons { OkOnly, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgResult { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

struct MessageBoxSpec {
  QString text;
  QString title;  // empty: the program's name
  MsgButtons buttons = MsgButtons::OkOnly;
  MsgIcon icon = MsgIcon::None;
  int defaultButton = 1;  // 1 = first button, 2 = second, 3 = third
  bool systemModal = false;
};

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  virtual MsgResult messageBox(const MessageBoxSpec& spec) = 0;
  // Returns the text typed, or nothing when the user cancelled.
  virtual std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                          const QString& defaultText) = 0;
  // The folder the user chooses, the chooser opened at startFolder; nothing when cancelled.
  virtual std::optional<QString> chooseFolder(const QString& title, const QString& startFolder) = 0;
};

}  // namespace qvt

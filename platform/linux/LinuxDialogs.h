#pragma once
#include <memory>

#include "platform/Dialogs.h"

class QInputDialog;
class QMessageBox;

namespace qvt {

// The boxes as they are shown, built but not yet shown (the screenshot test shows them
// without waiting for an answer). Each is wide enough for its whole title to show in the
// window manager's title bar.
std::unique_ptr<QMessageBox> BuildMessageBox(const MessageBoxSpec& spec);
std::unique_ptr<QInputDialog> BuildInputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText);

// In a test build, the file named by QUAVERTONE_AUTO_ANSWER: every box is logged there and
// answers itself, so that tests run the real programs without a user. Empty in a release build,
// whatever the environment says.
QString AutoAnswerLog();

// QMessageBox, QInputDialog and QFileDialog's folder chooser.
class LinuxDialogs : public IDialogs {
 public:
  MsgResult messageBox(const MessageBoxSpec& spec) override;
  std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText) override;
  std::optional<QString> chooseFolder(const QString& title, const QString& startFolder) override;
};

}  // namespace qvt

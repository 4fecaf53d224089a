#pragma once
#include "platform/Dialogs.h"

namespace qvt {

// QMessageBox and QInputDialog.
class LinuxDialogs : public IDialogs {
 public:
  MsgResult messageBox(const MessageBoxSpec& spec) override;
  std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText) override;
};

}  // namespace qvt

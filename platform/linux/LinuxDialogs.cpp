#include "platform/linux/LinuxDialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>
#include <QTimer>
#include <vector>

namespace qvt {

namespace {

struct ButtonDef {
  QMessageBox::StandardButton standard;
  MsgResult result;
};

std::vector<ButtonDef> buttonsFor(MsgButtons buttons) {
  switch (buttons) {
    case MsgButtons::OkOnly:
      return {{QMessageBox::Ok, MsgResult::Ok}};
    case MsgButtons::OkCancel:
      return {{QMessageBox::Ok, MsgResult::Ok}, {QMessageBox::Cancel, MsgResult::Cancel}};
    case MsgButtons::AbortRetryIgnore:
      return {{QMessageBox::Abort, MsgResult::Abort},
              {QMessageBox::Retry, MsgResult::Retry},
              {QMessageBox::Ignore, MsgResult::Ignore}};
    case MsgButtons::YesNoCancel:
      return {{QMessageBox::Yes, MsgResult::Yes},
              {QMessageBox::No, MsgResult::No},
              {QMessageBox::Cancel, MsgResult::Cancel}};
    case MsgButtons::YesNo:
      return {{QMessageBox::Yes, MsgResult::Yes}, {QMessageBox::No, MsgResult::No}};
    case MsgButtons::RetryCancel:
      return {{QMessageBox::Retry, MsgResult::Retry}, {QMessageBox::Cancel, MsgResult::Cancel}};
  }
  return {{QMessageBox::Ok, MsgResult::Ok}};
}

QMessageBox::Icon iconFor(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Critical:
      return QMessageBox::Critical;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QString AutoAnswerLog() {
#ifdef QVT_TEST_BUILD
  return QString::fromLocal8Bit(qgetenv("QUAVERTONE_AUTO_ANSWER"));
#else
  // A released program always waits for its user: no environment answers its boxes.
  return {};
#endif
}

namespace {

// With QUAVERTONE_AUTO_ANSWER naming a file (test builds only), every box is appended to that file
// (title, a tab, the text with line ends shown as "|", one box a line) and answered with its
// default button. End-to-end tests drive the real programs this way.
void AutoAnswer(QMessageBox& box, const MessageBoxSpec& spec) {
  const QString log = AutoAnswerLog();
  if (log.isEmpty())
    return;
  QFile file(log);
  if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
    QString text = spec.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("|"));
    file.write((spec.title + QLatin1Char('\t') + text + QLatin1Char('\n')).toUtf8());
  }
  QTimer::singleShot(0, &box, [&box] {
    QAbstractButton* answer = box.defaultButton();
    if (answer == nullptr && !box.buttons().isEmpty())
      answer = box.buttons().first();
    if (answer != nullptr)
      answer->click();
  });
}

// The client width a box needs so that a window manager's title bar shows its whole title
// beside the bar's buttons: the title in a bold face a little larger than the window text
// (title bars commonly use one), plus room for an icon and three buttons.
int WidthForTitle(const QString& title) {
  QFont font = QApplication::font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 1.25);
  constexpr int kTitleBarButtons = 120;
  return QFontMetrics(font).horizontalAdvance(title) + kTitleBarButtons;
}

}  // namespace

std::unique_ptr<QMessageBox> BuildMessageBox(const MessageBoxSpec& spec) {
  auto box = std::make_unique<QMessageBox>(iconFor(spec.icon), spec.title, spec.text);
  box->setTextFormat(Qt::PlainText);  // messages carry song names, paths and file contents
  const std::vector<ButtonDef> defs = buttonsFor(spec.buttons);
  for (const ButtonDef& def : defs)
    box->addButton(def.standard);
  const size_t defaultIndex = static_cast<size_t>(spec.defaultButton - 1);
  if (defaultIndex < defs.size())
    box->setDefaultButton(defs[defaultIndex].standard);
  // Every box comes up above every window of the program, the progress windows (which stay on
  // top) included, and takes the focus.
  box->setWindowFlags(box->windowFlags() | Qt::WindowStaysOnTopHint);
  if (spec.systemModal)
    box->setWindowModality(Qt::ApplicationModal);
  // QMessageBox sizes itself to its text: a spacer across its grid keeps it wide enough for
  // the title too.
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    grid->addItem(new QSpacerItem(WidthForTitle(spec.title), 0, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  return box;
}

std::unique_ptr<QInputDialog> BuildInputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText) {
  auto box = std::make_unique<QInputDialog>();
  box->setInputMode(QInputDialog::TextInput);
  box->setWindowTitle(title);
  box->setLabelText(prompt);
  box->setTextValue(defaultText);
  // The prompt is text, never markup.
  for (QLabel* label : box->findChildren<QLabel*>())
    label->setTextFormat(Qt::PlainText);
  box->setMinimumWidth(WidthForTitle(title));
  // Of fixed size, as a message box: a window manager then draws no resize handle under the
  // buttons. (The dialog builds its layout when its size is first asked for.)
  box->sizeHint();
  if (QLayout* layout = box->layout())
    layout->setSizeConstraint(QLayout::SetFixedSize);
  return box;
}

MsgResult LinuxDialogs::messageBox(const MessageBoxSpec& spec) {
  const std::unique_ptr<QMessageBox> owned = BuildMessageBox(spec);
  QMessageBox& box = *owned;
  const std::vector<ButtonDef> defs = buttonsFor(spec.buttons);
  AutoAnswer(box, spec);
  QTimer::singleShot(0, &box, [&box] {
    box.raise();
    box.activateWindow();
  });
  box.exec();
  const auto clicked = box.standardButton(box.clickedButton());
  for (const ButtonDef& def : defs) {
    if (def.standard == clicked)
      return def.result;
  }
  // Closed without a button: the cancelling answer, or the only one.
  for (const ButtonDef& def : defs) {
    if (def.result == MsgResult::Cancel)
      return MsgResult::Cancel;
  }
  return defs.size() == 1 ? defs.front().result : MsgResult::No;
}

namespace {

// Under QUAVERTONE_AUTO_ANSWER an input box or a folder chooser logs itself (title, a tab, what
// it asks) and is cancelled, like a message box that takes its default button: nothing waits
// for a user who is not there. True when it was.
bool AutoCancelled(const QString& title, const QString& asked) {
  const QString log = AutoAnswerLog();
  if (log.isEmpty())
    return false;
  QFile file(log);
  if (file.open(QIODevice::WriteOnly | QIODevice::Append))
    file.write((title + QLatin1Char('\t') + asked + QLatin1Char('\n')).toUtf8());
  return true;
}

}  // namespace

std::optional<QString> LinuxDialogs::inputBox(const QString& prompt, const QString& title,
                                              const QString& defaultText) {
  if (AutoCancelled(title, QStringLiteral("input: ") + prompt))
    return std::nullopt;
  const std::unique_ptr<QInputDialog> box = BuildInputBox(prompt, title, defaultText);
  if (box->exec() != QDialog::Accepted)
    return std::nullopt;
  return box->textValue();
}

std::optional<QString> LinuxDialogs::chooseFolder(const QString& title,
                                                  const QString& startFolder) {
  if (AutoCancelled(title, QStringLiteral("folder: ") + startFolder))
    return std::nullopt;
  const QString folder = QFileDialog::getExistingDirectory(nullptr, title, startFolder);
  if (folder.isEmpty())
    return std::nullopt;
  return folder;
}

}  // namespace qvt

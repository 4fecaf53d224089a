// frmOptions: its controls and their layout in twips, the window load that selects the stored
// preferences, the option buttons' setters, the update buttons and the file-type association.
#include "player/options/frmOptions.h"

#include <QPaintEvent>
#include <QScopeGuard>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>
#include <functional>
#include <utility>

#include "player/options/FileAssociation.h"
#include "player/options/RegistryError.h"
#include "player/startup/GlobalMethods.h"
#include "shared/Processor.h"
#include "shared/Services.h"
#include "shared/Twips.h"
#include "shared/ui/DesignFont.h"

namespace qvt {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// An option button whose caption wraps onto further lines inside the button's box, as the
// design's two-line captions need; a click anywhere in the box selects it.
class WrappingOption : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  void paintEvent(QPaintEvent* event) override {
    (void)event;
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    option.state &= ~QStyle::State_HasFocus;
    painter.drawControl(QStyle::CE_RadioButton, option);  // the indicator alone
    option.text = caption;
    const QRect box = style()->subElementRect(QStyle::SE_RadioButtonContents, &option, this);
    int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;
    flags |= style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this) ? Qt::TextShowMnemonic
                                                                             : Qt::TextHideMnemonic;
    painter.drawItemText(box, flags, palette(), isEnabled(), caption, QPalette::WindowText);
    if (hasFocus())
      DrawFocus(painter, option, fontMetrics().boundingRect(box, flags, caption));
  }
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

 private:
  void DrawFocus(QStylePainter& painter, const QStyleOptionButton& button, const QRect& text) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(button);
    focus.rect = text.adjusted(-1, -1, 1, 1);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
};

QGroupBox* Frame(QWidget* parent, const char* name, const QString& caption, const QRect& place) {
  auto* frame = new QGroupBox(caption, parent);
  frame->setObjectName(QString::fromLatin1(name));
  frame->setGeometry(place);
  return frame;
}

QRadioButton* Option(QGroupBox* frame, const char* name, const QString& caption,
                     const QRect& place) {
  auto* option = new WrappingOption(caption, frame);
  option->setObjectName(QString::fromLatin1(name));
  option->setGeometry(place);
  return option;
}

QLabel* Label(QWidget* parent, const char* name, const QString& caption, const QRect& place) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setGeometry(place);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(true);
  return label;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, const QRect& place) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(place);
  FitCaption(button);
  return button;
}

}  // namespace

frmOptions::frmOptions(MusicVariables& mv, const Services& services,
                       const UpdatorMethods::PlayerHooks& updateHooks, UpdateManifest::Trust trust)
    : mv_(mv), services_(services), updateHooks_(updateHooks), trust_(std::move(trust)) {
  setObjectName(QStringLiteral("frmOptions"));
  setWindowTitle(QStringLiteral("Options"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  CreatePreferenceFrames();
  CreateUpdateFrame();
  CreateAssociationFrame();
  // The two window-level buttons come last so that they lie above the frames.
  cmdExt = Button(this, "cmdExt", QStringLiteral("Associate Now!"), Twips(4920, 4680, 1335, 255));
  cmdDone = Button(this, "cmdDone", QStringLiteral("&Done"), Twips(3840, 5280, 2535, 495));
  PlaceWindow();
  SetTabOrder();
  ConnectHandlers();
}

frmOptions::~frmOptions() = default;

void frmOptions::CreatePreferenceFrames() {
  fraSkip = Frame(this, "fraSkip", QStringLiteral("&Skip bad or broken songs"),
                  Twips(120, 0, 2535, 1575));
  optNoSkip = Option(fraSkip, "optNoSkip", QStringLiteral("&Don't skip bad songs"),
                     Twips(120, 240, 1935, 495));
  optSkipDelete = Option(fraSkip, "optSkipDelete", QStringLiteral("Skip and &remove bad songs"),
                         Twips(120, 600, 2295, 495));
  optSkip = Option(fraSkip, "optSkip", QStringLiteral("&Just skip bad songs"),
                   Twips(120, 960, 2175, 495));

  fraSongLoading =
      Frame(this, "fraSongLoading", QStringLiteral("Song &Loading"), Twips(120, 1680, 2535, 1335));
  optLow = Option(fraSongLoading, "optLow",
                  QStringLiteral("Load songs slowly or &wait for available CPU time"),
                  Twips(120, 240, 2295, 495));
  optNorm = Option(fraSongLoading, "optNorm", QStringLiteral("Load &immediatly"),
                   Twips(120, 720, 2295, 495));

  fraProcessing =
      Frame(this, "fraProcessing", QStringLiteral("Messages"), Twips(120, 3120, 2535, 1215));
  optYesProcess = Option(fraProcessing, "optYesProcess", QStringLiteral("Show processing messages"),
                         Twips(120, 240, 2295, 495));
  optNoProcess = Option(fraProcessing, "optNoProcess", QStringLiteral("Hide processing messages"),
                        Twips(120, 600, 2295, 495));

  Frame2 =
      Frame(this, "Frame2", QStringLiteral("Quick Play Options"), Twips(120, 4440, 2535, 1335));
  optStayOpen = Option(Frame2, "optStayOpen", QStringLiteral("Stay open after song has finished"),
                       Twips(120, 240, 1815, 495));
  optClose =
      Option(Frame2, "optClose", QStringLiteral("Close Automatically after song has finished"),
             Twips(120, 720, 2295, 495));
}

void frmOptions::CreateUpdateFrame() {
  Frame1 = Frame(this, "Frame1", QStringLiteral("Updates"), Twips(2760, 0, 3615, 3015));
  Label1 = Label(Frame1, "Label1", QStringLiteral("Current Version:"), Twips(120, 240, 1215, 495));
  lblCurVer =
      Label(Frame1, "lblCurVer", QStringLiteral("Current Version"), Twips(120, 480, 3375, 255));
  Label2 = Label(Frame1, "Label2", QStringLiteral("Latest Version:"), Twips(120, 960, 1695, 495));
  lblLatestVer =
      Label(Frame1, "lblLatestVer", QStringLiteral("Unknown"), Twips(120, 1200, 3375, 255));
  lblStatus = Label(Frame1, "lblStatus", QStringLiteral("Unknown"), Twips(120, 2040, 3375, 255));
  cmdCheckUpdates = Button(Frame1, "cmdCheckUpdates", QStringLiteral("&Check For Updates"),
                           Twips(120, 2400, 1575, 495));
  cmdNewVerInfo = Button(Frame1, "cmdNewVerInfo", QStringLiteral("New &Version Info"),
                         Twips(1800, 2400, 1695, 255));
  cmdInstall = Button(Frame1, "cmdInstall", QStringLiteral("Install &Updates"),
                      Twips(1800, 2640, 1695, 255));
  cmdNewVerInfo->hide();
  cmdInstall->hide();
}

void frmOptions::CreateAssociationFrame() {
  fraAs = Frame(this, "fraAs", QStringLiteral("File Associations for Quick Play"),
                Twips(2760, 3120, 3615, 1935));
  Label3 = Label(fraAs, "Label3",
                 QStringLiteral("Quick Play allows you to use QVT to play songs right from windows "
                                "when you double click a file.  Just enter the file extension you "
                                "wish to associate QVT with.  Example: if you type mp3, all MP3 "
                                "files will now open with QVT instead of your old default player"),
                 Twips(120, 240, 3375, 1215));
  txtExt = new QLineEdit(fraAs);
  txtExt->setObjectName(QStringLiteral("txtExt"));
  txtExt->setGeometry(Twips(120, 1560, 1935, 285));
  txtExt->setToolTip(QStringLiteral("Enter a file type like MP3 or WAV"));
}

// A fixed client area of the designed size, centred on the screen.
void frmOptions::PlaceWindow() {
  setFixedSize(Twips(0, 0, kClientWidthTwips, kClientHeightTwips).size());
  // Placed from the design's client size, truncated to whole pixels, never off the top left.
  const QPointF at =
      centerOnScreen(qvt::screen(services_), QSizeF(kClientWidthTwips, kClientHeightTwips));
  move(static_cast<int>(std::max(0.0, at.x() / kTwipsPerPixel)),
       static_cast<int>(std::max(0.0, at.y() / kTwipsPerPixel)));
}

// The designed tab order, for the controls that take the focus.
void frmOptions::SetTabOrder() {
  QWidget* order[] = {optNoSkip,       optSkipDelete, optSkip,    optLow,      optNorm,
                      cmdCheckUpdates, cmdNewVerInfo, cmdInstall, cmdDone,     optYesProcess,
                      optNoProcess,    txtExt,        cmdExt,     optStayOpen, optClose};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i)
    setTabOrder(order[i], order[i + 1]);
}

// Each option button's setter runs when the button becomes selected, whether the user clicked
// it or the program selected it; the button that loses the selection runs nothing.
void frmOptions::ConnectHandlers() {
  using namespace GlobalMethods;
  const struct {
    QRadioButton* option;
    std::function<void()> click;
  } options[] = {
      {optNoSkip, [this] { SetSkipMode(services_, mv_, 1); }},
      {optSkipDelete, [this] { SetSkipMode(services_, mv_, 2); }},
      {optSkip, [this] { SetSkipMode(services_, mv_, 3); }},
      {optLow, [this] { SetSongLoadingPriority(services_, mv_, 1); }},
      {optNorm, [this] { SetSongLoadingPriority(services_, mv_, 2); }},
      {optYesProcess, [this] { SetProcessingVisibility(services_, mv_, 1); }},
      {optNoProcess, [this] { SetProcessingVisibility(services_, mv_, 2); }},
      {optClose, [this] { SetQuickPlayClose(mv_, true); }},
      {optStayOpen, [this] { SetQuickPlayClose(mv_, false); }},
  };
  for (const auto& entry : options) {
    connect(entry.option, &QRadioButton::toggled, this, [click = entry.click](bool bSelected) {
      if (bSelected)
        click();
    });
  }
  // Each of these lets the event loop run (progress, message boxes) and holds the window
  // meanwhile: a close or Done waits until it returns.
  const auto run = [this](std::function<void()> op) {
    return [this, op = std::move(op)] {
      FormBusy busy(*this);
      op();
    };
  };
  connect(cmdCheckUpdates, &QPushButton::clicked, this,
          run([this] { UpdatorMethods::CheckForUpdates(services_, trust_, *this); }));
  connect(cmdNewVerInfo, &QPushButton::clicked, this, run([this] { cmdNewVerInfo_Click(); }));
  // An update's downloads can be long: a close stops them, and the update then ends without a
  // message, as it does when the user cancels. (The version check is a small bounded file; a
  // stopped one would end in its failure box, so a close waits for it.)
  connect(cmdInstall, &QPushButton::clicked, this, run([this] {
            ScopedProcessingStop stop(ProcessorStateOf(services_));
            ScopedProcessingStop* const outer = std::exchange(stop_, &stop);
            const auto restore = qScopeGuard([this, outer] { stop_ = outer; });
            UpdatorMethods::InstallUpdates(services_, trust_, mv_, updateHooks_);
          }));
  connect(cmdExt, &QPushButton::clicked, this, run([this] { cmdExt_Click(); }));
  connect(cmdDone, &QPushButton::clicked, this, [this] { cmdDone_Click(); });
}

void frmOptions::StopOperations() {
  if (stop_ != nullptr)
    stop_->stop();
}

void frmOptions::Form_Load() {
  LoadSkipMode();
  (GlobalMethods::GetLowPriorityLoading(mv_) ? optLow : optNorm)->setChecked(true);
  (GlobalMethods::GetHideProcessing(mv_) ? optNoProcess : optYesProcess)->setChecked(true);
  (GlobalMethods::GetQuickPlayClose(mv_) ? optClose : optStayOpen)->setChecked(true);
  lblCurVer->setText(UpdatorMethods::VersionText(UpdatorMethods::RunningVersion()));
  UpdatorMethods::ShowStoredCheckResult(services_, *this);
  // A system-wide install (the Debian package): its program folder is the package manager's.
  if (!UpdatorMethods::CanInstallUpdates(services_))
    lblStatus->setText(QStringLiteral("Updated by the package manager"));
}

// Selecting runs the button's setter, so a stored 0 ("don't skip") is stored as 1 from here on.
void frmOptions::LoadSkipMode() {
  switch (GlobalMethods::GetSkipMode(mv_)) {
    case 0:
    case 1:
      optNoSkip->setChecked(true);
      break;
    case 2:
      optSkipDelete->setChecked(true);
      break;
    case 3:
      optSkip->setChecked(true);
      break;
    default:
      MsgBox(services_,
             QStringLiteral("Error while setting the skip mode, please set them manually"));
      break;
  }
}

void frmOptions::SetLatestVersionCaption(const QString& sCaption) {
  lblLatestVer->setText(sCaption);
}

void frmOptions::SetStatusCaption(const QString& sCaption) {
  lblStatus->setText(sCaption);
}

void frmOptions::ShowUpdateButtons() {
  cmdNewVerInfo->show();
  cmdInstall->show();
}

void frmOptions::cmdNewVerInfo_Click() {
  QString sVersion;
  const QString description = UpdatorMethods::GetNewVersionInfo(services_, sVersion);
  MsgBox(services_, QStringLiteral("New for version ") + sVersion + kCrLf + kCrLf + description);
}

// The extension is taken exactly as typed. A refusal by the registry is reported here, as the
// association has no message of its own for it.
void frmOptions::cmdExt_Click() {
  const QString extension = txtExt->text();
  if (extension.isEmpty()) {
    MsgBox(services_, QStringLiteral("No file type/extension specified"));
    return;
  }
  const MsgResult answer =
      MsgBox(services_,
             QStringLiteral("Are you sure you want to associate all ") + extension +
                 QStringLiteral(" files with QVT?  This cannot be undone") + kCrLf +
                 QStringLiteral("Continue?"),
             MsgButtons::YesNo, MsgIcon::Exclamation, QStringLiteral("Associate File?"), 2, true);
  if (answer != MsgResult::Yes) {
    MsgBox(services_, QStringLiteral("Aborted file association"));
    return;
  }
  try {
    AssociateExtension(services_, extension);
  } catch (const RegistryError& failure) {
    MsgBox(services_, QStringLiteral("Association failed:") + kCrLf + failure.description());
    return;
  }
  MsgBox(services_, extension + QStringLiteral(" has been associated successfully"));
}

void frmOptions::cmdDone_Click() {
  Forms::Unload(*this);
}

}  // namespace qvt

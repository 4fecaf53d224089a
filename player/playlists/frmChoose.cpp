// frmChoose: its controls and their layout, the handlers wired to the editor's operations,
// the coalesced progress texts, loading and unloading.
#include "player/playlists/frmChoose.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <exception>

#include "platform/base/Check.h"
#include "player/playlists/DirListBox.h"
#include "player/playlists/DriveListBox.h"
#include "player/playlists/FileListBox.h"
#include "player/playlists/PlayerWindowLink.h"
#include "player/playlists/SongListBox.h"
#include "player/startup/MusicVariables.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"
#include "shared/Twips.h"
#include "shared/Variant.h"
#include "shared/ui/DesignFont.h"
#include "shared/ui/FramePacer.h"

namespace qvt {

namespace {

const QString kSavedPathFile = QStringLiteral("SavedPath.qvs");
constexpr int kStatusBarTwips = 345;

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, int top) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(Twips(5400, top, 1215, 495));
  FitCaption(button);
  return button;
}

QFont NamedFont(const QString& family, QFont::StyleHint hint, double points) {
  QFont font(family);
  font.setStyleHint(hint);
  font.setPointSizeF(points);
  return font;
}

}  // namespace

frmChoose::frmChoose(MusicVariables& mv, const Services& services, IPlayerWindow& player)
    : services_(services),
      player_(player),
      mv_(mv),
      pacer_(new FramePacer(this)),
      applyLater_(new QTimer(this)) {
  setObjectName(QStringLiteral("frmChoose"));
  setWindowTitle(QStringLiteral("Choose the files"));
  setFixedSize(Twips(0, 0, kClientWidthTwips, kClientHeightTwips).size());
  CreateControls();
  CreateStatusBar();
  ConnectHandlers();
  applyLater_->setSingleShot(true);
  connect(applyLater_, &QTimer::timeout, this, &frmChoose::ApplyTexts);
}

frmChoose::~frmChoose() = default;

// Back to front: the two progress labels first, so that the play list covers them.
void frmChoose::CreateControls() {
  drvDisplay = new DriveListBox(services_, this);
  drvDisplay->setObjectName(QStringLiteral("drvDisplay"));
  drvDisplay->setAccessibleName(QStringLiteral("Drive"));
  drvDisplay->setGeometry(Twips(0, 0, 9495, 315));
  dirDisplay = new DirListBox(services_, this);
  dirDisplay->setObjectName(QStringLiteral("dirDisplay"));
  dirDisplay->setAccessibleName(QStringLiteral("Folders"));
  dirDisplay->setGeometry(Twips(0, 360, 2535, 6165));
  filDisplay = new FileListBox(services_, this);
  filDisplay->setObjectName(QStringLiteral("filDisplay"));
  filDisplay->setAccessibleName(QStringLiteral("Files"));
  filDisplay->setGeometry(Twips(2640, 360, 2775, 5745));

  Label1 = new QLabel(QStringLiteral("Only show files with this extension:"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setTextFormat(Qt::PlainText);
  Label1->setGeometry(Twips(2760, 6120, 1545, 435));
  Label1->setWordWrap(true);
  txtExtension = new QLineEdit(QStringLiteral("*"), this);
  txtExtension->setObjectName(QStringLiteral("txtExtension"));
  Label1->setBuddy(txtExtension);  // a screen reader names the box by the label
  txtExtension->setGeometry(Twips(4320, 6240, 855, 285));
  txtExtension->setToolTip(
      QStringLiteral("Enter an extension to be used as the filter.  Wildcard character may be "
                     "used.  Example: MP* and MP?."));

  cmdAdd = Button(this, "cmdAdd", QStringLiteral("&Add"), 360);
  cmdAddAll = Button(this, "cmdAddAll", QStringLiteral("A&dd All"), 840);
  cmdRemove = Button(this, "cmdRemove", QStringLiteral("&Remove"), 1320);
  cmdClear = Button(this, "cmdClear", QStringLiteral("&Clear"), 1800);
  cmdSave = Button(this, "cmdSave", QStringLiteral("&Save"), 2280);
  cmdLoad = Button(this, "cmdLoad", QStringLiteral("&Load"), 2760);
  cmdVerify = Button(this, "cmdVerify", QStringLiteral("Verify List"), 3360);
  // Below Verify List, which finds the songs these two bring back.
  cmdFindMoved = Button(this, "cmdFindMoved", QStringLiteral("Find &Moved\nSongs"), 3960);
  cmdFindMoved->setAccessibleName(QStringLiteral("Find Moved Songs"));
  cmdFindMoved->setToolTip(QStringLiteral("Look for the missing songs below a folder"));
  cmdRelink = Button(this, "cmdRelink", QStringLiteral("Relin&k\nFolder"), 4440);
  cmdRelink->setAccessibleName(QStringLiteral("Relink Folder"));
  cmdRelink->setToolTip(QStringLiteral("Move every song of one folder to another folder"));
  setTabOrder(cmdVerify, cmdFindMoved);
  setTabOrder(cmdFindMoved, cmdRelink);

  lblProcessing = new QLabel(QStringLiteral("Processing list, please wait..."), this);
  lblProcessing->setObjectName(QStringLiteral("lblProcessing"));
  lblProcessing->setTextFormat(Qt::PlainText);
  lblProcessing->setGeometry(Twips(6600, 2400, 2895, 2175));
  lblProcessing->setFont(NamedFont(QStringLiteral("Courier New"), QFont::Monospace, 24));
  lblProcessing->setWordWrap(true);
  lblProcessing->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  lblAdding = new QLabel(QStringLiteral("Adding..."), this);
  lblAdding->setObjectName(QStringLiteral("lblAdding"));
  lblAdding->setGeometry(Twips(6600, 4680, 2655, 1215));
  lblAdding->setTextFormat(Qt::PlainText);  // song names: never markup
  lblAdding->setWordWrap(true);
  lblAdding->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // A fixed size keeps text changes from asking the window for a new layout.
  lblAdding->setFixedSize(lblAdding->size());
  sAddingCaption_ = lblAdding->text();

  lstPlayList = new SongListBox(this);
  lstPlayList->ShowModel(&mv_);
  lstPlayList->setObjectName(QStringLiteral("lstPlayList"));
  lstPlayList->setAccessibleName(QStringLiteral("Play list"));
  lstPlayList->setGeometry(Twips(6600, 360, 2895, 6105));

  cmdDone = new QPushButton(QStringLiteral("&Done"), this);
  cmdDone->setObjectName(QStringLiteral("cmdDone"));
  cmdDone->setGeometry(Twips(0, 6600, 9495, 495));
  cmdDone->setFont(NamedFont(QStringLiteral("MS Sans Serif"), QFont::SansSerif, 18));
  cmdDone->setDefault(true);
}

void frmChoose::CreateStatusBar() {
  stbChoose = new QStatusBar(this);
  stbChoose->setObjectName(QStringLiteral("stbChoose"));
  stbChoose->setSizeGripEnabled(false);
  stbChoose->setContentsMargins(0, 0, 2, 0);  // the last panel's frame inside the window
  stbChoose->setGeometry(
      Twips(0, kClientHeightTwips - kStatusBarTwips, kClientWidthTwips, kStatusBarTwips));
  stbPanel1 = new QLabel(QStringLiteral("Ready"), stbChoose);
  stbPanel1->setObjectName(QStringLiteral("stbPanel1"));
  stbPanel1->setTextFormat(Qt::PlainText);
  stbPanel1->setFrameShape(QFrame::Panel);
  stbPanel1->setFrameShadow(QFrame::Sunken);
  stbPanel1->setMinimumWidth(1);  // long song names must not widen the panel
  stbPanel2 = new QLabel(QStringLiteral("0 Songs"), stbChoose);
  stbPanel2->setObjectName(QStringLiteral("stbPanel2"));
  stbPanel2->setTextFormat(Qt::PlainText);
  stbPanel2->setFrameShape(QFrame::Panel);
  stbPanel2->setFrameShadow(QFrame::Sunken);
  stbPanel2->setMinimumWidth(Twips(0, 0, 2400, 0).width());
  stbChoose->addWidget(stbPanel1, 1);
  stbChoose->addPermanentWidget(stbPanel2);
  sStatusText_ = stbPanel1->text();
}

void frmChoose::ConnectHandlers() {
  // The boxes read folders while the event loop runs, and a close may come then: the window
  // is held meanwhile, so that it goes only once the box that emitted the change has returned.
  connect(drvDisplay, &DriveListBox::Change, this, [this] {
    FormBusy busy(*this);
    dirDisplay->SetPathToDrive(drvDisplay->DriveRoot());
  });
  // The file box follows the folder box; when it lists that folder already (the remembered
  // folders on opening), it is not read a second time.
  connect(dirDisplay, &DirListBox::Change, this, [this] {
    FormBusy busy(*this);
    if (dirDisplay->Path() != filDisplay->Path())
      filDisplay->SetPath(dirDisplay->Path());
  });
  connect(txtExtension, &QLineEdit::textChanged, this, [this](const QString& text) {
    FormBusy busy(*this);
    filDisplay->SetPattern(QStringLiteral("*.") + text);
  });
  txtExtension->installEventFilter(this);
  // Each operation holds the window: a close meanwhile waits until it returns.
  const auto run = [this](void (PlayListEditor::*op)()) {
    return [this, op] {
      FormBusy busy(*this);
      (editor_.*op)();
    };
  };
  connect(filDisplay, &FileListBox::DblClick, this, run(&PlayListEditor::FileDblClick));
  connect(cmdAdd, &QPushButton::clicked, this, run(&PlayListEditor::AddClick));
  connect(cmdAddAll, &QPushButton::clicked, this, run(&PlayListEditor::AddAllClick));
  connect(cmdRemove, &QPushButton::clicked, this, run(&PlayListEditor::RemoveClick));
  connect(cmdClear, &QPushButton::clicked, this, run(&PlayListEditor::ClearClick));
  connect(cmdSave, &QPushButton::clicked, this, run(&PlayListEditor::SaveClick));
  connect(cmdLoad, &QPushButton::clicked, this, run(&PlayListEditor::LoadClick));
  connect(cmdVerify, &QPushButton::clicked, this, run(&PlayListEditor::VerifyClick));
  connect(cmdFindMoved, &QPushButton::clicked, this, run(&PlayListEditor::FindMovedClick));
  connect(cmdRelink, &QPushButton::clicked, this, run(&PlayListEditor::RelinkClick));
  connect(cmdDone, &QPushButton::clicked, this, [this] { Forms::Unload(*this); });
}

bool frmChoose::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtExtension && event->type() == QEvent::FocusOut &&
      txtExtension->text().isEmpty()) {
    txtExtension->setText(QStringLiteral("*"));
  }
  return Form::eventFilter(watched, event);
}

// Enter that no control used presses the default button.
void frmChoose::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && cmdDone->isEnabled()) {
    cmdDone->click();
    return;
  }
  Form::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Progress texts: the latest caption and status are kept at once and handed to the controls
// at most once per frame, so what the window shows is never more than a frame old.

void frmChoose::SetAddingCaption(const QString& sText) {
  sAddingCaption_ = sText;
  TextsChanged();
}

void frmChoose::SetStatusText(const QString& sText) {
  sStatusText_ = sText;
  ShowSongCount();
}

void frmChoose::ShowSongCount() {
  bCountChanged_ = true;
  TextsChanged();
}

// Long operations hide the play list (and most disable the window); texts set while the
// window is idle show at once.
void frmChoose::TextsChanged() {
  if (isEnabled() && !lstPlayList->isHidden()) {
    ApplyTexts();
    return;
  }
  const qint64 msSince = sinceApplied_.isValid() ? sinceApplied_.elapsed() : FramePacer::kFrameMs;
  if (msSince >= FramePacer::kFrameMs) {
    ApplyTexts();
  } else if (!applyLater_->isActive()) {
    applyLater_->start(static_cast<int>(FramePacer::kFrameMs - msSince));
  }
}

void frmChoose::ApplyTexts() {
  applyLater_->stop();
  sinceApplied_.restart();
  if (lblAdding->text() != sAddingCaption_)
    lblAdding->setText(sAddingCaption_);
  if (stbPanel1->text() != sStatusText_)
    stbPanel1->setText(sStatusText_);
  if (bCountChanged_) {
    bCountChanged_ = false;
    stbPanel2->setText(FormatNumber(mv_.dblLastIndex() + 1) + QStringLiteral(" songs loaded"));
  }
}

QString frmChoose::PanelText(int iPanel) const {
  return iPanel == 1 ? stbPanel1->text() : stbPanel2->text();
}

void frmChoose::RepaintWindow() {
  ApplyTexts();
  pacer_->refresh();
}

bool frmChoose::CloseWaiting() const {
  return FormBusy::UnloadPending(*this);
}

void frmChoose::RunHeld(const std::function<void()>& step) {
  FormBusy busy(*this);
  step();
}

// ---------------------------------------------------------------------------------------------
// The rest of the view.

QString frmChoose::FileFolder() const {
  return filDisplay->Path();
}

int frmChoose::FileCount() const {
  return filDisplay->ListCount();
}

QString frmChoose::FileEntry(int i) const {
  return filDisplay->List(i);
}

bool frmChoose::FileSelected(int i) const {
  return filDisplay->Selected(i);
}

QString frmChoose::CurrentFileName() const {
  return filDisplay->FileName();
}

void frmChoose::RefreshFiles() {
  filDisplay->Refresh();
}

IListBox& frmChoose::PlayList() {
  return *lstPlayList;
}

int frmChoose::PlayListIndex() const {
  return lstPlayList->ListIndex();
}

// The list box is a view of the play list: it is always current.
void frmChoose::ShowPlayList() {
  lstPlayList->SetListIndex(-1);
}

void frmChoose::SetEditing(bool bOn) {
  lstPlayList->setVisible(bOn);
  for (QPushButton* button : {cmdAdd, cmdAddAll, cmdClear, cmdDone, cmdLoad, cmdRemove, cmdSave,
                              cmdVerify, cmdFindMoved, cmdRelink}) {
    button->setEnabled(bOn);
  }
  setEnabled(bOn);
  if (bOn)
    ApplyTexts();
}

void frmChoose::SetPlayListVisible(bool bVisible) {
  lstPlayList->setVisible(bVisible);
}

void frmChoose::SetProgressLabelsVisible(bool bVisible) {
  lblProcessing->setVisible(bVisible);
  lblAdding->setVisible(bVisible);
}

// ---------------------------------------------------------------------------------------------
// Loading and unloading. Every step's failure is ignored and the next step runs.

void frmChoose::CentreWindow() {
  const QPointF at = centerOnScreen(qvt::screen(services_), TwipsOf(frameGeometry().size()));
  move(Pixels(at.x()), Pixels(at.y()));
}

void frmChoose::Form_Load() {
  FormBusy busy(*this);
  CentreWindow();
  try {
    editor_.FillOnLoad();
  } catch (const std::exception&) {
    LogDropped(lcPlaylist());
  }
  ReadSavedPath();
  RepaintWindow();
  SetStatusText(QStringLiteral("Ready"));
}

// An unload waits for the operation that holds the window; the jobs end at once.
void frmChoose::StopOperations() {
  editor_.CancelJobs();
}

// The file box's folder, the folder box's folder and the drive text; a missing or unreadable
// file leaves the boxes where they start.
void frmChoose::ReadSavedPath() {
  QString sFile;
  QString sDir;
  QString sDrive;
  try {
    RecordReader reader(files(services_), DataFile(services_, kSavedPathFile));
    sFile = reader.readText();
    sDir = reader.readText();
    sDrive = reader.readText();
  } catch (const RecordError& failure) {
    // A damaged or unreadable file is logged; the next close writes it anew either way.
    if (failure.kind() != RecordError::FileNotFound)
      LogDropped(lcFiles());
    return;
  }
  drvDisplay->SetDrive(sDrive);
  filDisplay->SetPath(sFile);
  dirDisplay->SetPath(sDir);
}

void frmChoose::WriteSavedPath() {
  try {
    RecordWriter writer(files(services_), DataFile(services_, kSavedPathFile));
    writer.write({filDisplay->Path(), dirDisplay->Path(), drvDisplay->Drive()});
    writer.commit();
  } catch (const RecordError&) {
    LogDropped(lcFiles());
  }
}

// A job still running ends first: the player takes the list as it was.
void frmChoose::Form_Unload(bool& /*bCancel*/) {
  editor_.CancelJobs();
  player_.show();
  player_.StartNewPlay();
  WriteSavedPath();
}

}  // namespace qvt
